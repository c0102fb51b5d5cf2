// Character-set conversion through iconv, between UTF-16 text and narrow text in a named charset.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

// The text of `bytes` in `charset`. Invalid sequences become U+FFFD (one per skipped unit of
// `unitSize` bytes), a sequence cut off at the end one U+FFFD. Nothing when iconv lacks `charset`.
std::optional<WideString> IconvDecode(const char* charset, std::span<const uint8_t> bytes,
                                      size_t unitSize);

// `text` in `charset`, without a byte-order mark. A character the charset lacks, or a lone
// surrogate, becomes U+FFFD where the charset has it and "?" otherwise. Nothing when iconv lacks
// `charset`.
std::optional<Bytes> IconvEncode(const char* charset, std::u16string_view text);

}  // namespace ulka
