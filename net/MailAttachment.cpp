#include "net/MailAttachment.h"

#include <climits>

#include "automation/ByteConvert.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/TextUtils.h"

namespace ulka {

const InterfaceInfo& TMailAttachment::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TMailAttachment>("IBodyPart", "{A4EA075C-B599-4712-A300-915874C87A03}", "Mail attachment")
          .Getter(201, "FileName", &TMailAttachment::GetFileName)
          .Getter(202, "ContentMediaType", &TMailAttachment::GetContentMediaType)
          .Getter(203, "Size", &TMailAttachment::GetSize)
          .Getter(204, "Bytes", &TMailAttachment::GetBytes).ReturnsBytes()
          .Method(205, "SaveToFile", &TMailAttachment::SaveToFile, {Arg("FileName")})
          .Build();
  return info;
}

TMailAttachment::TMailAttachment(MailContentPtr content, size_t index)
    : TVekObject(Info()), FContent(std::move(content)), FIndex(index) {}

int32_t TMailAttachment::GetSize() { return static_cast<int32_t>(std::min<size_t>(Data().data.size(), INT_MAX)); }

Variant TMailAttachment::GetBytes() { return BytesToVar(std::span<const uint8_t>(Data().data)); }

void TMailAttachment::SaveToFile(const WideString& FileName) {
  if (!WriteFileBytes(FileName, Data().data)) Fail(FormatText(msg::kCannotCreateFile, FileName));
}

}  // namespace ulka
