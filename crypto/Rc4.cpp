#include "crypto/Rc4.h"

#include <stdexcept>
#include <utility>

#include "crypto/Wipe.h"

namespace ulka {

Rc4::Rc4(std::span<const uint8_t> key) {
  if (key.empty() || key.size() > 256) throw std::invalid_argument("RC4 key must be 1 to 256 bytes");
  for (int k = 0; k < 256; ++k) state_[k] = static_cast<uint8_t>(k);
  uint8_t j = 0;
  for (size_t k = 0; k < 256; ++k) {
    j = static_cast<uint8_t>(j + state_[k] + key[k % key.size()]);
    std::swap(state_[k], state_[j]);
  }
}

Rc4::~Rc4() { WipeBytes(state_, sizeof state_); }

void Rc4::Apply(std::span<uint8_t> data) {
  for (uint8_t& byte : data) {
    i_ = static_cast<uint8_t>(i_ + 1);
    j_ = static_cast<uint8_t>(j_ + state_[i_]);
    std::swap(state_[i_], state_[j_]);
    byte ^= state_[static_cast<uint8_t>(state_[i_] + state_[j_])];
  }
}

}  // namespace ulka
