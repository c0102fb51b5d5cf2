#include "desktop/WshExec.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "desktop/DesktopErrors.h"

namespace ulka {
namespace {

// The child's standard output and error, read together: whichever stream a reader waits for,
// what arrives on the other is kept for later.
class ProcessOutput {
 public:
  ProcessOutput(UniqueFd output, UniqueFd error) {
    fds_[0] = std::move(output);
    fds_[1] = std::move(error);
  }

  size_t Read(int which, uint8_t* buffer, size_t size) {
    std::lock_guard guard(lock_);
    for (;;) {
      Bytes& kept = kept_[which];
      if (!kept.empty()) {
        const size_t n = std::min(size, kept.size());
        std::memcpy(buffer, kept.data(), n);
        kept.erase(kept.begin(), kept.begin() + static_cast<ptrdiff_t>(n));
        return n;
      }
      if (!fds_[which]) return 0;
      WaitAndDrain();
    }
  }

 private:
  void WaitAndDrain() {
    std::array<pollfd, 2> waits{};
    nfds_t count = 0;
    std::array<int, 2> streams{};
    for (int i = 0; i < 2; ++i) {
      if (!fds_[i]) continue;
      waits[count] = {fds_[i].get(), POLLIN, 0};
      streams[count++] = i;
    }
    if (::poll(waits.data(), count, -1) < 0) {
      if (errno == EINTR) return;
      FailSystemError(errno, DesktopError::FileNotFound);
    }
    for (nfds_t k = 0; k < count; ++k) {
      if (waits[k].revents) Drain(streams[k]);
    }
  }

  void Drain(int which) {
    Bytes& kept = kept_[which];
    const size_t before = kept.size();
    kept.resize(before + kChunk);
    ssize_t got = ::read(fds_[which].get(), kept.data() + before, kChunk);
    kept.resize(before + (got > 0 ? static_cast<size_t>(got) : 0));
    if (got < 0 && errno == EINTR) return;
    if (got <= 0) fds_[which].Close();
  }

  static constexpr size_t kChunk = 64 * 1024;

  std::mutex lock_;
  std::array<UniqueFd, 2> fds_;
  std::array<Bytes, 2> kept_;
};

class OutputSource : public ByteSource {
 public:
  OutputSource(std::shared_ptr<ProcessOutput> output, int which) : output_(std::move(output)), which_(which) {}
  size_t ReadSome(uint8_t* buffer, size_t size) override { return output_->Read(which_, buffer, size); }

 private:
  std::shared_ptr<ProcessOutput> output_;
  int which_;
};

}  // namespace

const InterfaceInfo& TWshExec::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TWshExec>("IWshExec", "{5EF845CE-97C3-4211-8636-445B9857600A}")
          .Getter(1, "Status", &TWshExec::GetStatus)
          .Getter(2, "StdIn", &TWshExec::GetStdIn)
          .Getter(3, "StdOut", &TWshExec::GetStdOut)
          .Getter(4, "StdErr", &TWshExec::GetStdErr)
          .Getter(5, "ProcessID", &TWshExec::GetProcessID)
          .Getter(6, "ExitCode", &TWshExec::GetExitCode)
          .Method(7, "Terminate", &TWshExec::Terminate)
          .Build();
  return info;
}

TWshExec::TWshExec(ChildProcess child) : TVekObject(Info()), FPid(child.pid) {
  auto output = std::make_shared<ProcessOutput>(std::move(child.output), std::move(child.error));
  FStdIn = MakeRef<TTextStream>(PipeSink(child.input.Release()), TextFormat::System, LineEnd::Program);
  FStdOut = MakeRef<TTextStream>(std::make_unique<OutputSource>(output, 0), TextFormat::System);
  FStdErr = MakeRef<TTextStream>(std::make_unique<OutputSource>(output, 1), TextFormat::System);
}

TWshExec::~TWshExec() {
  if (!FFinished) Poll();
  if (!FFinished) ReapWhenDone(FPid);
}

void TWshExec::Poll() {
  if (FFinished) return;
  if (std::optional<int> code = PollChild(FPid)) {
    FFinished = true;
    FExitCode = *code;
  }
}

int32_t TWshExec::GetStatus() {
  Poll();
  return FFinished ? 1 : 0;
}

int32_t TWshExec::GetExitCode() {
  Poll();
  return FFinished ? FExitCode : 0;
}

void TWshExec::Terminate() {
  Poll();
  if (FFinished) return;
  ::kill(FPid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!FFinished && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Poll();
  }
  if (FFinished) return;
  ::kill(FPid, SIGKILL);
  int status = 0;
  while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
  }
  FExitCode = ExitCodeOf(status);
  FFinished = true;
}

}  // namespace ulka
