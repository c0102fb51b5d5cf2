// Space for the arguments of one call: on the stack for the usual few, on the heap beyond.
#pragma once

#include <new>
#include <vector>

#include "automation/Variant.h"

namespace ulka {

template <size_t N>
class ArgBuffer {
 public:
  explicit ArgBuffer(size_t count) : count_(count) {
    if (count > N) {
      heap_.resize(count);
      data_ = heap_.data();
    } else {
      data_ = reinterpret_cast<Variant*>(storage_);
      for (size_t i = 0; i < count; ++i) new (data_ + i) Variant();
    }
  }
  ArgBuffer(const ArgBuffer&) = delete;
  ArgBuffer& operator=(const ArgBuffer&) = delete;
  ~ArgBuffer() {
    if (count_ <= N) {
      for (size_t i = 0; i < count_; ++i) data_[i].~Variant();
    }
  }

  Variant* data() { return data_; }
  Variant& operator[](size_t i) { return data_[i]; }
  size_t size() const { return count_; }

 private:
  size_t count_;
  Variant* data_;
  alignas(Variant) unsigned char storage_[N * sizeof(Variant)];
  std::vector<Variant> heap_;
};

}  // namespace ulka
