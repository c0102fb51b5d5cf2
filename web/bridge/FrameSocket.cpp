#include "web/bridge/FrameSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "automation/LargeBuffer.h"

namespace ulka::bridge {

namespace {

constexpr size_t kReadChunk = 64 * 1024;
// A block is read straight into its own buffer, which grows by at most this much a read: a peer
// that announces a large block and sends little makes the buffer no larger than what it sent.
constexpr size_t kBlockStep = 256 * 1024;
constexpr int kSocketBufferBytes = 4 << 20;

void MakeNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
}

template <class T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

FrameSocket::FrameSocket(int fd) : fd_(fd) {
  if (fd_ < 0) return;
  MakeNonBlocking(fd_);
  // Large values cross in blocks of megabytes; with the default buffer of a few hundred kilobytes
  // each side would wake the other hundreds of times for one of them. The system caps the size.
  const int bufferBytes = kSocketBufferBytes;
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
}

FrameSocket::~FrameSocket() { Close(); }

void FrameSocket::Close() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_RDWR);
  ::close(fd_);
  fd_ = -1;
}

// ---- reading ------------------------------------------------------------------------------

// Whether the next bytes to arrive belong to a block that has been started: nothing is buffered
// ahead of them.
bool FrameSocket::ReceivingBlockDirectly() const {
  return incoming_ && Buffered() == 0 && !incoming_->frame.blocks.empty() &&
         incoming_->filled < incoming_->sizes[incoming_->frame.blocks.size() - 1];
}

bool FrameSocket::ReadOnce(size_t& asked, size_t& got) {
  asked = got = 0;
  if (fd_ < 0) return false;
  uint8_t* target;
  Bytes* block = nullptr;
  if (ReceivingBlockDirectly()) {
    // The rest of a block: into its own buffer, without passing through the input buffer.
    block = &incoming_->frame.blocks.back();
    const size_t size = incoming_->sizes[incoming_->frame.blocks.size() - 1];
    asked = std::min(size - incoming_->filled, kBlockStep);
    block->resize(incoming_->filled + asked);
    target = block->data() + incoming_->filled;
  } else {
    // Drop what every reader has consumed before the buffer grows again.
    if (inStart_ > 0 && inStart_ == in_.size()) {
      in_.clear();
      inStart_ = 0;
    } else if (inStart_ > (1u << 20) && inStart_ * 2 > in_.size()) {
      in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(inStart_));
      inStart_ = 0;
    }
    if (!scratch_) scratch_ = std::make_unique<uint8_t[]>(kReadChunk);
    asked = kReadChunk;
    target = scratch_.get();
  }
  ssize_t n;
  do {
    n = ::recv(fd_, target, asked, 0);
  } while (n < 0 && errno == EINTR);
  got = n > 0 ? static_cast<size_t>(n) : 0;
  if (block) {
    incoming_->filled += got;
    block->resize(incoming_->filled);
  } else if (got) {
    in_.insert(in_.end(), scratch_.get(), scratch_.get() + got);
  }
  if (n > 0) return true;
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
  return false;  // the peer closed, or the socket failed
}

