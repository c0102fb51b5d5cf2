#include "net/LineSocket.h"

#include <gio/gio.h>
#include <netinet/in.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <cstring>

#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

constexpr size_t kReadChunk = 128 * 1024;

std::string Describe(const GError* error, const char* fallback) {
  return error && error->message ? error->message : fallback;
}

// GIO counts socket time limits in whole seconds.
unsigned TimeoutSeconds(int timeoutMs) { return static_cast<unsigned>(std::max(1, (timeoutMs + 999) / 1000)); }

GObjectPtr<GTlsDatabase> LoadCaFile(const std::string& caFile, std::string& error) {
  GError* raw = nullptr;
  GObjectPtr<GTlsDatabase> database(g_tls_file_database_new(caFile.c_str(), &raw));
  GErrorPtr failure(raw);
  if (!database) error = Describe(failure.get(), "cannot read the CA file");
  return database;
}

}  // namespace

struct LineSocket::Connection {
  GObjectPtr<GIOStream> stream;  // the socket connection, or the TLS connection over it
  GInputStream* input = nullptr;
  GOutputStream* output = nullptr;
};

LineSocket::LineSocket() = default;

LineSocket::~LineSocket() { Close(); }

bool LineSocket::IsOpen() const { return connection_ != nullptr; }

void LineSocket::Close() {
  if (connection_) g_io_stream_close(connection_->stream.get(), nullptr, nullptr);
  connection_.reset();
  buffer_.clear();
  start_ = 0;
}

bool LineSocket::Connect(const ConnectOptions& options) {
  Close();
  error_.clear();
  GObjectPtr<GSocketClient> client(g_socket_client_new());
  g_socket_client_set_timeout(client.get(), TimeoutSeconds(options.timeoutMs));
  // These protocols talk to the host they name; a system proxy is for web traffic.
  g_socket_client_set_enable_proxy(client.get(), FALSE);
  GObjectPtr<GSocketConnectable> address(g_network_address_new(options.host.c_str(), options.port));
  GError* raw = nullptr;
  GObjectPtr<GSocketConnection> socket(g_socket_client_connect(client.get(), address.get(), nullptr, &raw));
  GErrorPtr failure(raw);
  if (!socket) {
    error_ = Describe(failure.get(), "cannot connect");
    return false;
  }
  // Commands are short lines that wait for their reply: send each at once.
  g_socket_set_option(g_socket_connection_get_socket(socket.get()), IPPROTO_TCP, TCP_NODELAY, 1, nullptr);
  GObjectPtr<GIOStream> stream(G_IO_STREAM(g_object_ref(socket.get())));
  if (options.tls) {
    GObjectPtr<GIOStream> tls(g_tls_client_connection_new(stream.get(), address.get(), &raw));
    failure.reset(raw);
    if (!tls) {
      error_ = Describe(failure.get(), "TLS is not available");
      return false;
    }
    if (!options.caFile.empty()) {
      GObjectPtr<GTlsDatabase> database = LoadCaFile(options.caFile, error_);
      if (!database) return false;
      g_tls_connection_set_database(G_TLS_CONNECTION(tls.get()), database.get());
    }
    // A certificate that does not verify fails the handshake: no handler accepts it anyway.
    if (!g_tls_connection_handshake(G_TLS_CONNECTION(tls.get()), nullptr, &raw)) {
      failure.reset(raw);
      error_ = Describe(failure.get(), "TLS handshake failed");
      return false;
    }
    stream = std::move(tls);
  }
  connection_ = std::make_unique<Connection>();
  connection_->input = g_io_stream_get_input_stream(stream.get());
  connection_->output = g_io_stream_get_output_stream(stream.get());
  connection_->stream = std::move(stream);
  return true;
}

bool LineSocket::Send(std::string_view data) {
  if (!connection_) return false;
  GError* raw = nullptr;
  gsize written = 0;
  if (!g_output_stream_write_all(connection_->output, data.data(), data.size(), &written, nullptr, &raw)) {
    GErrorPtr failure(raw);
    error_ = Describe(failure.get(), "cannot send");
    return false;
  }
  return true;
}

// Reads what the peer sent next into the buffer; false at the end of the stream or on failure,
// with the kind in readFailure_.
bool LineSocket::FillBuffer() {
  if (!connection_) {
    readFailure_ = ReadStatus::Failed;
    return false;
  }
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  if (!chunk_) chunk_ = std::make_unique<char[]>(kReadChunk);
  GError* raw = nullptr;
  gssize n = g_input_stream_read(connection_->input, chunk_.get(), kReadChunk, nullptr, &raw);
  GErrorPtr failure(raw);
  if (n > 0) {
    buffer_.append(chunk_.get(), static_cast<size_t>(n));
    return true;
  }
  if (n == 0) {
    readFailure_ = ReadStatus::Closed;
  } else {
    readFailure_ = g_error_matches(failure.get(), G_IO_ERROR, G_IO_ERROR_TIMED_OUT) ? ReadStatus::TimedOut
                                                                                    : ReadStatus::Failed;
    error_ = Describe(failure.get(), "cannot receive");
  }
  return false;
}

ReadStatus LineSocket::ReadLine(std::string_view& line, size_t maxLength) {
  size_t searched = start_;
  for (;;) {
    const char* begin = buffer_.data() + searched;
    const void* found = std::memchr(begin, '\n', buffer_.size() - searched);
    if (found) {
      const size_t end = static_cast<const char*>(found) - buffer_.data();
      size_t length = end - start_;
      if (length > 0 && buffer_[end - 1] == '\r') --length;
      line = std::string_view(buffer_.data() + start_, length);
      start_ = end + 1;
      return ReadStatus::Line;
    }
    if (buffer_.size() - start_ > maxLength) {
      line = std::string_view(buffer_.data() + start_, buffer_.size() - start_);
      start_ = buffer_.size();
      return ReadStatus::TooLong;
    }
    const size_t scannedFrom = start_;
    searched = buffer_.size();
    if (!FillBuffer()) {
      line = std::string_view(buffer_.data() + start_, buffer_.size() - start_);
      start_ = buffer_.size();
      return readFailure_;
    }
    searched -= scannedFrom;  // FillBuffer moved the unread bytes to the front
  }
}

bool ParseHostAndPort(std::string_view text, uint16_t defaultPort, std::string& host, uint16_t& port) {
  const std::string copy(text);
  GError* raw = nullptr;
  GObjectPtr<GSocketConnectable> address(g_network_address_parse(copy.c_str(), defaultPort, &raw));
  GErrorPtr failure(raw);
  if (!address) return false;
  GNetworkAddress* parsed = G_NETWORK_ADDRESS(address.get());
  host = g_network_address_get_hostname(parsed);
  port = g_network_address_get_port(parsed);
  return !host.empty();
}

}  // namespace ulka
