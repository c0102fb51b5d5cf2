// WHOIS lookups for scripts. By default the query goes to IANA's server, which answers for every
// top-level domain and names the registry that holds the domain; the lookup then asks that
// registry and answers its record. A script that sets Host asks that server only.
//
// Members may be called from any thread; one lookup runs at a time per object.
#pragma once

#include <mutex>

#include "automation/VekObject.h"
#include "net/WhoIsClient.h"

namespace ulka {

class TWhoIs : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TWhoIs();

  static constexpr char16_t kDefaultServer[] = u"whois.iana.org";

  WideString GetHost();
  void SetHost(const WideString& Value);
  WideString Lookup(const WideString& Domain);

  // The limit on the wait for each line (15000 ms unless changed here).
  void SetLineTimeoutMs(int timeoutMs);

 private:
  std::mutex FStateLock;  // guards FHost and FLineTimeoutMs
  WideString FHost;
  int FLineTimeoutMs = 15000;
  std::mutex FLookupLock;  // one lookup at a time
};

}  // namespace ulka
