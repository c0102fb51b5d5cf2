// The mail message that Pop3.Message answers: a read-only message object with the members scripts
// use of the platform's mail message (subject, addresses, dates, text and HTML bodies, header
// fields, attachments, the source). The member list is in docs/mail-message.md.
#pragma once

#include "automation/VekObject.h"
#include "net/MailContent.h"

namespace ulka {

class TMailMessage : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TMailMessage(MailContentPtr content);
  // Parses the raw message.
  static Ref<TMailMessage> FromSource(Bytes source);

  WideString GetSubject() { return FContent->subject; }
  WideString GetFrom() { return FContent->from; }
  WideString GetTo() { return FContent->to; }
  WideString GetCC() { return FContent->cc; }
  WideString GetBCC() { return FContent->bcc; }
  WideString GetReplyTo() { return FContent->replyTo; }
  WideString GetSender() { return FContent->sender; }
  Variant GetSentOn();
  Variant GetReceivedTime();
  WideString GetTextBody() { return FContent->textBody; }
  WideString GetHTMLBody() { return FContent->htmlBody; }
  Ref<IDispatch> GetFields();
  Ref<IDispatch> GetAttachments();
  WideString GetSource();

  const MailContent& Content() const { return *FContent; }

 private:
  MailContentPtr FContent;
};

// A date Variant of seconds since the Unix epoch, in local time; Empty for none.
Variant MailDate(const std::optional<int64_t>& seconds);

}  // namespace ulka
