// The network clients on several threads at once, as script threads use them: objects that wait
// do not hold up others, a shared object serialises its calls, and the main thread's GLib loop
// keeps turning while a worker waits on the network.
#include <gtest/gtest.h>

#include <glib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "NetTestSupport.h"
#include "automation/Unicode.h"
#include "net/Http.h"
#include "net/MailMessage.h"
#include "net/Pop3.h"
#include "net/WhoIs.h"

namespace ulka {
namespace {

using test::ServerProcess;
using namespace std::chrono_literals;

class ThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    http_ = new ServerProcess("http_server.py", {});
  }
  static void TearDownTestSuite() {
    delete http_;
    http_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(http_->Started()); }

  static WideString Url(const std::string& path) { return Wide("http://127.0.0.1:" + std::to_string(http_->Port()) + path); }
  static Ref<THttp> NewHttp() {
    Ref<THttp> http = MakeRef<THttp>();
    http->SetProxy(u"");
    return http;
  }

  static ServerProcess* http_;
};

ServerProcess* ThreadTest::http_ = nullptr;

TEST_F(ThreadTest, AWaitingObjectDoesNotHoldUpAnother) {
  std::atomic<bool> slowDone{false};
  std::string slowBody;
  std::thread slow([&] {
    Ref<THttp> http = NewHttp();
    slowBody = test::TextOf(http->Get(Url("/stall?seconds=3")));
    slowDone = true;
  });
  std::this_thread::sleep_for(200ms);
  bool fastFinishedFirst = false;
  std::thread fast([&] {
    Ref<THttp> http = NewHttp();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(test::TextOf(http->Get(Url("/echo"))).starts_with("GET /echo\n"));
    fastFinishedFirst = !slowDone;
  });
  fast.join();
  slow.join();
  EXPECT_TRUE(fastFinishedFirst);
  EXPECT_EQ(slowBody, "late");
}

TEST_F(ThreadTest, ASharedObjectServesEachThreadInTurn) {
  Ref<THttp> http = NewHttp();
  std::vector<std::thread> threads;
  std::atomic<int> correct{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        const std::string path = "/echo?thread=" + std::to_string(t) + "&i=" + std::to_string(i);
        if (test::TextOf(http->Get(Url(path))).starts_with("GET " + path + "\n")) ++correct;
        http->GetResultCode();
        http->SetUserAgent(u"agent " + Wide(std::to_string(t)));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(correct, 40);
}

TEST_F(ThreadTest, TheMainLoopTurnsWhileWorkersWait) {
  test::TempDir dir;
  ServerProcess pop3("pop3_server.py", {"--log", dir / "log", "--stall-in-retr", "--message", test::MailFixture("attachments.eml")});
  ServerProcess whois("whois_server.py", {"--log", dir / "whois.log", "--answer", "a\\n", "--stall-after", "1"});
  ASSERT_TRUE(pop3.Started());
  ASSERT_TRUE(whois.Started());

  std::atomic<int> running{3};
  std::thread httpWorker([&] {
    Ref<THttp> http = NewHttp();
    http->SetTimeout(1000);
    EXPECT_TRUE(http->Get(Url("/stall?seconds=20")).IsNull());
    --running;
  });
  std::thread popWorker([&] {
    Ref<TPop3> pop = MakeRef<TPop3>();
    pop->SetHost(Wide("127.0.0.1:" + std::to_string(pop3.Port())));
    pop->SetAccount(u"alice:secret");
    pop->SetTimeoutMs(1000);
    EXPECT_TRUE(pop->Login());
    EXPECT_FALSE(pop->GetMessage(0));
    --running;
  });
  std::thread whoisWorker([&] {
    Ref<TWhoIs> lookup = MakeRef<TWhoIs>();
    lookup->SetHost(Wide("127.0.0.1:" + std::to_string(whois.Port())));
    lookup->SetLineTimeoutMs(1000);
    EXPECT_EQ(lookup->Lookup(u"example.com"), u"\na\n");
    --running;
  });

  // The main thread's default context, as the windowed host runs it.
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  struct State {
    std::atomic<int>* running;
    GMainLoop* loop;
    int ticks = 0;
  } state{&running, loop};
  g_timeout_add(20, [](gpointer data) -> gboolean {
    auto* s = static_cast<State*>(data);
    ++s->ticks;
    if (*s->running == 0) g_main_loop_quit(s->loop);
    return G_SOURCE_CONTINUE;
  }, &state);
  const auto start = std::chrono::steady_clock::now();
  g_main_loop_run(loop);
  const auto took = std::chrono::steady_clock::now() - start;
  g_main_loop_unref(loop);
  httpWorker.join();
  popWorker.join();
  whoisWorker.join();
  // A tick is due every 20 ms; a loop that kept turning saw a good share of them even on a busy
  // machine, while a loop held up by the workers would have seen one or two.
  EXPECT_GE(state.ticks, std::max<int64_t>(10, std::chrono::duration_cast<std::chrono::milliseconds>(took).count() / 100));
  EXPECT_GE(took, 900ms);
}

TEST(MailThreadTest, MessagesAreParsedOnManyThreadsAtOnce) {
  const Bytes source = test::ReadFileBytesOrEmpty(test::MailFixture("attachments.eml"));
  const std::string expected = Utf8(TMailMessage::FromSource(source)->GetTextBody());
  std::atomic<int> same{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        Ref<TMailMessage> mail = TMailMessage::FromSource(source);
        if (Utf8(mail->GetTextBody()) == expected && mail->Content().attachments.size() == 4) ++same;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(same, 200);
}

}  // namespace
}  // namespace ulka
