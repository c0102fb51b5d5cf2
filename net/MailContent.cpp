// Taking a message apart with GMime.
#include "net/MailContent.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <string_view>

#include "automation/CodePages.h"
#include "automation/Iconv.h"
#include "automation/Unicode.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

// Messages with more multipart parts than this are read for their headers only: real mail has a
// few dozen at most, and the parser's time grows with the square of the nesting.
constexpr size_t kMaxMultiparts = 1000;

// GMime is set up once for the process; the parser options are only read afterwards, so every
// thread shares them.
GMimeParserOptions* ParserOptions() {
  static GMimeParserOptions* options = [] {
    g_mime_init();
    GMimeParserOptions* made = g_mime_parser_options_new();
    // Raw 8-bit header text: UTF-8 when it is valid, else what mail programs mostly mean.
    const char* fallbacks[] = {"utf-8", "windows-1252", "iso-8859-1", nullptr};
    g_mime_parser_options_set_fallback_charsets(made, fallbacks);
    return made;
  }();
  return options;
}

std::string_view View(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

WideString WideOf(const char* utf8) { return utf8 ? Wide(utf8) : WideString(); }

bool HasHighBytes(std::span<const uint8_t> bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x80; });
}

// Valid UTF-8 as text; most mail is plain ASCII, which widens byte by byte.
WideString WideOfUtf8(std::span<const uint8_t> bytes) {
  if (HasHighBytes(bytes)) return StripBom(Wide(View(bytes)));
  return WideString(bytes.begin(), bytes.end());
}

bool IsAsciiCharset(std::string_view name) {
  return SameText(Wide(name), u"us-ascii") || SameText(Wide(name), u"ascii");
}

bool IsUtf8Charset(std::string_view name) { return SameText(Wide(name), u"utf-8") || SameText(Wide(name), u"utf8"); }

size_t CharsetUnit(std::string_view iconvName) {
  WideString name = UpperCase(Wide(iconvName));
  if (name.starts_with(u"UTF-16") || name.starts_with(u"UCS-2")) return 2;
  if (name.starts_with(u"UTF-32") || name.starts_with(u"UCS-4")) return 4;
  return 1;
}

// Text of a part in its declared charset. Without a usable one (none, unknown, or ASCII that
// holds 8-bit bytes): UTF-8 when the bytes are valid UTF-8, else Windows-1252.
WideString DecodeCharset(std::span<const uint8_t> bytes, std::string charset, bool html) {
  if (charset.empty() && html) {
    if (uint32_t codePage = DetectCodePage(View(bytes)); codePage && IsCodePageSupported(codePage))
      return DecodeText(bytes, codePage);
  }
  const bool valid = g_utf8_validate(reinterpret_cast<const char*>(bytes.data()), static_cast<gssize>(bytes.size()), nullptr);
  if (valid && (charset.empty() || IsUtf8Charset(charset) || IsAsciiCharset(charset))) return WideOfUtf8(bytes);
  if (!charset.empty() && !(IsAsciiCharset(charset) && HasHighBytes(bytes))) {
    const char* iconvName = g_mime_charset_iconv_name(charset.c_str());
    if (iconvName) {
      if (auto text = IconvDecode(iconvName, bytes, CharsetUnit(iconvName))) return StripBom(std::move(*text));
    }
  }
  if (valid) return WideOfUtf8(bytes);
  return IconvDecode("WINDOWS-1252", bytes, 1).value_or(WideString());
}

Bytes StreamBytes(GMimeStream* stream) {
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
  return array ? Bytes(array->data, array->data + array->len) : Bytes();
}

// The content of a leaf part with its transfer encoding removed.
Bytes PartBytes(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, stream.get());
  return StreamBytes(stream.get());
}

Bytes MessagePartBytes(GMimeMessagePart* part) {
  GMimeMessage* inner = g_mime_message_part_get_message(part);
  if (!inner) return {};
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get());
  return StreamBytes(stream.get());
}

