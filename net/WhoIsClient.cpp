#include "net/WhoIsClient.h"

#include <chrono>

#include "automation/Unicode.h"
#include "net/LineSocket.h"

namespace ulka {
namespace {

constexpr uint16_t kWhoIsPort = 43;

// One server, one answer, framed line by line.
std::string AskServer(const std::string& domain, const WhoIsQuery& query, const std::string& server) {
  ConnectOptions options;
  if (!ParseHostAndPort(server, kWhoIsPort, options.host, options.port)) return {};
  options.timeoutMs = query.lineTimeoutMs;
  LineSocket socket;
  if (!socket.Connect(options) || !socket.Send(domain + "\r\n")) return {};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(query.totalTimeoutMs);
  std::string answer;
  for (;;) {
    std::string_view line;
    const ReadStatus status = socket.ReadLine(line, query.maxAnswerBytes);
    answer += '\n';
    answer += line;
    const bool over = answer.size() > query.maxAnswerBytes || std::chrono::steady_clock::now() > deadline;
    if (status != ReadStatus::Line || over) {
      // The read that ends the answer adds its LF; a last line without its own end gets one too.
      if (!line.empty()) answer += '\n';
      return answer;
    }
  }
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string ReferralServer(const std::string& answer) {
  size_t start = 0;
  while (start < answer.size()) {
    size_t end = answer.find('\n', start);
    if (end == std::string::npos) end = answer.size();
    std::string_view line = Trim(std::string_view(answer).substr(start, end - start));
    if (line.size() > 6 && SameText(Wide(line.substr(0, 6)), u"refer:")) return std::string(Trim(line.substr(6)));
    start = end + 1;
  }
  return {};
}

std::string WhoIsLookup(const std::string& domain, const WhoIsQuery& query) {
  if (domain.find_first_of("\r\n") != std::string::npos) return {};
  std::string answer = AskServer(domain, query, query.server);
  if (!query.followReferral) return answer;
  const std::string referral = ReferralServer(answer);
  if (referral.empty() || SameText(Wide(referral), Wide(query.server))) return answer;
  std::string referred = AskServer(domain, query, referral);
  return referred.empty() ? answer : referred;
}

}  // namespace ulka
