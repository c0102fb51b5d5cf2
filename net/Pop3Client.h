// A small POP3 client: greeting, APOP or USER/PASS, STAT, RETR with dot-unstuffing, DELE, QUIT.
// Every command waits for its status line; a failed read or a reply that does not fit ends the
// session, since the stream can no longer be trusted to be in step.
#pragma once

#include <optional>
#include <string>

#include "automation/Types.h"
#include "net/LineSocket.h"

namespace ulka {

struct Pop3Account {
  std::string host = "127.0.0.1";
  std::string port = "110";
  std::string user;
  std::string password;
  bool useSsl = false;
  std::string caFile;
  int timeoutMs = 60000;
};

class Pop3Client {
 public:
  // Messages larger than this are refused (the session ends).
  static constexpr size_t kMaxMessageBytes = size_t{256} << 20;

  // Connects, reads the greeting and authenticates: APOP when the greeting has a timestamp,
  // otherwise (or when APOP is refused) USER and PASS on a new connection.
  bool Login(const Pop3Account& account);
  // QUIT, then closes; whether the server accepted the QUIT.
  bool Logout();
  bool IsConnected() const { return socket_.IsOpen(); }

  // The message count of STAT; nothing when the command fails.
  std::optional<int> Stat();
  // The message as lines joined by CR LF (with one after the last), dot-unstuffed; nothing when
  // the server refuses it or the session breaks while it comes.
  std::optional<Bytes> Retrieve(int number);
  // DELE; whether the server accepted it.
  bool Delete(int number);

  void SetMaxMessageBytes(size_t limit) { maxMessageBytes_ = limit; }

 private:
  bool Connect(const Pop3Account& account, std::string& greeting);
  bool LoginWithApop(const Pop3Account& account, const std::string& timestamp);
  bool LoginWithUserPass(const Pop3Account& account);
  // Sends one command line and reads its status line; true for "+OK".
  bool Command(const std::string& line, std::string* reply = nullptr);
  bool ReadReply(std::string* reply);
  void Drop();

  LineSocket socket_;
  size_t maxMessageBytes_ = kMaxMessageBytes;
};

// The APOP timestamp of a greeting: "<...>" with something inside; empty when there is none.
std::string ApopTimestamp(const std::string& greeting);

// The APOP digest: MD5 of timestamp and secret, as 32 lower-case hexadecimal digits.
std::string ApopDigest(const std::string& timestamp, const std::string& secret);

}  // namespace ulka
