// One attachment of a mail message: its file name, media type, decoded bytes and size.
#pragma once

#include "automation/VekObject.h"
#include "net/MailContent.h"

namespace ulka {

class TMailAttachment : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  // `index` names the attachment in `content`.
  TMailAttachment(MailContentPtr content, size_t index);

  WideString GetFileName() { return Data().fileName; }
  WideString GetContentMediaType() { return Data().mediaType; }
  int32_t GetSize();
  Variant GetBytes();
  // Writes the decoded bytes to a file, replacing it; fails when it cannot be written.
  void SaveToFile(const WideString& FileName);

 private:
  const MailAttachmentData& Data() const { return FContent->attachments[FIndex]; }

  MailContentPtr FContent;
  size_t FIndex;
};

}  // namespace ulka
