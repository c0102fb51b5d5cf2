#include "NetTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ulka::test {

std::string SourcePath(const std::string& relative) { return std::string(ULKA_SOURCE_DIR) + "/" + relative; }

std::string MailFixture(const std::string& name) { return SourcePath("tests/net/fixtures/mail/" + name); }

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Bytes ReadFileBytesOrEmpty(const std::string& path) {
  const std::string text = ReadFileText(path);
  return Bytes(text.begin(), text.end());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ulka-net-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

// The first line a child writes, waiting at most `seconds`.
std::string FirstLine(int fd, int seconds) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, n);
  }
  return line;
}

}  // namespace

ServerProcess::ServerProcess(const std::string& script, const std::vector<std::string>& args, int startSeconds) {
  int in[2], out[2];
  // Close-on-exec: a later server must not hold this one's input open.
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> words = {"python3", SourcePath("tests/net/servers/" + script)};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  if (spawned != 0) {
    pid_ = -1;
    close(out[0]);
    return;
  }
  std::istringstream ports(FirstLine(out[0], startSeconds));
  close(out[0]);
  for (int port; ports >> port;) ports_.push_back(port);
}

ServerProcess::~ServerProcess() {
  if (input_ >= 0) close(input_);  // the script's cue to end
  if (pid_ <= 0) return;
  for (int i = 0; i < 300; ++i) {  // 15 s: dovecot takes its time to stop on a busy machine
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

const std::string& TestCertificates() {
  static const TempDir folder;
  static const bool made = [] {
    const std::string command = SourcePath("tests/net/servers/make-test-ca.sh") + " " + folder.Path();
    return std::system(command.c_str()) == 0;
  }();
  if (!made) throw std::runtime_error("make-test-ca.sh failed");
  return folder.Path();
}

std::string TextOf(const Variant& bytes) {
  std::span<const uint8_t> data = bytes.ByteSpan();
  return std::string(data.begin(), data.end());
}

}  // namespace ulka::test
