#include "net/MailMessage.h"

#include <glib.h>

#include "automation/Dates.h"
#include "automation/Unicode.h"
#include "net/MailAttachments.h"
#include "net/MailFields.h"

namespace ulka {

const InterfaceInfo& TMailMessage::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TMailMessage>("IMessage", "{CD000020-8B95-11D1-82DB-00C04FB1625D}", "Mail message")
          .Getter(201, "Subject", &TMailMessage::GetSubject)
          .Getter(202, "From", &TMailMessage::GetFrom)
          .Getter(203, "To", &TMailMessage::GetTo)
          .Getter(204, "CC", &TMailMessage::GetCC)
          .Getter(205, "BCC", &TMailMessage::GetBCC)
          .Getter(206, "ReplyTo", &TMailMessage::GetReplyTo)
          .Getter(207, "Sender", &TMailMessage::GetSender)
          .Getter(208, "SentOn", &TMailMessage::GetSentOn)
          .Getter(209, "ReceivedTime", &TMailMessage::GetReceivedTime)
          .Getter(210, "TextBody", &TMailMessage::GetTextBody)
          .Getter(211, "HTMLBody", &TMailMessage::GetHTMLBody)
          .Getter(212, "Fields", &TMailMessage::GetFields).Returns("Fields")
          .Getter(213, "Attachments", &TMailMessage::GetAttachments).Returns("IBodyParts")
          .Getter(214, "Source", &TMailMessage::GetSource)
          .Build();
  return info;
}

TMailMessage::TMailMessage(MailContentPtr content) : TVekObject(Info()), FContent(std::move(content)) {}

Ref<TMailMessage> TMailMessage::FromSource(Bytes source) { return MakeRef<TMailMessage>(ParseMail(std::move(source))); }

Variant MailDate(const std::optional<int64_t>& seconds) {
  if (!seconds) return Variant();
  return Variant(UnixTimeToDate(*seconds));
}

Variant TMailMessage::GetSentOn() { return MailDate(FContent->sentOn); }

Variant TMailMessage::GetReceivedTime() { return MailDate(FContent->receivedOn); }

Ref<IDispatch> TMailMessage::GetFields() { return MakeRef<TMailFields>(FContent); }

Ref<IDispatch> TMailMessage::GetAttachments() { return MakeRef<TMailAttachments>(FContent); }

// The source as UTF-8 when it is valid UTF-8; otherwise each byte is the character of that code,
// so that a script can still get every byte back.
WideString TMailMessage::GetSource() {
  const Bytes& source = FContent->source;
  const char* text = reinterpret_cast<const char*>(source.data());
  if (g_utf8_validate(text, static_cast<gssize>(source.size()), nullptr)) return Wide(std::string_view(text, source.size()));
  return WideString(source.begin(), source.end());
}

}  // namespace ulka
