#include "automation/Iconv.h"

#include <iconv.h>

#include <bit>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace ulka {
namespace {

// iconv has no BOM-free name for "UTF-16 in host order", so name the order.
constexpr const char* kWideCharset = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  ~IconvHandle() {
    if (cd_ != kNoConverter) iconv_close(cd_);
  }
  explicit operator bool() const { return cd_ != kNoConverter; }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Output of one conversion, grown on demand; `used` counts bytes.
template <class Buffer>
class Sink {
 public:
  explicit Sink(size_t initialBytes) { Reserve(initialBytes); }

  // Converts all of `in` (or flushes the shift state when `in` is null). Answers 0 when all the
  // input was taken, else the errno of the stop (EILSEQ, EINVAL or another failure).
  int Convert(iconv_t cd, char** in, size_t* inLeft) {
    for (;;) {
      char* out = reinterpret_cast<char*>(buffer_.data()) + used_;
      size_t outLeft = Capacity() - used_;
      size_t result = iconv(cd, in, inLeft, &out, &outLeft);
      used_ = static_cast<size_t>(out - reinterpret_cast<char*>(buffer_.data()));
      if (result != static_cast<size_t>(-1)) return 0;
      if (errno != E2BIG) return errno;
      Reserve(Capacity() * 2 + 16);
    }
  }

  void Append(const void* data, size_t size) {
    if (Capacity() - used_ < size) Reserve(Capacity() * 2 + size);
    std::memcpy(reinterpret_cast<char*>(buffer_.data()) + used_, data, size);
    used_ += size;
  }

  Buffer Take() {
    buffer_.resize(used_ / sizeof(typename Buffer::value_type));
    return std::move(buffer_);
  }

 private:
  size_t Capacity() const { return buffer_.size() * sizeof(typename Buffer::value_type); }
  void Reserve(size_t bytes) {
    buffer_.resize((bytes + sizeof(typename Buffer::value_type) - 1) / sizeof(typename Buffer::value_type));
  }

  Buffer buffer_;
  size_t used_ = 0;
};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Writes the replacement for an unconvertible character through the same converter, so that a
// stateful charset stays in a consistent shift state.
template <class Buffer>
void WriteReplacement(iconv_t cd, Sink<Buffer>& sink) {
  for (char16_t candidate : {u'\uFFFD', u'?'}) {
    char* in = reinterpret_cast<char*>(&candidate);
    size_t inLeft = sizeof candidate;
    if (sink.Convert(cd, &in, &inLeft) == 0) return;
  }
}

}  // namespace

std::optional<WideString> IconvDecode(const char* charset, std::span<const uint8_t> bytes,
                                      size_t unitSize) {
  IconvHandle cd(kWideCharset, charset);
  if (!cd) return std::nullopt;
  Sink<WideString> sink(bytes.size() * 2 + 16);
  // iconv's input pointer is not const, but it never writes through it.
  char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes.data()));
  size_t inLeft = bytes.size();
  static constexpr char16_t kReplacement = u'\uFFFD';
  while (inLeft > 0) {
    int stop = sink.Convert(cd.get(), &in, &inLeft);
    if (stop == 0) break;
    sink.Append(&kReplacement, sizeof kReplacement);
    if (stop != EILSEQ) break;  // a sequence cut off at the end, or a failure: nothing more to read
    size_t skip = std::min(unitSize, inLeft);
    in += skip;
    inLeft -= skip;
  }
  sink.Convert(cd.get(), nullptr, nullptr);
  return sink.Take();
}

std::optional<Bytes> IconvEncode(const char* charset, std::u16string_view text) {
  IconvHandle cd(charset, kWideCharset);
  if (!cd) return std::nullopt;
  Sink<Bytes> sink(text.size() + 16);
  char* begin = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  char* in = begin;
  size_t inLeft = text.size() * sizeof(char16_t);
  while (inLeft > 0) {
    int stop = sink.Convert(cd.get(), &in, &inLeft);
    if (stop == 0) break;
    WriteReplacement(cd.get(), sink);
    if (stop != EILSEQ) break;  // a high surrogate at the very end, or a failure
    size_t unit = static_cast<size_t>(in - begin) / sizeof(char16_t);
    size_t skip = unit + 1 < text.size() && IsHighSurrogate(text[unit]) && IsLowSurrogate(text[unit + 1]) ? 2 : 1;
    skip = std::min(skip * sizeof(char16_t), inLeft);
    in += skip;
    inLeft -= skip;
  }
  sink.Convert(cd.get(), nullptr, nullptr);
  return sink.Take();
}

}  // namespace ulka
