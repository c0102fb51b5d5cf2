#include "net/Http.h"

#include <cctype>

#include "automation/ByteConvert.h"
#include "automation/CodePages.h"
#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "net/Proxy.h"
#include "net/TrustStore.h"

namespace ulka {
namespace {

constexpr char16_t kDefaultUserAgent[] = u"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1)";
constexpr char16_t kDefaultMimeType[] = u"text/html";

bool IsFollowed(long status) { return status == 301 || status == 302 || status == 303 || status == 307; }

// The value of the "charset" parameter of a Content-Type value, without quotes.
std::string CharsetParameter(const std::string& contentType) {
  std::string lower = contentType;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::string value = contentType.substr(at + 8);
  if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
    const char quote = value.front();
    value.erase(0, 1);
    return value.substr(0, value.find(quote));
  }
  return value.substr(0, value.find_first_of("; \t"));
}

}  // namespace

const InterfaceInfo& THttp::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<THttp>("IHTTP", "{49839370-177B-4722-8B11-FB8905289911}")
          .Method(0, "Get", &THttp::Get, {Arg("Url")})
          .Method(201, "GetString", &THttp::GetString, {Arg("Url")})
          .Method(202, "Post", &THttp::Post, {Arg("Url"), Arg("Data")})
          .Method(203, "PostString", &THttp::PostString, {Arg("Url"), Arg("Data")})
          .Property(204, "BaseUrl", &THttp::GetBaseUrl, &THttp::SetBaseUrl)
          .Property(205, "UserAgent", &THttp::GetUserAgent, &THttp::SetUserAgent)
          .Property(206, "Proxy", &THttp::GetProxy, &THttp::SetProxy)
          .Property(207, "Timeout", &THttp::GetTimeout, &THttp::SetTimeout)
          .Property(208, "MimeType", &THttp::GetMimeType, &THttp::SetMimeType)
          .Getter(210, "ResultCode", &THttp::GetResultCode)
          .Property(211, "CAFile", &THttp::GetCAFile, &THttp::SetCAFile)
          .Build();
  return info;
}

THttp::THttp()
    : TVekObject(Info()), FUserAgent(kDefaultUserAgent), FMimeType(kDefaultMimeType), FCAFile(DefaultCaFile()) {
  SetProxy(Wide(SystemProxy()));
}

// --- requests ------------------------------------------------------------------------------------

Variant THttp::Get(const WideString& Url) {
  std::optional<HttpResponse> response = Request("GET", Url, {});
  return response ? BytesToVar(std::move(response->body)) : Variant::Null();
}

WideString THttp::GetString(const WideString& Url) {
  std::optional<HttpResponse> response = Request("GET", Url, {});
  return response ? DecodeResponseText(*response) : WideString();
}

Variant THttp::Post(const WideString& Url, const Variant& Data) {
  std::optional<HttpResponse> response = Request("POST", Url, Data.IsArray() ? VarToBytes(Data) : Bytes());
  return response ? BytesToVar(std::move(response->body)) : Variant::Null();
}

WideString THttp::PostString(const WideString& Url, const WideString& Data) {
  const std::string text = Utf8(Data);
  std::optional<HttpResponse> response = Request("POST", Url, Bytes(text.begin(), text.end()));
  return response ? DecodeResponseText(*response) : WideString();
}

HttpRequest THttp::FirstRequest(const char* method, const WideString& Url, Bytes body) {
  std::lock_guard lock(FStateLock);
  HttpRequest request;
  request.method = method;
  request.url = WireUrl(HasScheme(Url) ? Url : FBaseUrl + Url);
  request.body = std::move(body);
  request.contentType = Utf8(FMimeType);
  request.userAgent = Utf8(FUserAgent);
  request.timeoutMs = FTimeout;
  request.proxy = FProxySettings;
  request.caFile = Utf8(FCAFile);
  return request;
}

// Every completed exchange sets the status and replaces the content type with the response's.
void THttp::TakeResponse(const HttpResponse& response) {
  std::lock_guard lock(FStateLock);
  FResultCode = static_cast<int32_t>(response.status);
  const std::string type = response.Header("Content-Type");
  FMimeType = type.empty() ? WideString(kDefaultMimeType) : Wide(type);
}

// Redirects go to the resolved Location with the same method and the same body.
std::optional<HttpResponse> THttp::Request(const char* method, const WideString& Url, Bytes body) {
  HttpRequest request = FirstRequest(method, Url, std::move(body));
  std::lock_guard transfer(FTransferLock);
  for (int redirects = 0;; ++redirects) {
    std::optional<HttpResponse> response = FHTTP.Exchange(request);
    if (!response) return std::nullopt;
    TakeResponse(*response);
    if (!IsFollowed(response->status) || response->location.empty() || redirects == kMaxRedirects) return response;
    request.url = response->location;
  }
}

// --- properties ----------------------------------------------------------------------------------

WideString THttp::GetBaseUrl() {
  std::lock_guard lock(FStateLock);
  return FBaseUrl;
}

void THttp::SetBaseUrl(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  FBaseUrl = Value;
}

WideString THttp::GetUserAgent() {
  std::lock_guard lock(FStateLock);
  return FUserAgent;
}

void THttp::SetUserAgent(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  FUserAgent = Value;
}

WideString THttp::GetProxy() {
  std::lock_guard lock(FStateLock);
  return FProxy;
}

void THttp::SetProxy(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  if (Value == FProxy) return;
  FProxy = Value;
  FProxySettings = ParseProxy(Utf8(Value));
}

int32_t THttp::GetTimeout() {
  std::lock_guard lock(FStateLock);
  return FTimeout;
}

void THttp::SetTimeout(int32_t Value) {
  std::lock_guard lock(FStateLock);
  FTimeout = Value;
}

WideString THttp::GetMimeType() {
  std::lock_guard lock(FStateLock);
  return FMimeType;
}

void THttp::SetMimeType(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  FMimeType = Value;
}

int32_t THttp::GetResultCode() {
  std::lock_guard lock(FStateLock);
  return FResultCode;
}

WideString THttp::GetCAFile() {
  std::lock_guard lock(FStateLock);
  return FCAFile;
}

void THttp::SetCAFile(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  FCAFile = Value;
}

void THttp::SetMaxBodyBytes(size_t limit) {
  std::lock_guard transfer(FTransferLock);
  FHTTP.SetMaxBodyBytes(limit);
}

// --- text ----------------------------------------------------------------------------------------

WideString DecodeResponseText(const HttpResponse& response) {
  const std::string_view narrow(reinterpret_cast<const char*>(response.body.data()), response.body.size());
  uint32_t codePage = DetectCodePage(narrow);
  if (!codePage) codePage = CodePageByName(CharsetParameter(response.Header("Content-Type")));
  if (!codePage) codePage = SystemCodePage();
  if (!IsCodePageSupported(codePage)) codePage = CP_UTF8;
  return DecodeText(response.body, codePage);
}

std::string WireUrl(std::u16string_view url) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string wire;
  for (unsigned char c : Utf8(url)) {
    if (c <= 0x20 || c >= 0x7F) {
      wire += '%';
      wire += kDigits[c >> 4];
      wire += kDigits[c & 15];
    } else {
      wire += static_cast<char>(c);
    }
  }
  return wire;
}

}  // namespace ulka
