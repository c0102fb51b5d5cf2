// One end of a bridge connection: whole frames over a non-blocking Unix stream socket, with an
// input buffer that nested readers share.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "web/bridge/BridgeProtocol.h"

namespace ulka::bridge {

struct Frame {
  FrameKind kind = FrameKind::Request;
  Message message = Message::Hello;
  uint64_t callId = 0;
  Bytes body;
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

  // Sends one frame whole. While the peer does not take it, what the peer sends meanwhile is read
  // into the buffer, so two sides writing large frames at once cannot block each other; a peer
  // that neither takes nor sends anything for ten seconds fails the send.
  bool Send(FrameKind kind, Message message, uint64_t callId, const Bytes& body);
  // How long a send waits for a peer that takes nothing and sends nothing.
  void SetStallTimeout(int milliseconds) { stallTimeoutMs_ = milliseconds; }

  // Reads what has arrived without waiting; false when the peer has gone.
  bool ReadAvailable();
  // Waits for input (at most `timeoutMs`, -1 without limit) and reads it; false when the peer has
  // gone.
  bool WaitAndRead(int timeoutMs);
  // The next complete frame in the buffer. Throws ProtocolError for a malformed header.
  std::optional<Frame> PopFrame();

 private:
  bool ReadOnce(bool& gotData);
  bool WriteAll(const uint8_t* header, size_t headerSize, const uint8_t* body, size_t bodySize);

  int fd_;
  Bytes in_;
  size_t inStart_ = 0;  // consumed bytes at the front of in_
  std::unique_ptr<uint8_t[]> scratch_;
  int stallTimeoutMs_ = 10000;
};

}  // namespace ulka::bridge
