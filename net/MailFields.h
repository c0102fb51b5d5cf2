// The header fields of a mail message, by name or by position: `msg.Fields("Subject").Value`,
// `msg.Fields.Item("urn:schemas:httpmail:fromemail")`, `msg.Fields.Count`.
#pragma once

#include "automation/VekObject.h"
#include "net/MailContent.h"

namespace ulka {

class TMailFields : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TMailFields(MailContentPtr content);

  // A name gives that field (its Value Empty when the message has no such field); a number gives
  // the message's header at that position, counted from 0.
  Ref<IDispatch> Item(const Variant& Index);
  int32_t GetCount();

 private:
  MailContentPtr FContent;
};

// The value of a named field:
//   "urn:schemas:mailheader:NAME" and a plain "NAME": the header's decoded text (every occurrence,
//     CR LF between them);
//   "urn:schemas:httpmail:NAME": the message's own view (subject, from, to, cc, bcc, reply-to,
//     sender, date, datereceived, textdescription, htmldescription, hasattachment, fromname,
//     fromemail, displayto, displaycc, normalizedsubject, importance);
// Empty when there is no such field.
Variant MailFieldValue(const MailContent& content, std::u16string_view name);

}  // namespace ulka
