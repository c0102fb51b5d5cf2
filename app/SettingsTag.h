// The settings tag of a start page: "<ulka:application" up to the next "/>", with its attributes
// written as name="value".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "automation/Types.h"

namespace ulka {

// Name/value pairs; names compare without regard to case, setting a name again replaces its
// value, and an empty value removes the name.
class TAttributeList {
 public:
  void Set(const WideString& name, const WideString& value);
  bool Has(const WideString& name) const { return Find(name) != nullptr; }
  // The value as written, or empty.
  WideString Value(const WideString& name) const;
  // The value with ASCII letters lower-cased (attributes whose case is ignored).
  WideString Lower(const WideString& name) const;
  // The value when the whole of it is a 32-bit integer: leading spaces, an optional sign, then
  // decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X".
  std::optional<int32_t> Integer(const WideString& name) const;
  size_t Count() const { return items_.size(); }
  void Clear() { items_.clear(); }

 private:
  const std::pair<WideString, WideString>* Find(const WideString& name) const;
  std::vector<std::pair<WideString, WideString>> items_;
};

// Scans page bytes for the tag. Nothing when there is no tag; otherwise the attributes read
// before the walk met something it does not recognise.
std::optional<TAttributeList> ParseApplicationTag(std::span<const uint8_t> page);

std::optional<int32_t> ParseTagInteger(std::u16string_view text);

}  // namespace ulka
