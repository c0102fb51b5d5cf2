#include "web/bridge/FrameSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace ulka::bridge {

namespace {

constexpr size_t kReadChunk = 64 * 1024;

void MakeNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

FrameSocket::FrameSocket(int fd) : fd_(fd) {
  if (fd_ >= 0) MakeNonBlocking(fd_);
}

FrameSocket::~FrameSocket() { Close(); }

void FrameSocket::Close() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_RDWR);
  ::close(fd_);
  fd_ = -1;
}

bool FrameSocket::ReadOnce(bool& gotData) {
  gotData = false;
  if (fd_ < 0) return false;
  // Drop what every reader has consumed before the buffer grows again.
  if (inStart_ > 0 && inStart_ == in_.size()) {
    in_.clear();
    inStart_ = 0;
  } else if (inStart_ > (1u << 20) && inStart_ * 2 > in_.size()) {
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(inStart_));
    inStart_ = 0;
  }
  size_t at = in_.size();
  in_.resize(at + kReadChunk);
  ssize_t n;
  do {
    n = ::recv(fd_, in_.data() + at, kReadChunk, 0);
  } while (n < 0 && errno == EINTR);
  in_.resize(at + (n > 0 ? static_cast<size_t>(n) : 0));
  if (n > 0) {
    gotData = true;
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
  return false;  // the peer closed, or the socket failed
}

bool FrameSocket::ReadAvailable() {
  bool gotData = true;
  while (gotData) {
    if (!ReadOnce(gotData)) {
      Close();
      return false;
    }
  }
  return true;
}

bool FrameSocket::WaitAndRead(int timeoutMs) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    Close();
    return false;
  }
  return ReadAvailable();
}

bool FrameSocket::WriteAll(const uint8_t* data, size_t size) {
  while (size > 0) {
    if (fd_ < 0) return false;
    ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd_, POLLOUT | POLLIN, 0};
      if (::poll(&p, 1, -1) < 0 && errno != EINTR) return false;
      if (p.revents & (POLLIN | POLLHUP)) {
        bool gotData;
        if (!ReadOnce(gotData) && !(p.revents & POLLOUT)) return false;
      }
      continue;
    }
    return false;
  }
  return true;
}

bool FrameSocket::Send(FrameKind kind, Message message, uint64_t callId, const Bytes& body) {
  if (fd_ < 0 || body.size() > kMaxFrameBody) return false;
  uint8_t header[kFrameHeaderSize];
  const uint32_t size = static_cast<uint32_t>(body.size());
  const uint16_t id = static_cast<uint16_t>(message);
  std::memcpy(header, &size, 4);
  header[4] = static_cast<uint8_t>(kind);
  std::memcpy(header + 5, &id, 2);
  std::memcpy(header + 7, &callId, 8);
  if (!WriteAll(header, sizeof header) || !WriteAll(body.data(), body.size())) {
    Close();
    return false;
  }
  return true;
}

std::optional<Frame> FrameSocket::PopFrame() {
  const size_t available = in_.size() - inStart_;
  if (available < kFrameHeaderSize) return std::nullopt;
  const uint8_t* p = in_.data() + inStart_;
  uint32_t size;
  uint16_t id;
  Frame frame;
  std::memcpy(&size, p, 4);
  std::memcpy(&id, p + 5, 2);
  std::memcpy(&frame.callId, p + 7, 8);
  if (size > kMaxFrameBody) throw ProtocolError("bridge frame too large");
  if (p[4] < static_cast<uint8_t>(FrameKind::Request) || p[4] > static_cast<uint8_t>(FrameKind::OneWay)) {
    throw ProtocolError("bad bridge frame kind");
  }
  if (available - kFrameHeaderSize < size) return std::nullopt;
  frame.kind = static_cast<FrameKind>(p[4]);
  frame.message = static_cast<Message>(id);
  frame.body.assign(p + kFrameHeaderSize, p + kFrameHeaderSize + size);
  inStart_ += kFrameHeaderSize + size;
  return frame;
}

}  // namespace ulka::bridge
