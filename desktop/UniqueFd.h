// An owned file descriptor, closed with its holder.
#pragma once

#include <unistd.h>

#include <utility>

namespace ulka {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { Close(); }

  int get() const { return fd_; }
  // Gives up ownership.
  int Release() { return std::exchange(fd_, -1); }
  explicit operator bool() const { return fd_ >= 0; }
  // Answers whether the descriptor closed cleanly (a delayed write error shows here).
  bool Close() {
    if (fd_ < 0) return true;
    int result = ::close(std::exchange(fd_, -1));
    return result == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace ulka