std::string MediaType(GMimeObject* object) {
  GMimeContentType* type = g_mime_object_get_content_type(object);
  if (!type) return "text/plain";
  GCharPtr text(g_mime_content_type_get_mime_type(type));
  return text ? Utf8(LowerCase(Wide(text.get()))) : "application/octet-stream";
}

// A file name is a name, never a path: mail programs drop any folder part a sender put in.
WideString BaseName(const char* name) {
  WideString text = WideOf(name);
  const size_t slash = text.find_last_of(u"/\\");
  return slash == WideString::npos ? text : text.substr(slash + 1);
}

WideString FileNameOf(GMimeObject* object) {
  if (GMIME_IS_PART(object)) return BaseName(g_mime_part_get_filename(GMIME_PART(object)));
  const char* name = g_mime_object_get_content_disposition_parameter(object, "filename");
  if (!name) name = g_mime_object_get_content_type_parameter(object, "name");
  return BaseName(name);
}

bool IsAttachmentDisposition(GMimeObject* object) {
  const char* disposition = g_mime_object_get_disposition(object);
  return disposition && SameText(Wide(disposition), u"attachment");
}

// The first text/plain and the first text/html leaf that are not attachments are the bodies;
// every other leaf (and every attached message) is an attachment.
void CollectParts(GMimeObject* object, MailContent& mail) {
  if (GMIME_IS_MULTIPART(object)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multipart);
    for (int i = 0; i < count; ++i) CollectParts(g_mime_multipart_get_part(multipart, i), mail);
    return;
  }
  if (GMIME_IS_MESSAGE_PART(object)) {
    mail.attachments.push_back({FileNameOf(object), Wide(MediaType(object)), MessagePartBytes(GMIME_MESSAGE_PART(object))});
    return;
  }
  if (!GMIME_IS_PART(object)) return;
  const std::string type = MediaType(object);
  Bytes data = PartBytes(GMIME_PART(object));
  const bool body = !IsAttachmentDisposition(object);
  const char* charset = g_mime_object_get_content_type_parameter(object, "charset");
  if (body && type == "text/plain" && mail.textBody.empty()) {
    mail.textBody = DecodeCharset(data, charset ? charset : "", false);
  } else if (body && type == "text/html" && mail.htmlBody.empty()) {
    mail.htmlBody = DecodeCharset(data, charset ? charset : "", true);
  } else {
    mail.attachments.push_back({FileNameOf(object), Wide(type), std::move(data)});
  }
}

WideString AddressText(InternetAddressList* list) {
  if (!list || internet_address_list_length(list) == 0) return {};
  GCharPtr text(internet_address_list_to_string(list, nullptr, FALSE));
  return WideOf(text.get());
}

// The names of the addresses (the address itself where there is no name), "; " between them.
WideString DisplayNames(InternetAddressList* list) {
  WideString names;
  const int count = list ? internet_address_list_length(list) : 0;
  for (int i = 0; i < count; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    const char* name = internet_address_get_name(address);
    WideString shown = name && *name ? Wide(name) : WideString();
    if (shown.empty() && INTERNET_ADDRESS_IS_MAILBOX(address))
      shown = WideOf(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
    if (!names.empty()) names += u"; ";
    names += shown;
  }
  return names;
}

void ReadSender(InternetAddressList* from, MailContent& mail) {
  if (!from || internet_address_list_length(from) == 0) return;
  InternetAddress* first = internet_address_list_get_address(from, 0);
  if (INTERNET_ADDRESS_IS_MAILBOX(first))
    mail.fromEmail = WideOf(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)));
  const char* name = internet_address_get_name(first);
  mail.fromName = name && *name ? Wide(name) : mail.fromEmail;
}

// The time a Received header ends with, after its last ";".
std::optional<int64_t> ReceivedTime(const std::string& value) {
  const size_t semicolon = value.rfind(';');
  if (semicolon == std::string::npos) return std::nullopt;
  GDateTime* date = g_mime_utils_header_decode_date(value.c_str() + semicolon + 1);
  if (!date) return std::nullopt;
  const int64_t seconds = g_date_time_to_unix(date);
  g_date_time_unref(date);
  return seconds;
}