bool FrameSocket::ReadAvailable() {
  // A short read took everything there was; the next arrival wakes the reader again.
  size_t asked, got;
  do {
    if (!ReadOnce(asked, got)) {
      Close();
      return false;
    }
  } while (got > 0 && got == asked);
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

// Takes a frame's header and body from the buffer once both are in; a frame without blocks is
// then complete. Answers whether a frame was started.
bool FrameSocket::StartFrame() {
  const size_t available = Buffered();
  if (available < kFrameHeaderSize) return false;
  const uint8_t* p = in_.data() + inStart_;
  const uint32_t size = Load<uint32_t>(p);
  const uint32_t blockCount = Load<uint32_t>(p + 15);
  if (size > kMaxFrameBody) throw ProtocolError("bridge frame too large");
  if (blockCount > kMaxFrameBlocks) throw ProtocolError("too many blocks in a bridge frame");
  if (p[4] < static_cast<uint8_t>(FrameKind::Request) || p[4] > static_cast<uint8_t>(FrameKind::OneWay)) {
    throw ProtocolError("bad bridge frame kind");
  }
  if (available - kFrameHeaderSize < size) return false;
  Incoming incoming;
  Frame& frame = incoming.frame;
  frame.kind = static_cast<FrameKind>(p[4]);
  frame.message = static_cast<Message>(Load<uint16_t>(p + 5));
  frame.callId = Load<uint64_t>(p + 7);
  frame.body.assign(p + kFrameHeaderSize, p + kFrameHeaderSize + size);
  incoming.blockCount = blockCount;
  inStart_ += kFrameHeaderSize + size;
  incoming_ = std::move(incoming);
  return true;
}

// Moves what the buffer holds of the current frame's block table and blocks into place.
// Answers whether the frame is complete.
bool FrameSocket::FillBlocks() {
  Incoming& incoming = *incoming_;
  if (incoming.sizes.size() < incoming.blockCount) {
    const size_t tableSize = incoming.blockCount * sizeof(uint64_t);
    if (Buffered() < tableSize) return false;
    uint64_t total = 0;
    for (size_t i = 0; i < incoming.blockCount; ++i) {
      const uint64_t size = Load<uint64_t>(in_.data() + inStart_ + i * sizeof(uint64_t));
      total += std::min(size, kMaxFrameBlocksSize + 1);
      if (total > kMaxFrameBlocksSize) throw ProtocolError("bridge frame blocks too large");
      incoming.sizes.push_back(size);
    }
    inStart_ += tableSize;
    incoming.frame.blocks.reserve(incoming.blockCount);
  }
  std::vector<Bytes>& blocks = incoming.frame.blocks;
  for (;;) {
    if (!blocks.empty() && incoming.filled < incoming.sizes[blocks.size() - 1]) {
      const size_t wanted = incoming.sizes[blocks.size() - 1] - incoming.filled;
      const size_t take = std::min(wanted, Buffered());
      if (take == 0) return false;
      const uint8_t* from = in_.data() + inStart_;
      blocks.back().insert(blocks.back().end(), from, from + take);
      incoming.filled += take;
      inStart_ += take;
      continue;
    }
    if (blocks.size() == incoming.blockCount) return true;
    const size_t size = incoming.sizes[blocks.size()];
    ReserveLarge(blocks.emplace_back(), size);  // address space only: pages are touched as bytes arrive
    incoming.filled = 0;
  }
}

std::optional<Frame> FrameSocket::PopFrame() {
  if (!incoming_ && !StartFrame()) return std::nullopt;
  if (!FillBlocks()) return std::nullopt;
  Frame frame = std::move(incoming_->frame);
  incoming_.reset();
  return frame;
}

// ---- writing ------------------------------------------------------------------------------

bool FrameSocket::WriteAll(std::span<iovec> parts) {
  size_t first = 0;
  while (first < parts.size()) {
    if (parts[first].iov_len == 0) {
      ++first;
      continue;
    }
    if (fd_ < 0) return false;
    msghdr message{};
    message.msg_iov = parts.data() + first;
    message.msg_iovlen = std::min<size_t>(parts.size() - first, IOV_MAX);
    ssize_t n = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
    if (n >= 0) {
      size_t sent = static_cast<size_t>(n);
      for (size_t i = first; i < parts.size() && sent > 0; ++i) {
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
        size_t asked, got;
        if (!ReadOnce(asked, got) && !(p.revents & POLLOUT)) return false;
      }
      continue;
    }
    return false;
  }
  return true;
}

bool FrameSocket::Send(FrameKind kind, Message message, uint64_t callId, const Bytes& body,
                       std::span<const std::span<const uint8_t>> blocks) {
  if (fd_ < 0 || body.size() > kMaxFrameBody || blocks.size() > kMaxFrameBlocks) return false;
  uint64_t total = 0;
  std::vector<uint64_t> table;
  table.reserve(blocks.size());
  for (std::span<const uint8_t> block : blocks) {
    total += block.size();
    table.push_back(block.size());
  }
  if (total > kMaxFrameBlocksSize) return false;
  uint8_t header[kFrameHeaderSize];
  const uint32_t size = static_cast<uint32_t>(body.size());
  const uint16_t id = static_cast<uint16_t>(message);
  const uint32_t blockCount = static_cast<uint32_t>(blocks.size());
  std::memcpy(header, &size, 4);
  header[4] = static_cast<uint8_t>(kind);
  std::memcpy(header + 5, &id, 2);
  std::memcpy(header + 7, &callId, 8);
  std::memcpy(header + 15, &blockCount, 4);
  // Header, body, table and blocks leave in as few calls as the kernel takes, so the peer wakes
  // once per frame when it fits.
  constexpr size_t kInline = 8;  // header, body, table and a few blocks without allocating
  iovec inlineParts[kInline];
  std::vector<iovec> heapParts;
  std::span<iovec> parts(inlineParts, 3 + blocks.size());
  if (parts.size() > kInline) {
    heapParts.resize(parts.size());
    parts = heapParts;
  }
  parts[0] = {header, sizeof header};
  parts[1] = {const_cast<uint8_t*>(body.data()), body.size()};
  parts[2] = {table.data(), table.size() * sizeof(uint64_t)};
  for (size_t i = 0; i < blocks.size(); ++i) parts[3 + i] = {const_cast<uint8_t*>(blocks[i].data()), blocks[i].size()};
  if (!WriteAll(parts)) {
    Close();
    return false;
  }
  return true;
}

}  // namespace ulka::bridge
