#include "net/MailFields.h"

#include <functional>

#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "net/MailField.h"
#include "net/MailMessage.h"

namespace ulka {
namespace {

constexpr std::u16string_view kMailHeader = u"urn:schemas:mailheader:";
constexpr std::u16string_view kHttpMail = u"urn:schemas:httpmail:";

bool HasPrefix(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// The subject without the "Re:" and "Fw:" prefixes replies and forwards add.
WideString NormalizedSubject(WideString subject) {
  for (;;) {
    const size_t start = subject.find_first_not_of(u' ');
    if (start == WideString::npos) return {};
    subject.erase(0, start);
    bool stripped = false;
    for (std::u16string_view prefix : {u"re:", u"fw:", u"fwd:"}) {
      if (HasPrefix(subject, prefix)) {
        subject.erase(0, prefix.size());
        stripped = true;
        break;
      }
    }
    if (!stripped) return subject;
  }
}

// 0 low, 1 normal, 2 high: from "Importance", else from the digit of "X-Priority".
int32_t Importance(const MailContent& mail) {
  if (auto value = mail.HeaderValue("Importance")) {
    WideString text = LowerCase(*value);
    if (text.find(u"high") != WideString::npos) return 2;
    if (text.find(u"low") != WideString::npos) return 0;
    return 1;
  }
  if (auto value = mail.HeaderValue("X-Priority")) {
    const size_t digit = value->find_first_of(u"12345");
    if (digit != WideString::npos) return (*value)[digit] <= u'2' ? 2 : (*value)[digit] >= u'4' ? 0 : 1;
  }
  return 1;
}

using FieldReader = std::function<Variant(const MailContent&)>;

Variant Text(const WideString& text) { return Variant(text); }

const std::vector<std::pair<std::u16string_view, FieldReader>>& HttpMailFields() {
  static const std::vector<std::pair<std::u16string_view, FieldReader>> fields = {
      {u"subject", [](const MailContent& m) { return Text(m.subject); }},
      {u"from", [](const MailContent& m) { return Text(m.from); }},
      {u"to", [](const MailContent& m) { return Text(m.to); }},
      {u"cc", [](const MailContent& m) { return Text(m.cc); }},
      {u"bcc", [](const MailContent& m) { return Text(m.bcc); }},
      {u"reply-to", [](const MailContent& m) { return Text(m.replyTo); }},
      {u"sender", [](const MailContent& m) { return Text(m.sender); }},
      {u"date", [](const MailContent& m) { return MailDate(m.sentOn); }},
      {u"datereceived", [](const MailContent& m) { return MailDate(m.receivedOn); }},
      {u"textdescription", [](const MailContent& m) { return Text(m.textBody); }},
      {u"htmldescription", [](const MailContent& m) { return Text(m.htmlBody); }},
      {u"hasattachment", [](const MailContent& m) { return Variant(!m.attachments.empty()); }},
      {u"fromname", [](const MailContent& m) { return Text(m.fromName); }},
      {u"fromemail", [](const MailContent& m) { return Text(m.fromEmail); }},
      {u"displayto", [](const MailContent& m) { return Text(m.displayTo); }},
      {u"displaycc", [](const MailContent& m) { return Text(m.displayCc); }},
      {u"normalizedsubject", [](const MailContent& m) { return Text(NormalizedSubject(m.subject)); }},
      {u"importance", [](const MailContent& m) { return Variant(Importance(m)); }},
  };
  return fields;
}

}  // namespace

Variant MailFieldValue(const MailContent& content, std::u16string_view name) {
  if (HasPrefix(name, kHttpMail)) {
    const std::u16string_view field = name.substr(kHttpMail.size());
    for (const auto& [known, read] : HttpMailFields())
      if (SameText(field, known)) return read(content);
    return Variant();
  }
  if (HasPrefix(name, kMailHeader)) name.remove_prefix(kMailHeader.size());
  if (name.empty() || name.find(u':') != std::u16string_view::npos) return Variant();
  std::optional<WideString> value = content.HeaderValue(Utf8(name));
  return value ? Variant(std::move(*value)) : Variant();
}

const InterfaceInfo& TMailFields::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TMailFields>("Fields", "{859F3AF1-E121-4D2C-A418-2C51058120AD}", "Mail header fields")
          .Method(0, "Item", &TMailFields::Item, {Arg("Index")}).Returns("Field")
          .Getter(201, "Count", &TMailFields::GetCount)
          .Build();
  return info;
}

TMailFields::TMailFields(MailContentPtr content) : TVekObject(Info()), FContent(std::move(content)) {}

int32_t TMailFields::GetCount() { return static_cast<int32_t>(FContent->headers.size()); }

Ref<IDispatch> TMailFields::Item(const Variant& Index) {
  if (Index.IsNumber()) {
    Variant number;
    if (Failed(ChangeType(Index, VT_I4, number))) Fail(msg::kTypeMismatch);
    const int64_t at = number.Int();
    if (at < 0 || at >= static_cast<int64_t>(FContent->headers.size())) FailIndex(at);
    const MailHeader& header = FContent->headers[at];
    return MakeRef<TMailField>(WideString(kMailHeader) + LowerCase(Wide(header.name)), Variant(header.value));
  }
  Variant name;
  if (Index.IsMissing() || Failed(ChangeType(Index, VT_BSTR, name))) Fail(msg::kTypeMismatch);
  return MakeRef<TMailField>(name.Text(), MailFieldValue(*FContent, name.Text()));
}

}  // namespace ulka
