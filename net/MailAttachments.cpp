#include "net/MailAttachments.h"

#include "net/MailAttachment.h"

namespace ulka {

const InterfaceInfo& TMailAttachments::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TMailAttachments>("IBodyParts", "{B6B6B608-A5CF-42A1-9E71-41AC117A1D65}", "Mail attachments")
          .Method(0, "Item", &TMailAttachments::Item, {Arg("Index")}).Returns("IBodyPart")
          .Getter(201, "Count", &TMailAttachments::GetCount)
          .Build();
  return info;
}

TMailAttachments::TMailAttachments(MailContentPtr content) : TVekObject(Info()), FContent(std::move(content)) {}

int32_t TMailAttachments::GetCount() { return static_cast<int32_t>(FContent->attachments.size()); }

Ref<IDispatch> TMailAttachments::Item(int32_t Index) {
  if (Index < 1 || Index > GetCount()) FailIndex(Index);
  return MakeRef<TMailAttachment>(FContent, static_cast<size_t>(Index - 1));
}

}  // namespace ulka
