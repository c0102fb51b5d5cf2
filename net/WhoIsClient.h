// The WHOIS query: one line out, the server's lines back until it closes or falls silent.
#pragma once

#include <string>

namespace ulka {

struct WhoIsQuery {
  std::string server;            // "host" or "host:port"; the port defaults to 43
  int lineTimeoutMs = 15000;     // the wait for each line
  int totalTimeoutMs = 120000;   // the whole answer
  size_t maxAnswerBytes = size_t{4} << 20;
  // Ask once more at the server that a "refer:" line of the answer names (the form of IANA's
  // answers, which point at the registry of the domain's top-level domain).
  bool followReferral = false;
};

// The answer with a LF before every line and a LF at its end; empty when the server cannot be
// reached. A query holding a line break is refused (empty).
std::string WhoIsLookup(const std::string& domain, const WhoIsQuery& query);

// The server a "refer:" line of an answer names; empty when there is none.
std::string ReferralServer(const std::string& answer);

}  // namespace ulka
