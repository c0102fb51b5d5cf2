// Loopback servers and certificates for the network tests: scripted servers (Python, in
// servers/), Debian's dovecot, and a test certificate authority made with the openssl program.
// Every server ends with its holder; the scripts also end by themselves when the test program
// dies, so none outlives the tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "automation/Types.h"
#include "automation/Variant.h"

namespace ulka::test {

std::string SourcePath(const std::string& relative);  // under the source tree
std::string MailFixture(const std::string& name);     // tests/net/fixtures/mail/NAME
std::string ReadFileText(const std::string& path);
Bytes ReadFileBytesOrEmpty(const std::string& path);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A server script of servers/, run with python3; it prints its ports on its first line.
class ServerProcess {
 public:
  ServerProcess(const std::string& script, const std::vector<std::string>& args, int startSeconds = 20);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool Started() const { return !ports_.empty(); }
  int Port(size_t index = 0) const { return index < ports_.size() ? ports_[index] : 0; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::vector<int> ports_;
};

// The folder make-test-ca.sh filled, made once per test program.
const std::string& TestCertificates();

// The text of a Variant byte array (empty for anything else).
std::string TextOf(const Variant& bytes);

}  // namespace ulka::test
