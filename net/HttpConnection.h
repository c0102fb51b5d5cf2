// One HTTP exchange at a time on libcurl: a request goes out, one response comes back, and
// redirects are left to the caller. The connection keeps what lasts between exchanges: open
// connections for reuse and the cookies received, which go back only to the hosts and paths that
// set them (libcurl's cookie engine, in memory). Not for use by two threads at once.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/Types.h"

namespace ulka {

struct ProxySettings {
  std::string url;  // "scheme://host:port"; empty for a direct connection
  std::string user;
  std::string password;
};

struct HttpRequest {
  std::string method = "GET";  // "GET" or "POST"
  std::string url;
  Bytes body;               // POST only; an empty body sends no Content-Type
  std::string contentType;  // for a non-empty body
  std::string userAgent;
  int timeoutMs = 90000;    // the limit on connecting and on each wait for data; 0 or less: none
  ProxySettings proxy;
  std::string caFile;       // trusted certificates for https; empty: the system's store
};

struct HttpResponse {
  long status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // of the final response
  Bytes body;
  std::string location;  // the Location header resolved against the request URL, if any

  // The first header of that name (any letter case), trimmed; empty when there is none.
  std::string Header(std::string_view name) const;
};

class HttpConnection {
 public:
  // Larger bodies, and more header bytes than the header limit, fail the exchange.
  static constexpr size_t kMaxBodyBytes = size_t{1} << 30;
  static constexpr size_t kMaxHeaderBytes = size_t{1} << 20;

  HttpConnection();
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  // Nothing when no complete response could be had (no connection, time out, TLS failure,
  // a malformed or oversized response).
  std::optional<HttpResponse> Exchange(const HttpRequest& request);

  void SetMaxBodyBytes(size_t limit) { maxBodyBytes_ = limit; }

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  size_t maxBodyBytes_ = kMaxBodyBytes;
};

// libcurl's process-wide set-up, done once by whichever thread needs it first.
void EnsureCurl();

}  // namespace ulka
