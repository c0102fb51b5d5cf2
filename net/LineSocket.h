// A TCP connection for line-based protocols (POP3, WHOIS), optionally TLS from the first byte,
// on blocking GIO calls with a limit on every wait. Nothing here iterates a main context, so a
// worker thread may block in it while the main thread runs its loop. One object per connection;
// not for use by two threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ulka {

struct ConnectOptions {
  std::string host;
  uint16_t port = 0;
  int timeoutMs = 60000;    // the limit on connecting and on each read or write; at least a second
  bool tls = false;         // TLS from the first byte
  std::string caFile;       // trusted certificates for TLS; empty: the system's store
};

enum class ReadStatus {
  Line,      // a whole line
  Closed,    // the peer closed; `line` holds what came after the last line end, if anything
  TimedOut,  // no data within the time limit
  Failed,    // a network or TLS error, or no connection
  TooLong,   // more than the allowed length without a line end; `line` holds what came
};

class LineSocket {
 public:
  LineSocket();
  ~LineSocket();
  LineSocket(const LineSocket&) = delete;
  LineSocket& operator=(const LineSocket&) = delete;

  // Closes any open connection, then connects (and shakes hands for TLS). False on failure,
  // with the reason in LastError().
  bool Connect(const ConnectOptions& options);
  bool IsOpen() const;
  void Close();

  bool Send(std::string_view data);

  // The next line without its LF or CR LF. The view stays valid until the next read.
  ReadStatus ReadLine(std::string_view& line, size_t maxLength);

  const std::string& LastError() const { return error_; }

 private:
  struct Connection;
  bool FillBuffer();

  std::unique_ptr<Connection> connection_;
  std::unique_ptr<char[]> chunk_;  // what one read receives
  std::string buffer_;              // received and not yet read
  size_t start_ = 0;                // the first unread byte of buffer_
  ReadStatus readFailure_ = ReadStatus::Failed;
  std::string error_;
};

// Splits "host", "host:port", "[v6]:port" or a bare IPv6 address; false when the text names no
// host or an invalid port.
bool ParseHostAndPort(std::string_view text, uint16_t defaultPort, std::string& host, uint16_t& port);

}  // namespace ulka
