// The call queues of script threads: steps run on their thread, waits serve the waiter's own
// queue (so two threads calling each other never deadlock), and ended threads refuse steps.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "automation/ThreadQueue.h"

namespace ulka {
namespace {

// A thread with a queue that serves it until told to stop.
class Worker {
 public:
  Worker() {
    thread_ = std::thread([this] {
      id_ = std::this_thread::get_id();
      OpenThreadQueue();
      ready_ = true;
      WaitServingQueue([this] { return stop_.load(); });
      CloseThreadQueue();
    });
    while (!ready_) std::this_thread::yield();
  }
  ~Worker() {
    stop_ = true;
    WakeWaitingThreads();
    thread_.join();
  }
  std::thread::id Id() const { return id_; }

 private:
  std::thread thread_;
  std::thread::id id_;
  std::atomic<bool> ready_{false}, stop_{false};
};

TEST(ThreadQueue, StepsRunOnTheirThreadAndHandBackWhatTheyThrow) {
  Worker worker;
  std::thread::id ranOn;
  ASSERT_TRUE(RunOnThread(worker.Id(), [&] { ranOn = std::this_thread::get_id(); }));
  EXPECT_EQ(ranOn, worker.Id());
  EXPECT_THROW(RunOnThread(worker.Id(), [] { throw std::runtime_error("inside"); }), std::runtime_error);
  // On the caller's own thread the step runs at once.
  bool ran = false;
  EXPECT_TRUE(RunOnThread(std::this_thread::get_id(), [&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST(ThreadQueue, TwoThreadsCallingEachOtherDoNotDeadlock) {
  Worker a, b;
  std::atomic<int> depth{0};
  // a asks b, which asks a back while a waits: a serves its own queue meanwhile.
  ASSERT_TRUE(RunOnThread(a.Id(), [&] {
    RunOnThread(b.Id(), [&] {
      RunOnThread(a.Id(), [&] { depth = 3; });
    });
  }));
  EXPECT_EQ(depth, 3);
}

TEST(ThreadQueue, AThreadWithoutQueueRefusesSteps) {
  std::thread::id gone;
  std::thread([&] {
    gone = std::this_thread::get_id();
    OpenThreadQueue();
    CloseThreadQueue();
  }).join();
  bool ran = false;
  EXPECT_FALSE(RunOnThread(gone, [&] { ran = true; }));
  EXPECT_FALSE(PostToThread(gone, [&] { ran = true; }));
  EXPECT_FALSE(ran);
}

TEST(ThreadQueue, PostedStepsRunWhenTheThreadNextWaits) {
  std::atomic<int> count{0};
  Worker worker;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(PostToThread(worker.Id(), [&] { ++count; }));
  EXPECT_TRUE(WaitServingQueue([&] { return count.load() == 100; }, 5000));
}

TEST(ThreadQueue, TheMainThreadIsTheOneThatStartedTheProgram) {
  EXPECT_TRUE(IsMainThread());
  bool workerIsMain = true;
  std::thread([&] { workerIsMain = IsMainThread(); }).join();
  EXPECT_FALSE(workerIsMain);
}

TEST(ThreadQueue, AWaitWithATimeLimitEnds) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitServingQueue([] { return false; }, 30));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace ulka
