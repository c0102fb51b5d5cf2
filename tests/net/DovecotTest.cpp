// Pop3 against Debian's dovecot on loopback, run from a temporary configuration: APOP, TLS from
// the first byte with a test authority, real messages parsed, deletions kept after QUIT.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <thread>

#include "NetTestSupport.h"
#include "automation/Unicode.h"
#include "net/MailAttachments.h"
#include "net/MailMessage.h"
#include "net/Pop3.h"

namespace ulka {
namespace {

using test::ServerProcess;

const char* const kFixtures[] = {"alternative.eml", "attachments.eml", "cyrillic.eml", "latin1-8bit.eml", "html-only.eml", "dotted.eml"};

// A dovecot of its own, with the given messages (or that many generated ones).
class Dovecot {
 public:
  explicit Dovecot(std::vector<std::string> messages) {
    // Run as root, the server's own accounts must reach the folder.
    chmod(dir_.Path().c_str(), 0755);
    const std::string& certs = test::TestCertificates();
    std::vector<std::string> args = {dir_ / "server", certs + "/good.pem", certs + "/good.key", "alice", "secret"};
    args.insert(args.end(), messages.begin(), messages.end());
    server_ = std::make_unique<ServerProcess>("dovecot.py", args, 30);
  }
  bool Started() const { return server_->Started(); }
  WideString PlainHost() const { return Wide("127.0.0.1:" + std::to_string(server_->Port(0))); }
  WideString TlsHost(const std::string& host = "127.0.0.1") const { return Wide(host + ":" + std::to_string(server_->Port(1))); }
  std::string Log() const { return test::ReadFileText(dir_ / "server/dovecot.log"); }

  // The login process writes its line after the client is already in, so the log is read again
  // for a while before the line counts as missing.
  bool LogShows(const std::string& text) const {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (Log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  Ref<TPop3> Client(const WideString& account = u"alice:secret") const {
    Ref<TPop3> pop = MakeRef<TPop3>();
    pop->SetHost(PlainHost());
    pop->SetAccount(account);
    pop->SetTimeoutMs(10000);
    return pop;
  }

 private:
  test::TempDir dir_;
  std::unique_ptr<ServerProcess> server_;
};

std::vector<std::string> FixturePaths() {
  std::vector<std::string> paths;
  for (const char* name : kFixtures) paths.push_back(test::MailFixture(name));
  return paths;
}

class DovecotTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new Dovecot(FixturePaths()); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(server_->Started()) << "dovecot did not start"; }

  static Dovecot* server_;
};

Dovecot* DovecotTest::server_ = nullptr;


TEST_F(DovecotTest, ApopLoginAndEveryMessageParsed) {
  Ref<TPop3> pop = server_->Client();
  ASSERT_TRUE(pop->Login());
  EXPECT_TRUE(server_->LogShows("method=APOP")) << server_->Log();
  ASSERT_EQ(pop->GetLength(), 6);
  const char* const subjects[] = {
      "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln \xE2\x80\x93 \xC3\xBCn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9",
      "Report with attachments",
      "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xB8\xD0\xB7 \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD1\x8B",
      "Sp\xC3\xA9" "cialit\xC3\xA9s du jour",
      "newsletter",
      "dots",
  };
  for (int i = 0; i < 6; ++i) {
    Ref<IDispatch> object = pop->GetMessage(i);
    ASSERT_TRUE(object) << i;
    auto* message = static_cast<TMailMessage*>(object.get());
    EXPECT_EQ(Utf8(message->GetSubject()), subjects[i]) << i;
    EXPECT_EQ(message->Content().source, test::ReadFileBytesOrEmpty(test::MailFixture(kFixtures[i]))) << i;
  }
  Ref<IDispatch> report = pop->GetMessage(1);
  EXPECT_EQ(static_cast<TMailMessage*>(report.get())->Content().attachments.size(), 4u);
  EXPECT_FALSE(pop->GetMessage(6)) << "there is no seventh message";
  EXPECT_TRUE(pop->Logout());
}

TEST_F(DovecotTest, TlsFromTheFirstByteWithTheTestAuthority) {
  for (const char* host : {"127.0.0.1", "localhost"}) {
    Ref<TPop3> pop = server_->Client();
    pop->SetHost(server_->TlsHost(host));
    pop->SetUseSSL(true);
    pop->SetCAFile(Wide(test::TestCertificates() + "/ca.pem"));
    ASSERT_TRUE(pop->Login()) << host;
    EXPECT_EQ(pop->GetLength(), 6) << host;
    EXPECT_EQ(Utf8(static_cast<TMailMessage*>(pop->GetMessage(5).get())->GetSubject()), "dots");
    EXPECT_TRUE(pop->Logout()) << host;
  }
}

TEST_F(DovecotTest, TlsWithAnUnknownAuthorityFails) {
  Ref<TPop3> pop = server_->Client();
  pop->SetHost(server_->TlsHost());
  pop->SetUseSSL(true);
  EXPECT_FALSE(pop->Login());
}

TEST_F(DovecotTest, AWrongPasswordFails) {
  EXPECT_FALSE(server_->Client(u"alice:wrong")->Login());
  EXPECT_FALSE(server_->Client(u"nobody")->Login());
}

TEST(DovecotDeleteTest, DeletionsTakeEffectAtQuit) {
  Dovecot server({"--generate", "3"});
  ASSERT_TRUE(server.Started());
  Ref<TPop3> pop = server.Client();
  ASSERT_TRUE(pop->Login());
  ASSERT_EQ(pop->GetLength(), 3);
  pop->RemoveAt(0);
  ASSERT_TRUE(pop->Logout());
  ASSERT_TRUE(pop->Login());
  ASSERT_EQ(pop->GetLength(), 2);
  EXPECT_EQ(Utf8(static_cast<TMailMessage*>(pop->GetMessage(0).get())->GetSubject()), "Message number 2");
  pop->RemoveAll();
  // Without QUIT nothing is deleted.
  ASSERT_TRUE(pop->Login());
  EXPECT_EQ(pop->GetLength(), 2);
  pop->RemoveAll();
  ASSERT_TRUE(pop->Logout());
  ASSERT_TRUE(pop->Login());
  EXPECT_EQ(pop->GetLength(), 0);
}

}  // namespace
}  // namespace ulka
