// Whole-program figure for the page bridge: microseconds per page-to-host call
// (`window.external.x.GetLength(v)` in a page loop, and `x.GetLength(v)` alone) against a raw
// Unix-socket round trip between two processes, measured in the same run. Each figure is taken
// over ten chunks of calls: the fastest chunk and the median one. Prints the ratios; exits 0.
//   bench_bridge [calls]        (run under an X server, e.g. xvfb-run)
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/bridge/PageHost.h"
#include "tests/bridge/ProbeObject.h"

namespace {

// A child process that answers every 64-byte message with the same bytes.
struct EchoPeer {
  int fd = -1;
  pid_t pid = -1;

  bool Start() {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    pid = fork();
    if (pid == 0) {
      close(pair[0]);
      char buffer[64];
      for (;;) {
        if (!Exchange(pair[1], buffer, false)) _exit(0);
      }
    }
    close(pair[1]);
    fd = pair[0];
    return pid > 0;
  }

  // Reads one message and writes it back (echo side), or writes one and reads the answer.
  static bool Exchange(int fd, char* buffer, bool writeFirst) {
    auto full = [fd, buffer](bool write) {
      size_t done = 0;
      while (done < 64) {
        ssize_t n = write ? ::write(fd, buffer + done, 64 - done) : ::read(fd, buffer + done, 64 - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
      }
      return true;
    };
    return writeFirst ? full(true) && full(false) : full(false) && full(true);
  }

  // The fastest and the median of ten chunks, as the page measures its calls.
  std::pair<double, double> Chunks(int count) {
    std::vector<double> figures;
    for (int k = 0; k < 10; ++k) figures.push_back(MicrosecondsPerRoundTrip(std::max(1, count / 10)));
    std::sort(figures.begin(), figures.end());
    return {figures[0], figures[5]};
  }

  double MicrosecondsPerRoundTrip(int count) {
    char buffer[64] = {1};
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
      if (!Exchange(fd, buffer, true)) return -1;
    }
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / count;
  }

  ~EchoPeer() {
    if (fd >= 0) close(fd);
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 20000;
  EchoPeer peer;  // forked before any thread exists
  if (!peer.Start()) {
    std::fprintf(stderr, "no echo process\n");
    return 1;
  }
  peer.MicrosecondsPerRoundTrip(1000);  // warm up

  using namespace ulka;
  test::PageHost host;
  host.External().AddMember(u"x", Variant(static_cast<IDispatch*>(MakeRef<test::TBridgeProbe>().get())));
  const auto rawBefore = peer.Chunks(calls);
  std::string title = host.Load("ulka:///bench.html#" + std::to_string(calls));
  const auto rawAfter = peer.Chunks(calls);
  double fastest = 0, median = 0, singleFastest = 0, singleMedian = 0;
  if (std::sscanf(title.c_str(), "US %lf %lf %lf %lf", &fastest, &median, &singleFastest, &singleMedian) != 4) {
    std::fprintf(stderr, "the page did not run: %s\n", title.c_str());
    return 1;
  }
  const double rawFastest = std::min(rawBefore.first, rawAfter.first);
  const double rawMedian = (rawBefore.second + rawAfter.second) / 2;
  std::printf("raw Unix-socket round trip: fastest %.2f us, median %.2f us\n", rawFastest, rawMedian);
  std::printf("window.external.x.GetLength(v): fastest %.2f us, median %.2f us; ratio %.2f / %.2f (target: at most 3)\n",
              fastest, median, fastest / rawFastest, median / rawMedian);
  std::printf("x.GetLength(v), one round trip: fastest %.2f us, median %.2f us; ratio %.2f / %.2f\n", singleFastest,
              singleMedian, singleFastest / rawFastest, singleMedian / rawMedian);
  return 0;
}
