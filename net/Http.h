// A small HTTP client for scripts: GET and POST of bytes or text against an optional base URL,
// with a user agent, a proxy (the system's at creation), a timeout, a content type, redirects
// followed by the object itself, cookies kept per object, and the last status code.
//
// Members may be called from any thread. One exchange runs at a time per object; the settings
// and ResultCode stay readable while it runs.
#pragma once

#include <mutex>
#include <optional>

#include "automation/VekObject.h"
#include "net/HttpConnection.h"

namespace ulka {

class THttp : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  THttp();

  // At most this many redirects are followed; the next redirect response is the answer.
  static constexpr int kMaxRedirects = 20;

  Variant Get(const WideString& Url);
  WideString GetString(const WideString& Url);
  Variant Post(const WideString& Url, const Variant& Data);
  WideString PostString(const WideString& Url, const WideString& Data);
  WideString GetBaseUrl();
  void SetBaseUrl(const WideString& Value);
  WideString GetUserAgent();
  void SetUserAgent(const WideString& Value);
  WideString GetProxy();
  void SetProxy(const WideString& Value);
  int32_t GetTimeout();
  void SetTimeout(int32_t Value);
  WideString GetMimeType();
  void SetMimeType(const WideString& Value);
  int32_t GetResultCode();
  WideString GetCAFile();
  void SetCAFile(const WideString& Value);

  void SetMaxBodyBytes(size_t limit);

 private:
  // The request with its redirects; nothing when no response could be had.
  std::optional<HttpResponse> Request(const char* method, const WideString& Url, Bytes body);
  HttpRequest FirstRequest(const char* method, const WideString& Url, Bytes body);
  void TakeResponse(const HttpResponse& response);

  std::mutex FStateLock;  // guards the settings and results below
  WideString FBaseUrl;
  WideString FProxy;
  ProxySettings FProxySettings;
  WideString FUserAgent;
  WideString FMimeType;
  WideString FCAFile;
  int32_t FTimeout = 90000;
  int32_t FResultCode = 0;

  std::mutex FTransferLock;  // one exchange at a time
  HttpConnection FHTTP;
};

// The text of a response body: the charset the document declares, else the one of its
// Content-Type header, else the system's code page.
WideString DecodeResponseText(const HttpResponse& response);

// A URL as it goes on the wire: UTF-8, with spaces, control characters and non-ASCII bytes
// percent-encoded.
std::string WireUrl(std::u16string_view url);

}  // namespace ulka
