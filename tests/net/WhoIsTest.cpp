// WhoIs against scripted servers: the line framing, servers that stall, ramble or cannot be
// reached, and the referral that the default server's answers carry.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "NetTestSupport.h"
#include "automation/Unicode.h"
#include "net/WhoIs.h"
#include "net/WhoIsClient.h"

namespace ulka {
namespace {

using test::ServerProcess;

class ScriptedWhoIs {
 public:
  explicit ScriptedWhoIs(std::vector<std::string> args) {
    args.insert(args.begin(), {"--log", dir_ / "log"});
    server_ = std::make_unique<ServerProcess>("whois_server.py", args);
  }
  bool Started() const { return server_->Started(); }
  int Port() const { return server_->Port(); }
  std::string Address(const std::string& host = "127.0.0.1") const { return host + ":" + std::to_string(Port()); }
  std::string Log() const { return test::ReadFileText(dir_ / "log"); }

 private:
  test::TempDir dir_;
  std::unique_ptr<ServerProcess> server_;
};

WideString LookUp(const ScriptedWhoIs& server, const char* domain, int lineTimeoutMs = 15000) {
  Ref<TWhoIs> whois = MakeRef<TWhoIs>();
  whois->SetHost(Wide(server.Address()));
  whois->SetLineTimeoutMs(lineTimeoutMs);
  return whois->Lookup(Wide(domain));
}

TEST(WhoIsTest, EveryLineFollowsALineFeedAndTheAnswerEndsWithOne) {
  struct Case {
    const char* answer;
    const char* expected;
  };
  const Case cases[] = {
      {"line 1\\r\\nline 2\\r\\n", "\nline 1\nline 2\n"},
      {"line 1\\nline 2\\n", "\nline 1\nline 2\n"},
      {"no final line end", "\nno final line end\n"},
      {"", "\n"},
      {"caf\\xe9\\r\\n", "\ncaf\xC3\xA9\n"},  // not UTF-8: byte by byte
      {"caf\xC3\xA9\\r\\n", "\ncaf\xC3\xA9\n"},
  };
  for (const Case& c : cases) {
    ScriptedWhoIs server({"--answer", c.answer});
    ASSERT_TRUE(server.Started());
    EXPECT_EQ(Utf8(LookUp(server, "example.com")), c.expected) << c.answer;
    EXPECT_EQ(server.Log(), "b'example.com\\r\\n'\n") << "the query is the domain and CR LF";
  }
}

TEST(WhoIsTest, AStalledServerEndsTheAnswerAfterTheLineLimit) {
  ScriptedWhoIs server({"--answer", "first\\r\\nsecond\\r\\npartial", "--stall-after", "20"});
  ASSERT_TRUE(server.Started());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Utf8(LookUp(server, "example.com", 1000)), "\nfirst\nsecond\nparti\n");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(WhoIsTest, EndlessAnswersAreCut) {
  ScriptedWhoIs server({"--endless"});
  ASSERT_TRUE(server.Started());
  WhoIsQuery query;
  query.server = server.Address();
  query.maxAnswerBytes = 1 << 20;
  const std::string answer = WhoIsLookup("example.com", query);
  EXPECT_GE(answer.size(), size_t{1} << 20);
  EXPECT_LT(answer.size(), size_t{3} << 20);
  EXPECT_EQ(answer.front(), '\n');
  EXPECT_EQ(answer.back(), '\n');
}

TEST(WhoIsTest, UnreachableServersAnswerEmpty) {
  Ref<TWhoIs> whois = MakeRef<TWhoIs>();
  for (const char16_t* host : {u"127.0.0.1:1", u"", u"[::1", u"127.0.0.1:99999"}) {
    whois->SetHost(host);
    EXPECT_EQ(whois->Lookup(u"example.com"), u"") << Utf8(host);
  }
}

TEST(WhoIsTest, QueriesWithLineBreaksAreRefused) {
  ScriptedWhoIs server({"--answer", "x\\n"});
  ASSERT_TRUE(server.Started());
  EXPECT_EQ(LookUp(server, "example.com\r\nsecond query"), u"");
  EXPECT_EQ(server.Log(), "");
}

TEST(WhoIsTest, TheDefaultServerAnswersForEveryTopLevelDomainAndIsFollowed) {
  Ref<TWhoIs> whois = MakeRef<TWhoIs>();
  EXPECT_EQ(whois->GetHost(), u"whois.iana.org");
  whois->SetHost(u"whois.example.net");
  EXPECT_EQ(whois->GetHost(), u"whois.example.net");
}

TEST(WhoIsTest, AReferralIsFollowedOnceWhenAsked) {
  // The registry on another loopback address, the root server pointing at it as IANA's does.
  ScriptedWhoIs registry({"--bind", "127.0.0.2", "--answer", "Domain Name: EXAMPLE.COM\\r\\nRegistrar: Test\\r\\n"});
  ASSERT_TRUE(registry.Started());
  ScriptedWhoIs root({"--answer", "% IANA WHOIS server\\r\\n\\r\\nrefer:        " + registry.Address("127.0.0.2") + "\\r\\n\\r\\ndomain: COM\\r\\n"});
  ASSERT_TRUE(root.Started());
  WhoIsQuery query;
  query.server = root.Address();
  EXPECT_EQ(ReferralServer(WhoIsLookup("example.com", query)), registry.Address("127.0.0.2"));
  query.followReferral = true;
  EXPECT_EQ(WhoIsLookup("example.com", query), "\nDomain Name: EXAMPLE.COM\nRegistrar: Test\n");
  EXPECT_EQ(registry.Log(), "b'example.com\\r\\n'\n");

  // A referral nobody answers leaves the first answer.
  ScriptedWhoIs dangling({"--answer", "refer: 127.0.0.1:1\\n"});
  ASSERT_TRUE(dangling.Started());
  query.server = dangling.Address();
  EXPECT_EQ(WhoIsLookup("example.com", query), "\nrefer: 127.0.0.1:1\n");
}

}  // namespace
}  // namespace ulka
