// The host's listening socket for page connections: an abstract Unix socket name unique to this
// process, a secret that web processes must present, and a check that the peer runs as our user.
#pragma once

#include <glib.h>

#include <functional>
#include <string>

namespace ulka::bridge {

class BridgeListener {
 public:
  using AcceptHandler = std::function<void(int fd)>;

  BridgeListener() = default;
  BridgeListener(const BridgeListener&) = delete;
  BridgeListener& operator=(const BridgeListener&) = delete;
  ~BridgeListener();

  // Starts listening on the main context; false when no socket could be made.
  bool Start(AcceptHandler onAccept);
  bool Listening() const { return fd_ >= 0; }

  // The address as the extension receives it: "@name" for an abstract socket.
  const std::string& Address() const { return address_; }
  const std::string& Secret() const { return secret_; }

 private:
  static gboolean OnIncoming(gint fd, GIOCondition condition, gpointer self);
  void AcceptPending();

  int fd_ = -1;
  GSource* source_ = nullptr;
  std::string address_;
  std::string secret_;
  AcceptHandler onAccept_;
};

// Connects to a listener's address; -1 on failure. Used by the web process extension.
int ConnectToBridge(const std::string& address);

}  // namespace ulka::bridge
