#include <gtest/gtest.h>

#include "automation/ByteConvert.h"
#include "automation/Urls.h"
#include "web/Protocol.h"
#include "web/SchemeNames.h"

namespace ulka {
namespace {

// A handler whose default member answers what the test asks for and records the names asked.
class TTestHandler : public TVekObject {
 public:
  enum class Answer { Bytes, Text, Throw, ThrowOnHash };
  static const InterfaceInfo& Info() {
    static const InterfaceInfo info = InterfaceBuilder<TTestHandler>("ITestHandler", "{00000000-0000-0000-0000-00000000AB01}")
                                          .Method(0, "Get", &TTestHandler::Get, {Arg("Name")})
                                          .Build();
    return info;
  }
  explicit TTestHandler(Answer answer) : TVekObject(Info()), answer_(answer) {}
  Variant Get(const WideString& Name) {
    names.push_back(Name);
    if (answer_ == Answer::Throw) Fail("handler failed");
    if (answer_ == Answer::ThrowOnHash && Name.find(u'#') != WideString::npos) Fail("no fragments");
    if (answer_ == Answer::Text) return Variant(Name);
    return Variant::FromBytes(Bytes(Name.begin(), Name.end()));
  }
  std::vector<WideString> names;

 private:
  Answer answer_;
};

TEST(Protocol, ReadCallsTheDefaultMember) {
  auto handler = MakeRef<TTestHandler>(TTestHandler::Answer::Bytes);
  auto protocol = MakeRef<TProtocol>();
  protocol->Register(u"tst", handler.get());
  Variant data = protocol->Read(u"img/a.png");
  EXPECT_EQ(VarToBytes(data), Bytes({'i', 'm', 'g', '/', 'a', '.', 'p', 'n', 'g'}));
  EXPECT_EQ(protocol->GetNameSpace(), u"tst");
}

TEST(Protocol, FailingHandlerIsRetriedWithoutTheFragment) {
  auto handler = MakeRef<TTestHandler>(TTestHandler::Answer::ThrowOnHash);
  auto protocol = MakeRef<TProtocol>();
  protocol->Register(u"tst", handler.get());
  EXPECT_TRUE(protocol->Read(u"page.html#part").IsArray());
  EXPECT_EQ(handler->names, (std::vector<WideString>{u"page.html#part", u"page.html"}));
  auto failing = MakeRef<TTestHandler>(TTestHandler::Answer::Throw);
  protocol->Register(u"tst", failing.get());
  EXPECT_TRUE(protocol->Read(u"x").IsEmpty());  // the failure is not passed on
}

TEST(Protocol, LoaderServesOnlyByteArrays) {
  auto handler = MakeRef<TTestHandler>(TTestHandler::Answer::Bytes);
  auto protocol = MakeRef<TProtocol>();
  protocol->Register(u"tst", handler.get());
  auto loaded = LoadUrl(u"tst:a b");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(*loaded, Bytes({'a', ' ', 'b'}));
  auto text = MakeRef<TTestHandler>(TTestHandler::Answer::Text);
  protocol->Register(u"tst", text.get());
  EXPECT_FALSE(LoadUrl(u"tst:a"));
  auto failing = MakeRef<TTestHandler>(TTestHandler::Answer::Throw);
  protocol->Register(u"tst", failing.get());
  EXPECT_FALSE(LoadUrl(u"tst:a"));
}

TEST(Protocol, RegisterAgainReplacesAndReleaseUnregisters) {
  auto handler = MakeRef<TTestHandler>(TTestHandler::Answer::Bytes);
  {
    auto protocol = MakeRef<TProtocol>();
    protocol->Register(u"one", handler.get());
    protocol->Register(u"two", handler.get());
    EXPECT_FALSE(IsRegisteredScheme("one"));
    EXPECT_TRUE(IsRegisteredScheme("two"));
    EXPECT_FALSE(LoadUrl(u"one:x"));
    EXPECT_TRUE(LoadUrl(u"two:x"));
  }
  EXPECT_FALSE(IsRegisteredScheme("two"));
  EXPECT_FALSE(LoadUrl(u"two:x"));
}

TEST(SchemeNames, TranslationAtTheEngineBoundary) {
  AddRegisteredScheme("ulka");
  struct Case {
    const char* script;
    const char* engine;
  } cases[] = {
      {"ulka:index.html", "ulka:///index.html"},
      {"ulka:sub/page.html?q=1#top", "ulka:///sub/page.html?q=1#top"},
      {"ULKA:a.html", "ulka:///a.html"},
      {"https://example.com/a", "https://example.com/a"},
      {"about:blank", "about:blank"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToEngineUrl(c.script), c.engine) << c.script;
  EXPECT_EQ(ToEngineUrl("ulka:/rooted.html"), "ulka:/rooted.html");
  EXPECT_EQ(FromEngineUrl("ulka:///sub/page.html"), "ulka:sub/page.html");
  EXPECT_EQ(FromEngineUrl("https://example.com/a"), "https://example.com/a");
  RemoveRegisteredScheme("ulka");
}

TEST(SchemeNames, HandlerNames) {
  EXPECT_EQ(HandlerName("ulka:///img/logo.png", true), u"img/logo.png");
  EXPECT_EQ(HandlerName("ulka:///a%20b.txt", true), u"a b.txt");
  EXPECT_EQ(HandlerName("ulka:///a%20b.txt", false), u"a%20b.txt");
  EXPECT_EQ(HandlerName("ulka:///page.html?x=1", true), u"page.html?x=1");
  EXPECT_EQ(HandlerName("ulka:/img/logo.png", true), u"/img/logo.png");  // a rooted name keeps its "/"
  EXPECT_EQ(HandlerName("ulka://x", true), u"//x");
  EXPECT_EQ(HandlerName("ulka:img/logo.png", false), u"img/logo.png");
}

}  // namespace
}  // namespace ulka
