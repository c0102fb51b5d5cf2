#include "web/bridge/FrameSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
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
  if (!scratch_) scratch_ = std::make_unique<uint8_t[]>(kReadChunk);
  ssize_t n;
  do {
    n = ::recv(fd_, scratch_.get(), kReadChunk, 0);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    in_.insert(in_.end(), scratch_.get(), scratch_.get() + n);
    gotData = true;
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
  return false;  // the peer closed, or the socket failed
}

bool FrameSocket::ReadAvailable() {
  // A short read took everything there was; the next arrival wakes the reader again.
  size_t before;
  bool gotData = true;
  do {
    before = in_.size() - inStart_;
    if (!ReadOnce(gotData)) {
      Close();
      return false;
    }
  } while (gotData && in_.size() - inStart_ - before == kReadChunk);
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

bool FrameSocket::WriteAll(const uint8_t* header, size_t headerSize, const uint8_t* body, size_t bodySize) {
  // Header and body leave in one call when they fit, so the peer wakes once per frame.
  iovec parts[2] = {{const_cast<uint8_t*>(header), headerSize}, {const_cast<uint8_t*>(body), bodySize}};
  size_t first = 0;
  while (first < 2) {
    if (parts[first].iov_len == 0) {
      ++first;
      continue;
    }
    if (fd_ < 0) return false;
    msghdr message{};
    message.msg_iov = parts + first;
    message.msg_iovlen = 2 - first;
    ssize_t n = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
    if (n >= 0) {
      size_t sent = static_cast<size_t>(n);
      for (size_t i = first; i < 2 && sent > 0; ++i) {
        size_t step = std::min(sent, parts[i].iov_len);
        parts[i].iov_base = static_cast<uint8_t*>(parts[i].iov_base) + step;
        parts[i].iov_len -= step;
        sent -= step;
      }
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      // The peer is not taking data: read what it sends meanwhile, so that two sides sending
      // large frames at once cannot block each other.
      pollfd p{fd_, POLLOUT | POLLIN, 0};
      const int ready = ::poll(&p, 1, stallTimeoutMs_);
      if (ready == 0 || (ready < 0 && errno != EINTR)) return false;
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
  if (!WriteAll(header, sizeof header, body.data(), body.size())) {
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
