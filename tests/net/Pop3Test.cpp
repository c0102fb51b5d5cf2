// Pop3 against a scripted server: the commands it sends, APOP and its fallback, refusals at every
// step, odd greetings, dot-stuffing, sessions that break; and the Host and Account rules.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>

#include "NetTestSupport.h"
#include "automation/Unicode.h"
#include "net/MailMessage.h"
#include "net/Pop3.h"
#include "net/Pop3Client.h"

namespace ulka {
namespace {

using test::ServerProcess;

// A scripted server for one test, with the log of what it received.
class ScriptedPop3 {
 public:
  explicit ScriptedPop3(std::vector<std::string> args) {
    args.insert(args.begin(), {"--log", dir_ / "log"});
    server_ = std::make_unique<ServerProcess>("pop3_server.py", args);
  }
  bool Started() const { return server_->Started(); }
  WideString Host() const { return Wide("127.0.0.1:" + std::to_string(server_->Port())); }

  // The lines received, with "CONNECT" for each connection.
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::istringstream in(test::ReadFileText(dir_ / "log"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  Ref<TPop3> Client(const WideString& account = u"alice:secret") const {
    Ref<TPop3> pop = MakeRef<TPop3>();
    pop->SetHost(Host());
    pop->SetAccount(account);
    pop->SetTimeoutMs(2000);
    return pop;
  }

 private:
  test::TempDir dir_;
  std::unique_ptr<ServerProcess> server_;
};

using Lines = std::vector<std::string>;
const std::string kApopDigest = ApopDigest("<1896.697170952@dbc.example>", "secret");

TEST(Pop3Test, UserAndPassWithoutTimestampThenStatRetrDeleQuit) {
  ScriptedPop3 server({"--greeting", "+OK plain server ready", "--message", test::MailFixture("alternative.eml"),
                       "--message", test::MailFixture("dotted.eml")});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  ASSERT_TRUE(pop->Login());
  EXPECT_EQ(pop->GetLength(), 2);
  Ref<IDispatch> message = pop->GetMessage(0);  // the server's message 1
  ASSERT_TRUE(message);
  EXPECT_EQ(Utf8(static_cast<TMailMessage*>(message.get())->GetSubject()), "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln \xE2\x80\x93 \xC3\xBCn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9");
  pop->RemoveAt(1);
  pop->RemoveAll();
  EXPECT_TRUE(pop->Logout());
  EXPECT_EQ(server.Log(), (Lines{"CONNECT", "USER alice", "PASS secret", "STAT", "RETR 1", "DELE 2", "STAT", "DELE 1", "DELE 2", "QUIT"}));
}

TEST(Pop3Test, ApopWhenTheGreetingHasATimestamp) {
  ScriptedPop3 server({});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  EXPECT_TRUE(pop->Login());
  EXPECT_EQ(server.Log(), (Lines{"CONNECT", "APOP alice " + kApopDigest}));
}

TEST(Pop3Test, ARefusedApopReconnectsForUserAndPass) {
  ScriptedPop3 server({"--apop-fails"});
  ASSERT_TRUE(server.Started());
  EXPECT_TRUE(server.Client()->Login());
  EXPECT_EQ(server.Log(), (Lines{"CONNECT", "APOP alice " + kApopDigest, "CONNECT", "USER alice", "PASS secret"}));
}

TEST(Pop3Test, ApopDigestIsTheMd5OfTimestampAndSecret) {
  // The example of RFC 1939.
  EXPECT_EQ(ApopDigest("<1896.697170952@dbc.mtview.ca.us>", "tanstaaf"), "c4c9334bac560ecc979e58001b3e22fb");
}

TEST(Pop3Test, OddGreetings) {
  struct Case {
    const char* greeting;
    bool loggedIn;
    Lines log;
  };
  const Case cases[] = {
      {"+OK", true, {"CONNECT", "USER alice", "PASS secret"}},
      {"+OK <>", true, {"CONNECT", "USER alice", "PASS secret"}},
      {"+OK <no stamp> here", true, {"CONNECT", "USER alice", "PASS secret"}},
      {"+OK ready <unclosed", true, {"CONNECT", "USER alice", "PASS secret"}},
      {"+OK<1896.697170952@dbc.example>", true, {"CONNECT", "APOP alice " + kApopDigest}},
      {"-ERR go away", false, {"CONNECT"}},
      {"HELLO THERE", false, {"CONNECT"}},
  };
  for (const Case& c : cases) {
    ScriptedPop3 server({"--greeting", c.greeting});
    ASSERT_TRUE(server.Started());
    EXPECT_EQ(server.Client()->Login(), c.loggedIn) << c.greeting;
    EXPECT_EQ(server.Log(), c.log) << c.greeting;
  }
}

TEST(Pop3Test, RefusalsAtEachStep) {
  const std::string message = test::MailFixture("dotted.eml");
  {
    ScriptedPop3 server({"--greeting", "+OK", "--fail", "USER"});
    ASSERT_TRUE(server.Started());
    EXPECT_FALSE(server.Client()->Login());
  }
  {
    ScriptedPop3 server({"--greeting", "+OK", "--fail", "PASS"});
    ASSERT_TRUE(server.Started());
    EXPECT_FALSE(server.Client()->Login());
  }
  {
    ScriptedPop3 server({"--fail", "STAT", "--message", message});
    ASSERT_TRUE(server.Started());
    Ref<TPop3> pop = server.Client();
    ASSERT_TRUE(pop->Login());
    EXPECT_EQ(pop->GetLength(), 0);
    pop->RemoveAll();  // no count: nothing deleted
    EXPECT_EQ(server.Log(), (Lines{"CONNECT", "APOP alice " + kApopDigest, "STAT", "STAT"}));
  }
  {
    ScriptedPop3 server({"--fail", "RETR", "--fail", "DELE", "--fail", "QUIT", "--message", message});
    ASSERT_TRUE(server.Started());
    Ref<TPop3> pop = server.Client();
    ASSERT_TRUE(pop->Login());
    EXPECT_FALSE(pop->GetMessage(0));
    EXPECT_EQ(pop->GetLength(), 1) << "a refused RETR leaves the session usable";
    pop->RemoveAt(0);
    EXPECT_FALSE(pop->Logout());
  }
}

TEST(Pop3Test, GarbageRepliesEndTheSession) {
  ScriptedPop3 server({"--garbage", "STAT", "--message", test::MailFixture("dotted.eml")});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  ASSERT_TRUE(pop->Login());
  EXPECT_EQ(pop->GetLength(), 0);
  EXPECT_FALSE(pop->GetMessage(0));
  EXPECT_FALSE(pop->Logout());
  EXPECT_EQ(server.Log(), (Lines{"CONNECT", "APOP alice " + kApopDigest, "STAT"}));
}

TEST(Pop3Test, DotStuffedLinesComeBackAsSent) {
  ScriptedPop3 server({"--message", test::MailFixture("dotted.eml")});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  ASSERT_TRUE(pop->Login());
  Ref<IDispatch> message = pop->GetMessage(0);
  ASSERT_TRUE(message);
  auto* mail = static_cast<TMailMessage*>(message.get());
  EXPECT_EQ(Utf8(mail->GetSource()), test::ReadFileText(test::MailFixture("dotted.eml")));
  EXPECT_EQ(Utf8(mail->GetTextBody()), ".\r\n..\r\n.leading dot\r\n...three\r\nend.\r\n");
}

TEST(Pop3Test, MessagesCutOffOrStalledAnswerNull) {
  for (const char* how : {"--close-in-retr", "--stall-in-retr"}) {
    ScriptedPop3 server({how, "--message", test::MailFixture("attachments.eml")});
    ASSERT_TRUE(server.Started());
    Ref<TPop3> pop = server.Client();
    pop->SetTimeoutMs(1000);
    ASSERT_TRUE(pop->Login());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pop->GetMessage(0)) << how;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << how;
    EXPECT_EQ(pop->GetLength(), 0) << how << ": the session is over";
  }
}

TEST(Pop3Test, MessagesBeyondTheLimitAnswerNull) {
  ScriptedPop3 server({"--message", test::MailFixture("attachments.eml"), "--message", test::MailFixture("dotted.eml")});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  pop->SetMaxMessageBytes(1000);
  ASSERT_TRUE(pop->Login());
  EXPECT_FALSE(pop->GetMessage(0));
  ASSERT_TRUE(pop->Login());
  EXPECT_TRUE(pop->GetMessage(1));
}

TEST(Pop3Test, WithoutASessionNothingIsSent) {
  Ref<TPop3> pop = MakeRef<TPop3>();
  pop->SetHost(u"127.0.0.1:1");
  EXPECT_FALSE(pop->Login());
  EXPECT_EQ(pop->GetLength(), 0);
  EXPECT_FALSE(pop->GetMessage(0));
  pop->RemoveAt(0);
  pop->RemoveAll();
  EXPECT_FALSE(pop->Logout());
}

TEST(Pop3Test, LineBreaksInTheAccountAreRefused) {
  ScriptedPop3 server({"--greeting", "+OK"});
  ASSERT_TRUE(server.Started());
  EXPECT_FALSE(server.Client(u"alice\r\nDELE 1:secret")->Login());
  EXPECT_FALSE(server.Client(u"alice:secret\nQUIT")->Login());
  EXPECT_EQ(server.Log(), Lines{});
}

TEST(Pop3Test, TlsToAPlainServerFails) {
  ScriptedPop3 server({"--greeting", "+OK"});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  pop->SetUseSSL(true);
  EXPECT_EQ(pop->GetHost(), server.Host()) << "UseSSL keeps the port";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(pop->Login());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Pop3Test, HostAndAccountRules) {
  Ref<TPop3> pop = MakeRef<TPop3>();
  EXPECT_EQ(pop->GetHost(), u"127.0.0.1:110");
  EXPECT_EQ(pop->GetAccount(), u":");
  EXPECT_FALSE(pop->GetUseSSL());
  struct Case {
    const char16_t* set;
    const char16_t* get;
  };
  const Case hosts[] = {
      {u"mail.example:995", u"mail.example:995"},
      {u"mail.example", u"mail.example:110"},  // the port goes back to 110
      {u"mail.example:995:x", u"mail.example:995:x"},
      {u"[::1]:995", u"[::1]:995"},
      {u"[::1]", u"[::1]:110"},
  };
  for (const Case& c : hosts) {
    pop->SetHost(c.set);
    EXPECT_EQ(pop->GetHost(), c.get);
  }
  const Case accounts[] = {
      {u"bob", u"bob:bob"},
      {u"bob:pw", u"bob:pw"},
      {u"bob:pw:with:colons", u"bob:pw:with:colons"},
      {u":pw", u":pw"},
  };
  for (const Case& c : accounts) {
    pop->SetAccount(c.set);
    EXPECT_EQ(pop->GetAccount(), c.get);
  }
  pop->SetUseSSL(true);
  pop->SetHost(u"mail.example");
  EXPECT_EQ(pop->GetHost(), u"mail.example:110") << "UseSSL does not change the port";
}

}  // namespace
}  // namespace ulka
