#include "net/Pop3.h"

#include <tuple>

#include "automation/Unicode.h"
#include "net/MailMessage.h"
#include "net/TrustStore.h"

namespace ulka {
namespace {

// User and password split at the first ":"; without one, the text is both.
std::pair<std::string, std::string> SplitAccount(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return {text, text};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

}  // namespace

const InterfaceInfo& TPop3::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TPop3>("IPop3", "{6617EC75-DA3D-4B6C-95A8-09FDBE908EC5}")
          .Method(201, "Login", &TPop3::Login)
          .Method(202, "Logout", &TPop3::Logout)
          .Method(203, "RemoveAt", &TPop3::RemoveAt, {Arg("Index")})
          .Method(204, "RemoveAll", &TPop3::RemoveAll)
          .Property(205, "Host", &TPop3::GetHost, &TPop3::SetHost)
          .Property(206, "Account", &TPop3::GetAccount, &TPop3::SetAccount)
          .Getter(207, "Message", &TPop3::GetMessage, {Arg("Index")}).Returns("IMessage")
          .Getter(208, "Length", &TPop3::GetLength)
          .Property(209, "UseSSL", &TPop3::GetUseSSL, &TPop3::SetUseSSL)
          .Property(210, "CAFile", &TPop3::GetCAFile, &TPop3::SetCAFile)
          .Build();
  return info;
}

TPop3::TPop3() : TVekObject(Info()) { FAccount.caFile = Utf8(DefaultCaFile()); }

// --- session -------------------------------------------------------------------------------------

bool TPop3::Login() {
  Pop3Account account;
  {
    std::lock_guard lock(FStateLock);
    account = FAccount;
  }
  std::lock_guard session(FSessionLock);
  return FPOP3.Login(account);
}

bool TPop3::Logout() {
  std::lock_guard session(FSessionLock);
  return FPOP3.Logout();
}

int32_t TPop3::GetLength() {
  std::lock_guard session(FSessionLock);
  return FPOP3.Stat().value_or(0);
}

void TPop3::RemoveAt(int32_t Index) {
  std::lock_guard session(FSessionLock);
  FPOP3.Delete(Index + 1);
}

void TPop3::RemoveAll() {
  std::lock_guard session(FSessionLock);
  const int count = FPOP3.Stat().value_or(0);
  for (int number = 1; number <= count; ++number) FPOP3.Delete(number);
}

Ref<IDispatch> TPop3::GetMessage(int32_t Index) {
  std::optional<Bytes> source;
  {
    std::lock_guard session(FSessionLock);
    source = FPOP3.Retrieve(Index + 1);
  }
  if (!source) return nullptr;
  return TMailMessage::FromSource(std::move(*source));
}

// --- settings ------------------------------------------------------------------------------------

WideString TPop3::GetHost() {
  std::lock_guard lock(FStateLock);
  const bool v6 = FAccount.host.find(':') != std::string::npos;
  return Wide((v6 ? "[" + FAccount.host + "]" : FAccount.host) + ":" + FAccount.port);
}

void TPop3::SetHost(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  const std::string text = Utf8(Value);
  FAccount.port = "110";
  // An IPv6 address goes in brackets, as in "[::1]:995".
  if (text.starts_with('[')) {
    const size_t close = text.find(']');
    FAccount.host = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':') FAccount.port = text.substr(close + 2);
    return;
  }
  const size_t colon = text.find(':');
  FAccount.host = text.substr(0, colon);
  if (colon != std::string::npos) FAccount.port = text.substr(colon + 1);
}

WideString TPop3::GetAccount() {
  std::lock_guard lock(FStateLock);
  return Wide(FAccount.user + ":" + FAccount.password);
}

void TPop3::SetAccount(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  std::tie(FAccount.user, FAccount.password) = SplitAccount(Utf8(Value));
}

bool TPop3::GetUseSSL() {
  std::lock_guard lock(FStateLock);
  return FAccount.useSsl;
}

void TPop3::SetUseSSL(bool Value) {
  std::lock_guard lock(FStateLock);
  FAccount.useSsl = Value;
}

WideString TPop3::GetCAFile() {
  std::lock_guard lock(FStateLock);
  return Wide(FAccount.caFile);
}

void TPop3::SetCAFile(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  FAccount.caFile = Utf8(Value);
}

void TPop3::SetTimeoutMs(int timeoutMs) {
  std::lock_guard lock(FStateLock);
  FAccount.timeoutMs = timeoutMs;
}

void TPop3::SetMaxMessageBytes(size_t limit) {
  std::lock_guard session(FSessionLock);
  FPOP3.SetMaxMessageBytes(limit);
}

}  // namespace ulka
