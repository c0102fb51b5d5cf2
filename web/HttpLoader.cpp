#include "web/HttpLoader.h"

#include <curl/curl.h>

#include <memory>

#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "net/HttpConnection.h"

namespace ulka {
namespace {

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kTimeoutSeconds = 300;
constexpr long kMaxRedirects = 10;

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

size_t Collect(char* data, size_t size, size_t count, void* target) {
  auto* bytes = static_cast<Bytes*>(target);
  bytes->insert(bytes->end(), data, data + size * count);
  return size * count;
}

}  // namespace

std::optional<Bytes> HttpGet(const WideString& url) {
  EnsureCurl();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return std::nullopt;
  const std::string address = Utf8(url);
  Bytes body;
  curl_easy_setopt(curl.get(), CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, kTimeoutSeconds);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(curl.get()) != CURLE_OK) return std::nullopt;
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) return std::nullopt;
  return body;
}

void RegisterHttpLoaders() {
  RegisterUrlLoader(u"http", HttpGet);
  RegisterUrlLoader(u"https", HttpGet);
}

}  // namespace ulka
