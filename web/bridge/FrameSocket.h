// One end of a bridge connection: whole frames over a non-blocking Unix stream socket, with an
// input buffer that nested readers share.
#pragma once

#include <sys/uio.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "web/bridge/BridgeProtocol.h"

namespace ulka::bridge {

struct Frame {
  FrameKind kind = FrameKind::Request;
  Message message = Message::Hello;
  uint64_t callId = 0;
  Bytes body;
  std::vector<Bytes> blocks;  // the large values the body refers to, in order
};

class FrameSocket {
 public:
  explicit FrameSocket(int fd);  // takes the descriptor over
  FrameSocket(const FrameSocket&) = delete;
  FrameSocket& operator=(const FrameSocket&) = delete;
  ~FrameSocket();

  int Fd() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  void Close();

  // Sends one frame whole: the body, then each block straight from its memory. While the peer
  // does not take it, what the peer sends meanwhile is read into the buffer, so two sides writing
  // large frames at once cannot block each other; a peer that neither takes nor sends anything
  // for ten seconds fails the send.
  bool Send(FrameKind kind, Message message, uint64_t callId, const Bytes& body,
            std::span<const std::span<const uint8_t>> blocks = {});
  // How long a send waits for a peer that takes nothing and sends nothing.
  void SetStallTimeout(int milliseconds) { stallTimeoutMs_ = milliseconds; }

  // Reads what has arrived without waiting; false when the peer has gone.
  bool ReadAvailable();
  // Waits for input (at most `timeoutMs`, -1 without limit) and reads it; false when the peer has
  // gone.
  bool WaitAndRead(int timeoutMs);
  // The next complete frame. Throws ProtocolError for a malformed header.
  std::optional<Frame> PopFrame();

 private:
  // A frame whose header and body are in while its blocks arrive.
  struct Incoming {
    Frame frame;
    size_t blockCount = 0;
    std::vector<uint64_t> sizes;  // read from the table after the body
    size_t filled = 0;            // bytes of the current block (frame.blocks.back())
  };

  // Reads once; `asked` and `got` tell whether more may be waiting.
  bool ReadOnce(size_t& asked, size_t& got);
  bool WriteAll(std::span<::iovec> parts);
  size_t Buffered() const { return in_.size() - inStart_; }
  bool StartFrame();
  bool FillBlocks();
  bool ReceivingBlockDirectly() const;

  int fd_;
  Bytes in_;
  size_t inStart_ = 0;  // consumed bytes at the front of in_
  std::unique_ptr<uint8_t[]> scratch_;
  std::optional<Incoming> incoming_;
  int stallTimeoutMs_ = 10000;
};

}  // namespace ulka::bridge
