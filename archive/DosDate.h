// MS-DOS date and time as zip headers keep them: time in the low 16 bits, date in the high 16.
#pragma once

#include <cstdint>

#include "automation/Variant.h"

namespace ulka {

// 0 for a date outside 1980..2107; seconds are rounded down to an even number.
uint32_t DateToDosDateTime(Date date);
// Throws EZipFileError "Invalid argument to date encode" / "... time encode" for impossible fields.
Date DosDateTimeToDate(uint32_t value);
uint32_t CurrentDosDateTime();

}  // namespace ulka
