// One open file descriptor, closed through the SysCalls layer when it goes.
#pragma once

#include <utility>

#include "platform/syscalls.h"

namespace tirv {

class UniqueFd {
 public:
  /// Takes `fd`; a negative value holds nothing.
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  /// Hands the descriptor over to the caller, who closes it.
  int release() { return std::exchange(fd_, -1); }
  /// Closes what it holds (a failing close changes nothing here) and takes `fd`.
  void reset(int fd = -1) {
    if (fd_ >= 0) Sys().Close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

}  // namespace tirv
