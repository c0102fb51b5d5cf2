#include "web/bridge/BridgeListener.h"

#include <glib-unix.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ulka::bridge {

namespace {

std::string RandomHex(size_t bytes) {
  std::string raw(bytes, '\0');
  size_t got = 0;
  while (got < bytes) {
    ssize_t n = getrandom(raw.data() + got, bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : raw) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

// "@name" is the abstract name "name"; anything else is a path.
socklen_t FillAddress(const std::string& address, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (address.empty() || address.size() >= sizeof addr.sun_path) return 0;
  std::memcpy(addr.sun_path, address.data(), address.size());
  if (address[0] == '@') addr.sun_path[0] = '\0';
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size() + (address[0] == '@' ? 0 : 1));
}

}  // namespace

BridgeListener::~BridgeListener() {
  if (source_) {
    g_source_destroy(source_);
    g_source_unref(source_);
  }
  if (fd_ >= 0) close(fd_);
}

bool BridgeListener::Start(AcceptHandler onAccept) {
  if (fd_ >= 0) return true;
  onAccept_ = std::move(onAccept);
  secret_ = RandomHex(16);
  address_ = "@ulka-bridge-" + std::to_string(getpid()) + "-" + RandomHex(8);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t length = FillAddress(address_, addr);
  if (!length || bind(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0 || listen(fd, 64) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  source_ = g_unix_fd_source_new(fd_, G_IO_IN);
  g_source_set_can_recurse(source_, TRUE);  // a page may start while the host waits on another
  g_source_set_callback(source_, G_SOURCE_FUNC(&BridgeListener::OnIncoming), this, nullptr);
  g_source_attach(source_, g_main_context_default());
  return true;
}

gboolean BridgeListener::OnIncoming(gint, GIOCondition, gpointer self) {
  try {
    static_cast<BridgeListener*>(self)->AcceptPending();
  } catch (...) {
  }
  return G_SOURCE_CONTINUE;
}

void BridgeListener::AcceptPending() {
  for (;;) {
    int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;
    }
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid()) {
      close(fd);
      continue;
    }
    if (onAccept_) onAccept_(fd);
  }
}

int ConnectToBridge(const std::string& address) {
  sockaddr_un addr;
  socklen_t length = FillAddress(address, addr);
  if (!length) return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int r;
  do {
    r = connect(fd, reinterpret_cast<sockaddr*>(&addr), length);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace ulka::bridge
