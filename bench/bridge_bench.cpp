// Whole-program figures for the page bridge, each against a raw Unix-socket transfer between two
// processes measured in the same run:
//   microseconds per page-to-host call (`window.external.x.GetLength(v)` in a page loop, and
//   `x.GetLength(v)` alone) against a 64-byte round trip, over ten chunks of calls: the fastest
//   chunk and the median one;
//   a 100 MB Uint8Array from the page to the host and back (`x.Echo(u)`) against the same bytes
//   sent there and back, and the peak memory either process takes for it over the payload.
// Prints one line per figure, "ROW|figure|value|baseline|baseline value|ratio|sense|target|kind",
// for bench/bridge.sh; exits 0 when every figure was measured.
//   bridge_bench [calls]        (run under an X server, e.g. xvfb-run)
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "automation/Unicode.h"
#include "automation/VekObject.h"
#include "tests/bridge/PageHost.h"
#include "tests/bridge/ProbeObject.h"

namespace {

constexpr size_t kBulk = 100 * 1000 * 1000;

// Writes or reads `size` bytes whole.
bool Full(int fd, void* data, size_t size, bool write) {
  auto* bytes = static_cast<uint8_t*>(data);
  for (size_t done = 0; done < size;) {
    ssize_t n = write ? ::write(fd, bytes + done, size - done) : ::read(fd, bytes + done, size - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A child process that serves the other end of a socket pair until it closes. Forked before any
// thread exists.
struct Peer {
  int fd = -1;
  pid_t pid = -1;

  template <class Serve>
  bool StartServing(Serve serve) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    pid = fork();
    if (pid == 0) {
      close(pair[0]);
      serve(pair[1]);
      _exit(0);
    }
    close(pair[1]);
    fd = pair[0];
    return pid > 0;
  }

  ~Peer() {
    if (fd >= 0) close(fd);
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
};

// A child process that answers every 64-byte message with the same bytes.
struct EchoPeer : Peer {
  bool Start() {
    return StartServing([](int peer) {
      char buffer[64];
      while (Exchange(peer, buffer, false)) {
      }
    });
  }

  // Reads one message and writes it back (echo side), or writes one and reads the answer.
  static bool Exchange(int fd, char* buffer, bool writeFirst) {
    return Full(fd, buffer, 64, writeFirst) && Full(fd, buffer, 64, !writeFirst);
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
};

// A child process that takes a whole block of kBulk bytes and sends it back, as the host does.
struct BulkPeer : Peer {
  bool Start() {
    return StartServing([](int peer) {
      std::vector<uint8_t> block(kBulk);
      while (Full(peer, block.data(), block.size(), false) && Full(peer, block.data(), block.size(), true)) {
      }
    });
  }

  // Milliseconds for the bytes to go there and come back.
  double RoundTrip(std::vector<uint8_t>& out, std::vector<uint8_t>& back) {
    auto start = std::chrono::steady_clock::now();
    if (!Full(fd, out.data(), out.size(), true) || !Full(fd, back.data(), back.size(), false)) return -1;
    std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count();
  }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// --- memory of the host and of its web processes ----------------------------------------------

long StatusKilobytes(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  }
  return 0;
}

std::vector<pid_t> WebProcesses() {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string command;
    std::getline(comm, command);
    pid_t pid = std::atoi(name.c_str());
    // Ours: a descendant of this process.
    for (pid_t p = pid; p > 1;) {
      std::ifstream stat("/proc/" + std::to_string(p) + "/stat");
      std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      size_t close = text.rfind(')');
      if (close == std::string::npos) break;
      p = std::atoi(text.c_str() + close + 4);
      if (p == getpid()) {
        if (command.rfind("WebKitWebProces", 0) == 0) found.push_back(pid);
        break;
      }
    }
  }
  return found;
}

// The page's meter: Start notes what each process holds and clears its peak; Peak answers how
// far above that each has been since, in megabytes: "<host> <page>".
class TMeter : public ulka::TVekObject {
 public:
  static const ulka::InterfaceInfo& Info() {
    static const ulka::InterfaceInfo info = ulka::InterfaceBuilder<TMeter>("IBenchMeter", "{3D8E1A52-7C4B-4F0E-A1D2-5B6C7E8F9A01}")
                                                .Method(1, "Start", &TMeter::Start)
                                                .Method(2, "Peak", &TMeter::Peak)
                                                .Build();
    return info;
  }
  TMeter() : TVekObject(Info()) {}

  void Start() {
    web_ = WebProcesses();
    start_.clear();
    for (pid_t pid : Processes()) {
      std::ofstream("/proc/" + std::to_string(pid) + "/clear_refs") << "5";
      start_.push_back(StatusKilobytes(pid, "VmRSS:"));
    }
  }
  ulka::WideString Peak() {
    std::vector<pid_t> all = Processes();
    long host = 0, page = 0;
    for (size_t i = 0; i < all.size() && i < start_.size(); ++i) {
      long grown = StatusKilobytes(all[i], "VmHWM:") - start_[i];
      (i == 0 ? host : page) = std::max(i == 0 ? host : page, grown);
    }
    return ulka::Wide(std::to_string(host / 1024) + " " + std::to_string(page / 1024));
  }

 private:
  std::vector<pid_t> Processes() const {
    std::vector<pid_t> all = {getpid()};
    all.insert(all.end(), web_.begin(), web_.end());
    return all;
  }
  std::vector<pid_t> web_;
  std::vector<long> start_;
};

void Row(const std::string& figure, const std::string& value, const std::string& baseline,
         const std::string& baselineValue, double ratio, const char* sense, double target, const char* kind) {
  std::printf("ROW|%s|%s|%s|%s|%.4f|%s|%g|%s\n", figure.c_str(), value.c_str(), baseline.c_str(),
              baselineValue.c_str(), ratio, sense, target, kind);
}

std::string Fixed(double value, const char* unit, int digits = 2) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f %s", digits, value, unit);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (calls <= 0) {
    std::fprintf(stderr, "usage: bridge_bench [calls]\n");
    return 2;
  }
  EchoPeer peer;  // forked before any thread exists
  BulkPeer bulkPeer;
  if (!peer.Start() || !bulkPeer.Start()) {
    std::fprintf(stderr, "no echo process\n");
    return 1;
  }
  peer.MicrosecondsPerRoundTrip(1000);  // warm up

  using namespace ulka;
  test::PageHost host;
  host.External().AddMember(u"x", Variant(static_cast<IDispatch*>(MakeRef<test::TBridgeProbe>().get())));
  host.External().AddMember(u"meter", Variant(static_cast<IDispatch*>(MakeRef<TMeter>().get())));
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
  Row("window.external.x.GetLength(v), fastest chunk", Fixed(fastest, "us"), "raw socket round trip",
      Fixed(rawFastest, "us"), fastest / rawFastest, "at most", 3, "time");
  Row("window.external.x.GetLength(v), median chunk", Fixed(median, "us"), "raw socket round trip",
      Fixed(rawMedian, "us"), median / rawMedian, "at most", 3, "time");
  std::fprintf(stderr, "x.GetLength(v), one round trip: fastest %.2f us, median %.2f us\n", singleFastest, singleMedian);

  // 100 MB there and back: raw transfers before and after the page's, the median of them all.
  std::vector<uint8_t> out(kBulk, 0x5A), back(kBulk);
  std::vector<double> raw;
  for (int i = 0; i < 3; ++i) raw.push_back(bulkPeer.RoundTrip(out, back));
  title = host.Load("ulka:///bulk.html", 120000);
  for (int i = 0; i < 3; ++i) raw.push_back(bulkPeer.RoundTrip(out, back));
  double bulkMedian = 0, bulkFirst = 0, hostPeak = 0, pagePeak = 0;
  char verdict[16] = "";
  if (std::sscanf(title.c_str(), "BULK %lf %lf %lf %lf %15s", &bulkMedian, &bulkFirst, &hostPeak, &pagePeak, verdict) != 5 ||
      std::string(verdict) != "ok") {
    std::fprintf(stderr, "the bulk page did not run: %s\n", title.c_str());
    return 1;
  }
  const double rawBulk = Median(raw);
  Row("100 MB Uint8Array page -> host -> page", Fixed(bulkMedian, "ms", 0), "raw socket there and back",
      Fixed(rawBulk, "ms", 0), bulkMedian / rawBulk, "at most", 3, "time");
  const double payloadMb = kBulk / 1048576.0;
  const double peak = std::max(hostPeak, pagePeak);
  Row("100 MB page -> host -> page, peak memory of a process", Fixed(peak, "MB", 0) + " (host " + Fixed(hostPeak, "MB", 0) +
      ", page " + Fixed(pagePeak, "MB", 0) + ")", "payload", Fixed(payloadMb, "MB", 0), peak / payloadMb, "at most", 3,
      "memory");
  return 0;
}
