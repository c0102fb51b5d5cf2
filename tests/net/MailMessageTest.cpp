// The mail message object over messages made by a real mail library (fixtures/mail) and over
// malformed ones made here, through its member names as scripts call them.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "NetTestSupport.h"
#include "automation/Dates.h"
#include "automation/Unicode.h"
#include "net/MailMessage.h"
#include "tests/data/CallHelpers.h"

namespace ulka {
namespace {

using test::Get;
using test::Text;

Ref<TMailMessage> Fixture(const std::string& name) { return TMailMessage::FromSource(test::ReadFileBytesOrEmpty(test::MailFixture(name))); }

Ref<TMailMessage> Parse(const std::string& text) { return TMailMessage::FromSource(Bytes(text.begin(), text.end())); }

// msg.Fields(name).Value
Variant Field(IDispatch* message, const char* name) {
  Variant fields = Get(message, u"Fields");
  Variant field = Get(fields.Dispatch(), u"Item", {test::W(name)});
  return Get(field.Dispatch(), u"Value");
}

std::string FieldText(IDispatch* message, const char* name) { return Text(Field(message, name)); }

// msg.Attachments(index)
Ref<IDispatch> Attachment(IDispatch* message, int32_t index) {
  Variant attachments = Get(message, u"Attachments");
  return Get(attachments.Dispatch(), u"Item", {Variant(index)}).Dispatch();
}

int64_t UnixTimeOf(const Variant& date) { return date.Type() == VT_DATE ? DateToUnixTime(Date{date.Double()}) : -1; }

TEST(MailMessageTest, AlternativeTextAndHtmlWithEncodedHeaders) {
  Ref<TMailMessage> mail = Fixture("alternative.eml");
  IDispatch* m = mail.get();
  EXPECT_EQ(Text(Get(m, u"Subject")), "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln \xE2\x80\x93 \xC3\xBCn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9");
  EXPECT_EQ(Text(Get(m, u"From")), "J\xC3\xBCrgen M\xC3\xBCller <juergen@example.org>");
  EXPECT_EQ(Text(Get(m, u"To")), "Alice <alice@example.org>, bob@example.org");
  EXPECT_EQ(Text(Get(m, u"CC")), "Carol <carol@example.net>");
  EXPECT_EQ(Text(Get(m, u"BCC")), "");
  EXPECT_EQ(Text(Get(m, u"ReplyTo")), "replies@example.org");
  EXPECT_EQ(Text(Get(m, u"Sender")), "");
  EXPECT_EQ(UnixTimeOf(Get(m, u"SentOn")), 1298977509);  // 1 March 2011 14:05:09 +0300
  const std::string text = Text(Get(m, u"TextBody"));
  EXPECT_NE(text.find("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln! Ein Euro: \xE2\x82\xAC."), std::string::npos) << text;
  EXPECT_NE(text.find("A long line " + std::string(100, 'x') + "\r\n"), std::string::npos) << "soft line breaks joined";
  EXPECT_NE(Text(Get(m, u"HTMLBody")).find("<b>K\xC3\xB6ln</b>! \xE2\x82\xAC"), std::string::npos);
  EXPECT_EQ(Get(Get(m, u"Attachments").Dispatch(), u"Count").Int(), 0);
}

TEST(MailMessageTest, FieldsByHeaderNameAndBySchemaName) {
  Ref<TMailMessage> mail = Fixture("alternative.eml");
  IDispatch* m = mail.get();
  EXPECT_EQ(FieldText(m, "X-Mailer"), "Python email");
  EXPECT_EQ(FieldText(m, "x-mailer"), "Python email");
  EXPECT_EQ(FieldText(m, "urn:schemas:mailheader:message-id"), "<fixture.1@example.org>");
  EXPECT_EQ(FieldText(m, "urn:schemas:mailheader:subject"), Text(Get(m, u"Subject")));
  EXPECT_EQ(FieldText(m, "urn:schemas:httpmail:subject"), Text(Get(m, u"Subject")));
  EXPECT_EQ(FieldText(m, "urn:schemas:httpmail:fromemail"), "juergen@example.org");
  EXPECT_EQ(FieldText(m, "urn:schemas:httpmail:fromname"), "J\xC3\xBCrgen M\xC3\xBCller");
  EXPECT_EQ(FieldText(m, "urn:schemas:httpmail:displayto"), "Alice; bob@example.org");
  EXPECT_EQ(FieldText(m, "URN:Schemas:HttpMail:Reply-To"), "replies@example.org");
  EXPECT_EQ(FieldText(m, "urn:schemas:httpmail:textdescription"), Text(Get(m, u"TextBody")));
  EXPECT_EQ(UnixTimeOf(Field(m, "urn:schemas:httpmail:date")), 1298977509);
  EXPECT_EQ(Field(m, "urn:schemas:httpmail:hasattachment").Type(), VT_BOOL);
  EXPECT_FALSE(Field(m, "urn:schemas:httpmail:hasattachment").Bool());
  EXPECT_EQ(Field(m, "urn:schemas:httpmail:importance").Int(), 1);
  EXPECT_TRUE(Field(m, "X-Not-There").IsEmpty());
  EXPECT_TRUE(Field(m, "urn:schemas:httpmail:no-such-field").IsEmpty());
  EXPECT_TRUE(Field(m, "http://schemas.example/other:thing").IsEmpty());

  // By position, each header with the name that finds it again.
  Variant fields = Get(m, u"Fields");
  EXPECT_EQ(Get(fields.Dispatch(), u"Count").Int(), 10);
  Variant first = Get(fields.Dispatch(), u"Item", {Variant(0)});
  EXPECT_EQ(Text(Get(first.Dispatch(), u"Name")), "urn:schemas:mailheader:from");
  EXPECT_EQ(Text(Get(first.Dispatch(), u"Value")), Text(Get(m, u"From")));
  test::CallResult outside = test::Call(fields.Dispatch(), u"Item", DISPATCH_METHOD, {Variant(10)});
  EXPECT_EQ(outside.message, "List index out of bounds (10)");
}

TEST(MailMessageTest, ReceivedTimeComesFromTheNewestReceivedHeader) {
  Ref<TMailMessage> mail = Parse(
      "Received: from b by c; Wed, 2 Mar 2011 10:00:00 +0000\r\n"
      "Received: from a by b; Wed, 2 Mar 2011 09:00:00 +0000\r\n"
      "Subject: x\r\n\r\nbody");
  EXPECT_EQ(UnixTimeOf(Get(mail.get(), u"ReceivedTime")), 1299060000);
  EXPECT_EQ(UnixTimeOf(Field(mail.get(), "urn:schemas:httpmail:datereceived")), 1299060000);
  EXPECT_EQ(FieldText(mail.get(), "urn:schemas:mailheader:received"),
            "from b by c; Wed, 2 Mar 2011 10:00:00 +0000\r\nfrom a by b; Wed, 2 Mar 2011 09:00:00 +0000");
  EXPECT_TRUE(Get(Parse("Subject: x\r\n\r\n").get(), u"ReceivedTime").IsEmpty());
}

TEST(MailMessageTest, AttachmentsWithTheirNamesTypesAndBytes) {
  Ref<TMailMessage> mail = Fixture("attachments.eml");
  IDispatch* m = mail.get();
  EXPECT_EQ(Text(Get(m, u"TextBody")), "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84.\r\n");
  EXPECT_EQ(Get(Get(m, u"Attachments").Dispatch(), u"Count").Int(), 4);
  EXPECT_TRUE(Field(m, "urn:schemas:httpmail:hasattachment").Bool());
  EXPECT_EQ(Field(m, "urn:schemas:httpmail:importance").Int(), 2);
  struct Expected {
    const char* fileName;
    const char* mediaType;
    std::string start;
  };
  const Expected expected[] = {
      {"report.pdf", "application/pdf", "%PDF-1.4\n"},
      {"pixel.png", "image/png", "\x89PNG\r\n"},
      {"\xC3\x9C" "bersicht.txt", "text/plain", "Notizen \xC3\xBC" "ber K\xC3\xB6ln\n"},
      {"", "message/rfc822", "From: inner@example.org"},
  };
  for (int i = 0; i < 4; ++i) {
    Ref<IDispatch> a = Attachment(m, i + 1);
    ASSERT_TRUE(a) << i;
    EXPECT_EQ(Text(Get(a.get(), u"FileName")), expected[i].fileName) << i;
    EXPECT_EQ(Text(Get(a.get(), u"ContentMediaType")), expected[i].mediaType) << i;
    const std::string bytes = test::TextOf(Get(a.get(), u"Bytes"));
    EXPECT_TRUE(bytes.starts_with(expected[i].start)) << i << ": " << bytes.substr(0, 40);
    EXPECT_EQ(Get(a.get(), u"Size").Int(), static_cast<int64_t>(bytes.size())) << i;
  }
  const std::string pdf = test::TextOf(Get(Attachment(m, 1).get(), u"Bytes"));
  EXPECT_TRUE(pdf.ends_with("%%EOF\n"));

  test::TempDir dir;
  Ref<IDispatch> png = Attachment(m, 2);
  Get(png.get(), u"SaveToFile", {Variant(Wide(dir / "saved.png"))});
  EXPECT_EQ(test::ReadFileText(dir / "saved.png"), test::TextOf(Get(png.get(), u"Bytes")));
  test::CallResult unwritable = test::Call(png.get(), u"SaveToFile", DISPATCH_METHOD, {Variant(u"/dev/null/saved.png")});
  EXPECT_EQ(unwritable.message, "Cannot create file \"/dev/null/saved.png\"");

  Variant attachments = Get(m, u"Attachments");
  for (int bad : {0, 5}) {
    test::CallResult r = test::Call(attachments.Dispatch(), u"Item", DISPATCH_METHOD, {Variant(bad)});
    EXPECT_EQ(r.message, "List index out of bounds (" + std::to_string(bad) + ")");
  }
}

TEST(MailMessageTest, TextInEightBitCharsets) {
  struct Case {
    const char* fixture;
    const char* subject;
    const char* from;
    const char16_t* member;
    const char* text;
  };
  const Case cases[] = {
      {"cyrillic.eml", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xB8\xD0\xB7 \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD1\x8B",
       "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD <ivan@example.ru>", u"TextBody",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0! \xD0\x9A\xD0\xB0\xD0\xBA \xD0\xB4\xD0\xB5\xD0\xBB\xD0\xB0?\n"},
      {"latin1-8bit.eml", "Sp\xC3\xA9" "cialit\xC3\xA9s du jour", "chef@example.fr", u"TextBody",
       "Caf\xC3\xA9 cr\xC3\xA8me \xC3\xA0 la carte.\r\n"},
      {"html-only.eml", "newsletter", "news@example.ru", u"HTMLBody",
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"></head><body>"
       "\xD0\x94\xD0\xBE\xD0\xB1\xD1\x80\xD1\x8B\xD0\xB9 \xD0\xB4\xD0\xB5\xD0\xBD\xD1\x8C</body></html>\n"},
  };
  for (const Case& c : cases) {
    Ref<TMailMessage> mail = Fixture(c.fixture);
    EXPECT_EQ(Text(Get(mail.get(), u"Subject")), c.subject) << c.fixture;
    EXPECT_EQ(Text(Get(mail.get(), u"From")), c.from) << c.fixture;
    EXPECT_EQ(Text(Get(mail.get(), c.member)), c.text) << c.fixture;
  }
  EXPECT_EQ(Text(Get(Fixture("html-only.eml").get(), u"TextBody")), "");
}

TEST(MailMessageTest, SourceKeepsEveryByte) {
  const Bytes latin1 = test::ReadFileBytesOrEmpty(test::MailFixture("latin1-8bit.eml"));
  const WideString source = TMailMessage::FromSource(latin1)->GetSource();
  ASSERT_EQ(source.size(), latin1.size()) << "not UTF-8: one character per byte";
  for (size_t i = 0; i < latin1.size(); ++i) ASSERT_EQ(source[i], latin1[i]) << i;
  const std::string utf8 = test::ReadFileText(test::MailFixture("alternative.eml"));
  EXPECT_EQ(Utf8(Fixture("alternative.eml")->GetSource()), utf8);
}

std::string Message(const std::string& headers, const std::string& body) {
  return "From: a@example.org\r\nSubject: test\r\nDate: Tue, 1 Mar 2011 14:05:09 +0000\r\n" + headers + "\r\n" + body;
}

TEST(MailMessageTest, CharsetsThatDoNotFit) {
  struct Case {
    const char* name;
    std::string contentType;
    std::string body;
    std::string text;
  };
  const Case cases[] = {
      {"unknown charset, UTF-8 bytes", "text/plain; charset=x-unknown-charset", "\xE2\x82\xAC ok", "\xE2\x82\xAC ok"},
      {"unknown charset, Latin-1 bytes", "text/plain; charset=x-unknown-charset", "caf\xE9", "caf\xC3\xA9"},
      {"ASCII declared, UTF-8 sent", "text/plain; charset=us-ascii", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
      {"no charset, Windows-1252 sent", "text/plain", "\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"an alias", "text/plain; charset=latin1", "caf\xE9", "caf\xC3\xA9"},
      {"invalid sequences", "text/plain; charset=utf-8", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
  };
  for (const Case& c : cases) {
    Ref<TMailMessage> mail = Parse(Message("Content-Type: " + c.contentType + "\r\nContent-Transfer-Encoding: 8bit\r\n", c.body));
    EXPECT_EQ(Utf8(mail->GetTextBody()), c.text) << c.name;
  }
}

TEST(MailMessageTest, MalformedMessagesGiveWhatCanBeRead) {
  struct Case {
    const char* name;
    std::string source;
  };
  std::mt19937 random(12);
  std::string noise(100000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string nested = Message("Content-Type: multipart/mixed; boundary=b0\r\n", "");
  for (int i = 1; i < 20000; ++i) nested += "--b" + std::to_string(i - 1) + "\r\nContent-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n";
  nested += "--b19999\r\nContent-Type: text/plain\r\n\r\ndeep\r\n";
  const Case cases[] = {
      {"an empty message", ""},
      {"noise", noise},
      {"boundaries that never come", Message("Content-Type: multipart/mixed; boundary=one\r\n", "--two\r\nContent-Type: text/plain\r\n\r\ntext\r\n")},
      {"an unclosed multipart", Message("Content-Type: multipart/mixed; boundary=one\r\n", "--one\r\nContent-Type: text/plain\r\n\r\nhalf")},
      {"broken base64", Message("Content-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n", "JVBER!!!i0x\r\n===\r\nLjQ")},
      {"a huge header", Message("X-Huge: " + std::string(2 << 20, 'h') + "\r\n", "body")},
      {"many headers", Message([] { std::string h; for (int i = 0; i < 20000; ++i) h += "X-N: " + std::to_string(i) + "\r\n"; return h; }(), "body")},
      {"deep nesting", nested},
      {"a bad date", "Date: the day after tomorrow\r\nSubject: x\r\n\r\nbody"},
      {"no header end", "Subject: x\r\nFrom: a@b"},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    Ref<TMailMessage> mail = Parse(c.source);
    IDispatch* m = mail.get();
    for (const char16_t* member : {u"Subject", u"From", u"To", u"TextBody", u"HTMLBody", u"Source"}) Get(m, member);
    Variant attachments = Get(m, u"Attachments");
    const int64_t count = Get(attachments.Dispatch(), u"Count").Int();
    for (int32_t i = 1; i <= count; ++i) Get(Attachment(m, i).get(), u"Bytes");
    EXPECT_EQ(mail->Content().source.size(), c.source.size()) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.name;
  }
  EXPECT_EQ(Utf8(Parse(nested)->GetSubject()), "test") << "headers of a message nested too deeply";
  EXPECT_TRUE(Parse("Date: the day after tomorrow\r\n\r\nbody")->GetSentOn().IsEmpty());
  EXPECT_TRUE(Parse("")->GetSentOn().IsEmpty());
  EXPECT_EQ(Utf8(Parse(Message("X-Huge: " + std::string(2 << 20, 'h') + "\r\n", "body"))->Content().HeaderValue("X-Huge").value_or(u"")).size(),
            size_t{2} << 20);
}

TEST(MailMessageTest, AttachmentNamesNeverCarryAFolder) {
  const std::string body =
      "--b\r\nContent-Type: text/plain\r\n\r\nhello\r\n"
      "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"../../etc/passwd\"\r\n\r\nx\r\n"
      "--b\r\nContent-Type: application/octet-stream; name=\"C:\\\\Windows\\\\evil.exe\"\r\n\r\ny\r\n"
      "--b--\r\n";
  Ref<TMailMessage> mail = Parse(Message("Content-Type: multipart/mixed; boundary=b\r\n", body));
  ASSERT_EQ(mail->Content().attachments.size(), 2u);
  EXPECT_EQ(Text(Get(Attachment(mail.get(), 1).get(), u"FileName")), "passwd");
  EXPECT_EQ(Text(Get(Attachment(mail.get(), 2).get(), u"FileName")), "evil.exe");
  EXPECT_EQ(Text(Get(mail.get(), u"TextBody")), "hello");
}

}  // namespace
}  // namespace ulka
