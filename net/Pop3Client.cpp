#include "net/Pop3Client.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <span>

#include "automation/Encodings.h"

namespace ulka {
namespace {

constexpr size_t kMaxStatusLine = 64 * 1024;

bool IsOk(std::string_view reply) { return reply.starts_with("+OK"); }

// Text that would end a command line early cannot be sent as a user name or password.
bool IsSafeArgument(const std::string& text) { return text.find_first_of("\r\n", 0, 3) == std::string::npos; }

std::optional<uint16_t> ParsePort(const std::string& text) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

// The first number after "+OK", or 0.
size_t FirstNumber(std::string_view reply) {
  size_t at = reply.find_first_of("0123456789");
  size_t value = 0;
  if (at != std::string_view::npos) std::from_chars(reply.data() + at, reply.data() + reply.size(), value);
  return value;
}

}  // namespace

std::string ApopTimestamp(const std::string& greeting) {
  const size_t open = greeting.find('<');
  if (open == std::string::npos) return {};
  const size_t close = greeting.find('>', open + 1);
  if (close == std::string::npos || close == open + 1) return {};
  std::string stamp = greeting.substr(open, close - open + 1);
  if (stamp.find_first_of(" \t") != std::string::npos) return {};
  return stamp;
}

std::string ApopDigest(const std::string& timestamp, const std::string& secret) {
  const std::string text = timestamp + secret;
  const Bytes digest = Md5Bytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

void Pop3Client::Drop() { socket_.Close(); }

bool Pop3Client::Connect(const Pop3Account& account, std::string& greeting) {
  std::optional<uint16_t> port = ParsePort(account.port);
  if (!port || account.host.empty()) return false;
  ConnectOptions options{account.host, *port, account.timeoutMs, account.useSsl, account.caFile};
  if (!socket_.Connect(options)) return false;
  return ReadReply(&greeting);
}

bool Pop3Client::ReadReply(std::string* reply) {
  std::string_view line;
  if (socket_.ReadLine(line, kMaxStatusLine) != ReadStatus::Line) {
    Drop();
    return false;
  }
  const bool ok = IsOk(line);
  if (!ok && !line.starts_with("-ERR")) {
    Drop();  // not a status line: the session is out of step
    return false;
  }
  if (reply) reply->assign(line);
  return ok;
}

bool Pop3Client::Command(const std::string& line, std::string* reply) {
  if (!socket_.IsOpen()) return false;
  if (!socket_.Send(line + "\r\n")) {
    Drop();
    return false;
  }
  return ReadReply(reply);
}

bool Pop3Client::Login(const Pop3Account& account) {
  Drop();
  if (!IsSafeArgument(account.user) || !IsSafeArgument(account.password)) return false;
  std::string greeting;
  if (!Connect(account, greeting)) {
    Drop();
    return false;
  }
  const std::string timestamp = ApopTimestamp(greeting);
  if (!timestamp.empty()) {
    if (LoginWithApop(account, timestamp)) return true;
    // A refused APOP may leave the server unwilling to take more on this connection.
    if (!Connect(account, greeting)) {
      Drop();
      return false;
    }
  }
  if (LoginWithUserPass(account)) return true;
  Drop();
  return false;
}

bool Pop3Client::LoginWithApop(const Pop3Account& account, const std::string& timestamp) {
  return Command("APOP " + account.user + " " + ApopDigest(timestamp, account.password));
}

bool Pop3Client::LoginWithUserPass(const Pop3Account& account) {
  return Command("USER " + account.user) && Command("PASS " + account.password);
}

bool Pop3Client::Logout() {
  const bool accepted = Command("QUIT");
  Drop();
  return accepted;
}

std::optional<int> Pop3Client::Stat() {
  std::string reply;
  if (!Command("STAT", &reply)) return std::nullopt;
  const size_t count = FirstNumber(reply);
  return static_cast<int>(std::min<size_t>(count, INT32_MAX));
}

bool Pop3Client::Delete(int number) { return Command("DELE " + std::to_string(number)); }

std::optional<Bytes> Pop3Client::Retrieve(int number) {
  std::string reply;
  if (!Command("RETR " + std::to_string(number), &reply)) return std::nullopt;
  Bytes message;
  message.reserve(std::min(FirstNumber(reply), maxMessageBytes_) + 1024);
  for (;;) {
    std::string_view line;
    if (socket_.ReadLine(line, maxMessageBytes_) != ReadStatus::Line) break;
    if (line == ".") return message;
    if (line.starts_with('.')) line.remove_prefix(1);
    if (message.size() + line.size() + 2 > maxMessageBytes_) break;
    message.insert(message.end(), line.begin(), line.end());
    message.push_back('\r');
    message.push_back('\n');
  }
  Drop();  // cut off, timed out or too large: the rest of the message would arrive out of step
  return std::nullopt;
}

}  // namespace ulka
