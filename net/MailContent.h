// A mail message taken apart once, when it arrives: its headers, addresses, date, text bodies and
// attachments, all decoded to text or plain bytes. It never changes afterwards, so the message
// object and everything handed out from it share it freely across threads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/Types.h"

namespace ulka {

struct MailHeader {
  std::string name;  // as the message spells it
  WideString value;  // unfolded, encoded words decoded
};

struct MailAttachmentData {
  WideString fileName;   // without any folder part
  WideString mediaType;  // "image/png"
  Bytes data;            // transfer encoding removed
};

struct MailContent {
  Bytes source;  // the message as it came
  std::vector<MailHeader> headers;
  WideString subject;
  WideString from, to, cc, bcc, replyTo, sender;  // address lists as display text
  WideString fromName, fromEmail;                 // the first sender's name and address
  WideString displayTo, displayCc;                // the recipients' names, "; " between them
  std::optional<int64_t> sentOn;                  // seconds since the Unix epoch
  std::optional<int64_t> receivedOn;              // from the newest Received header
  WideString textBody, htmlBody;
  std::vector<MailAttachmentData> attachments;

  // The values of every header called `name` (any letter case), CR LF between them; nothing
  // when the message has no such header.
  std::optional<WideString> HeaderValue(std::string_view name) const;
};

using MailContentPtr = std::shared_ptr<const MailContent>;

// Parses an RFC 822 message. Malformed parts are taken as far as they go; a message that cannot
// be parsed at all keeps its source and nothing else.
MailContentPtr ParseMail(Bytes source);

}  // namespace ulka
