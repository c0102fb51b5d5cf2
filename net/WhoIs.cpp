#include "net/WhoIs.h"

#include <glib.h>

#include "automation/Unicode.h"

namespace ulka {
namespace {

// WHOIS servers answer in UTF-8 or in some 8-bit set: an answer that is not valid UTF-8 is taken
// byte by byte, so nothing is lost.
WideString AnswerText(const std::string& answer) {
  if (g_utf8_validate(answer.data(), static_cast<gssize>(answer.size()), nullptr)) return Wide(answer);
  WideString text;
  for (unsigned char c : answer) text += static_cast<char16_t>(c);
  return text;
}

}  // namespace

const InterfaceInfo& TWhoIs::Info() {
  static const InterfaceInfo info = InterfaceBuilder<TWhoIs>("IWhoIs", "{89AB6FF2-6DF6-4C74-BD27-8F5009B465C6}")
                                        .Property(201, "Host", &TWhoIs::GetHost, &TWhoIs::SetHost)
                                        .Getter(0, "Lookup", &TWhoIs::Lookup, {Arg("Domain")})
                                        .Build();
  return info;
}

TWhoIs::TWhoIs() : TVekObject(Info()), FHost(kDefaultServer) {}

WideString TWhoIs::GetHost() {
  std::lock_guard lock(FStateLock);
  return FHost;
}

void TWhoIs::SetHost(const WideString& Value) {
  std::lock_guard lock(FStateLock);
  FHost = Value;
}

void TWhoIs::SetLineTimeoutMs(int timeoutMs) {
  std::lock_guard lock(FStateLock);
  FLineTimeoutMs = timeoutMs;
}

WideString TWhoIs::Lookup(const WideString& Domain) {
  WhoIsQuery query;
  {
    std::lock_guard lock(FStateLock);
    query.server = Utf8(FHost);
    query.lineTimeoutMs = FLineTimeoutMs;
    query.followReferral = FHost == kDefaultServer;
  }
  std::lock_guard lookup(FLookupLock);
  return AnswerText(WhoIsLookup(Utf8(Domain), query));
}

}  // namespace ulka
