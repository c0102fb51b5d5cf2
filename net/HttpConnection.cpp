#include "net/HttpConnection.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "automation/LargeBuffer.h"

namespace ulka {
namespace {

constexpr long kReceiveBufferBytes = 256 * 1024;

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool SameAscii(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); });
}

// What the callbacks collect during one exchange.
struct Receiver {
  CURL* curl = nullptr;
  HttpResponse response;
  size_t headerBytes = 0;
  size_t maxBodyBytes = 0;
  bool reserved = false;
};

size_t ReceiveHeader(char* data, size_t size, size_t count, void* target) {
  auto* receiver = static_cast<Receiver*>(target);
  const size_t length = size * count;
  receiver->headerBytes += length;
  if (receiver->headerBytes > HttpConnection::kMaxHeaderBytes) return 0;  // aborts the exchange
  std::string_view line(data, length);
  if (line.starts_with("HTTP/")) {
    receiver->response.headers.clear();  // a new response: an interim one or a proxy's came before
    return length;
  }
  const size_t colon = line.find(':');
  if (colon != std::string_view::npos)
    receiver->response.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  return length;
}

size_t ReceiveBody(char* data, size_t size, size_t count, void* target) {
  auto* receiver = static_cast<Receiver*>(target);
  const size_t length = size * count;
  Bytes& body = receiver->response.body;
  if (!receiver->reserved) {
    receiver->reserved = true;
    curl_off_t expected = -1;
    curl_easy_getinfo(receiver->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
    if (expected > 0) ReserveLarge(body, std::min<size_t>(static_cast<size_t>(expected), receiver->maxBodyBytes));
  }
  if (body.size() + length > receiver->maxBodyBytes) return 0;
  body.insert(body.end(), data, data + length);
  return length;
}

}  // namespace

void EnsureCurl() {
  static std::once_flag done;
  std::call_once(done, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string HttpResponse::Header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (SameAscii(key, name)) return value;
  return {};
}

struct HttpConnection::Handle {
  CURL* curl = nullptr;
  std::string defaultCaFile;  // libcurl's own trust store, restored when no CA file is given
  std::string defaultCaPath;
  ~Handle() {
    if (curl) curl_easy_cleanup(curl);
  }
};

HttpConnection::HttpConnection() : handle_(std::make_unique<Handle>()) {
  EnsureCurl();
  handle_->curl = curl_easy_init();
  if (!handle_->curl) return;
  CURL* curl = handle_->curl;
  char* text = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_CAINFO, &text) == CURLE_OK && text) handle_->defaultCaFile = text;
  text = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_CAPATH, &text) == CURLE_OK && text) handle_->defaultCaPath = text;
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // the cookie engine, in memory only
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_DEFAULT_PROTOCOL, "http");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, ReceiveHeader);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, ReceiveBody);
  curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
  curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
}

HttpConnection::~HttpConnection() = default;

std::optional<HttpResponse> HttpConnection::Exchange(const HttpRequest& request) {
  CURL* curl = handle_->curl;
  if (!curl) return std::nullopt;
  Receiver receiver;
  receiver.curl = curl;
  receiver.maxBodyBytes = maxBodyBytes_;

  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &receiver);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receiver);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());

  HeaderList headers;
  auto addHeader = [&headers](const std::string& line) { headers.reset(curl_slist_append(headers.release(), line.c_str())); };
  if (request.method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.empty() ? "" : reinterpret_cast<const char*>(request.body.data()));
    addHeader(request.body.empty() ? "Content-Type:" : "Content-Type: " + request.contentType);
    addHeader("Expect:");  // send the body at once rather than wait for a go-ahead
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());

  // Timeout bounds every wait, not the whole exchange: a long download that keeps moving goes on.
  const long timeout = std::max(request.timeoutMs, 0);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, timeout ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, (timeout + 999) / 1000);

  // An empty proxy turns off libcurl's own reading of the proxy environment variables.
  curl_easy_setopt(curl, CURLOPT_PROXY, request.proxy.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, request.proxy.user.c_str());
  curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, request.proxy.password.c_str());

  const bool ownStore = !request.caFile.empty();
  curl_easy_setopt(curl, CURLOPT_CAINFO, ownStore ? request.caFile.c_str()
                                                  : handle_->defaultCaFile.empty() ? nullptr : handle_->defaultCaFile.c_str());
  curl_easy_setopt(curl, CURLOPT_CAPATH, ownStore || handle_->defaultCaPath.empty() ? nullptr : handle_->defaultCaPath.c_str());

  const CURLcode result = curl_easy_perform(curl);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
  if (result != CURLE_OK) return std::nullopt;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &receiver.response.status);
  if (receiver.response.status <= 0) return std::nullopt;
  char* location = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) receiver.response.location = location;
  return std::move(receiver.response);
}

}  // namespace ulka
