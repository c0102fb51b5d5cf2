// The length and emptiness rules of Variants (behind Rtl.GetLength and Rtl.IsEmpty).
#pragma once

#include <cstdint>

#include "automation/Variant.h"

namespace ulka {

// An array gives its element count in the first dimension; a number, date or boolean its size
// in bytes; text twice its length up to the first NUL; everything else 0.
int64_t VarByteLength(const Variant& value);

// True for Empty, Null, the missing marker, a number equal to 0, false, empty text and an array
// without elements in its first dimension.
bool VarIsEmptyValue(const Variant& value);

}  // namespace ulka
