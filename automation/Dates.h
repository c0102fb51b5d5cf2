// Dates: days since 30 December 1899 (the fraction being the time of day, local time), their
// broken-down fields, the clock, and ISO 8601 text with the local time zone.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "automation/Variant.h"

namespace ulka {

struct DateFields {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  friend bool operator==(const DateFields&, const DateFields&) = default;
};

// Nothing when the fields do not form a date and time of the years 1 to 9999.
std::optional<Date> TryEncodeDate(const DateFields& fields);
// Fails with "Invalid argument to date encode" when the fields do not form a date and time.
Date EncodeDate(const DateFields& fields);
// The fields of a date, milliseconds rounded to nearest.
DateFields DecodeDate(Date date);

// The current local date and time.
Date Now();

// Between seconds since the Unix epoch and local dates.
Date UnixTimeToDate(int64_t seconds);
int64_t DateToUnixTime(Date date);

// Between JavaScript time values (milliseconds since 1970-01-01T00:00Z) and local dates, to the
// nearest millisecond both ways. A date before 30 December 1899 counts its days as negative
// numbers whose fraction still runs forward from the start of the day (-1.25 is 29 December
// 1899, 06:00). A time value that is not a number stays not a number.
Date DateFromUnixMs(double milliseconds);
double UnixMsFromDate(Date date);

// "YYYY-MM-DDThh:mm:ss" followed by "Z" or the local offset ("+03:00") in force at that date.
WideString DateToIso(Date date);

// Reads "YYYY-MM-DD[Thh[:mm[:ss[.fff]]]][Z|+hh:mm|-hh:mm]"; text of 9 characters or fewer gives
// `defaultValue`. Fails with "''%s'' is not a valid date and time" when the fields form no date,
// and with "Invalid argument to time encode" for an offset of 24 hours or 60 minutes or more.
// A date with an offset or "Z" is converted to local time.
Date IsoToDate(std::u16string_view text, Date defaultValue);

}  // namespace ulka