void AddHeaders(GMimeObject* object, std::vector<std::pair<int64_t, MailHeader>>& headers) {
  GMimeHeaderList* list = object ? g_mime_object_get_header_list(object) : nullptr;
  const int count = list ? g_mime_header_list_get_count(list) : 0;
  for (int i = 0; i < count; ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(list, i);
    const char* name = g_mime_header_get_name(header);
    headers.push_back({g_mime_header_get_offset(header), {name ? name : "", WideOf(g_mime_header_get_value(header))}});
  }
}

// The message's headers in the order they came. GMime keeps the Content-* headers of the top
// level with its body part, so the two lists are merged by position.
void ReadHeaders(GMimeMessage* message, MailContent& mail) {
  std::vector<std::pair<int64_t, MailHeader>> headers;
  AddHeaders(GMIME_OBJECT(message), headers);
  AddHeaders(g_mime_message_get_mime_part(message), headers);
  std::stable_sort(headers.begin(), headers.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [offset, header] : headers) {
    if (!mail.receivedOn && SameText(Wide(header.name), u"Received")) mail.receivedOn = ReceivedTime(Utf8(header.value));
    mail.headers.push_back(std::move(header));
  }
}

void ReadEnvelope(GMimeMessage* message, MailContent& mail) {
  mail.subject = WideOf(g_mime_message_get_subject(message));
  InternetAddressList* from = g_mime_message_get_from(message);
  mail.from = AddressText(from);
  ReadSender(from, mail);
  mail.to = AddressText(g_mime_message_get_to(message));
  mail.cc = AddressText(g_mime_message_get_cc(message));
  mail.bcc = AddressText(g_mime_message_get_bcc(message));
  mail.replyTo = AddressText(g_mime_message_get_reply_to(message));
  mail.sender = AddressText(g_mime_message_get_sender(message));
  mail.displayTo = DisplayNames(g_mime_message_get_to(message));
  mail.displayCc = DisplayNames(g_mime_message_get_cc(message));
  if (GDateTime* date = g_mime_message_get_date(message)) mail.sentOn = g_date_time_to_unix(date);
}

size_t CountMultiparts(std::string_view text) {
  size_t count = 0;
  for (size_t at = text.find("ultipart/"); at != std::string_view::npos; at = text.find("ultipart/", at + 9))
    if (at > 0 && (text[at - 1] == 'm' || text[at - 1] == 'M')) ++count;
  return count;
}

// The header block of a message, with the blank line that ends it.
std::string_view HeaderBlock(std::string_view text) {
  size_t end = text.find("\r\n\r\n");
  if (end != std::string_view::npos) return text.substr(0, end + 4);
  end = text.find("\n\n");
  return end == std::string_view::npos ? text : text.substr(0, end + 2);
}

GObjectPtr<GMimeMessage> ParseMessage(std::string_view text) {
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
  return GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), ParserOptions()));
}

}  // namespace

std::optional<WideString> MailContent::HeaderValue(std::string_view name) const {
  std::optional<WideString> value;
  const WideString wanted = Wide(name);
  for (const MailHeader& header : headers) {
    if (!SameText(Wide(header.name), wanted)) continue;
    if (value) *value += u"\r\n";
    else value.emplace();
    *value += header.value;
  }
  return value;
}

MailContentPtr ParseMail(Bytes source) {
  auto mail = std::make_shared<MailContent>();
  if (!source.empty()) {
    std::string_view text = View(source);
    if (CountMultiparts(text) > kMaxMultiparts) text = HeaderBlock(text);
    if (GObjectPtr<GMimeMessage> message = ParseMessage(text)) {
      ReadHeaders(message.get(), *mail);
      ReadEnvelope(message.get(), *mail);
      if (GMimeObject* body = g_mime_message_get_mime_part(message.get())) CollectParts(body, *mail);
    }
  }
  mail->source = std::move(source);
  return mail;
}

}  // namespace ulka
