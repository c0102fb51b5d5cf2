#include "archive/DosDate.h"

#include <cmath>
#include <ctime>

#include "archive/ZipFile.h"
#include "automation/Messages.h"

namespace ulka {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 back to the date epoch, 1899-12-30.
constexpr int64_t kEpochShift = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int64_t y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

uint32_t PackDos(int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                 unsigned second) {
  if (year < 1980 || year > 2107) return 0;
  uint32_t time = (second / 2) | (minute << 5) | (hour << 11);
  uint32_t date = day | (month << 5) | (static_cast<uint32_t>(year - 1980) << 9);
  return time | (date << 16);
}

}  // namespace

uint32_t DateToDosDateTime(Date date) {
  if (!std::isfinite(date.value) || std::fabs(date.value) > 3e6) return 0;
  // A date's fraction is the time of day also before the epoch, where the value is negative.
  double whole = std::trunc(date.value);
  int64_t ms = std::llround(std::fabs(date.value - whole) * kMsPerDay);
  int64_t days = static_cast<int64_t>(whole);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += date.value < 0 ? -1 : 1;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(days - kEpochShift, y, m, d);
  unsigned seconds = static_cast<unsigned>(ms / 1000);
  return PackDos(y, m, d, seconds / 3600, seconds / 60 % 60, seconds % 60);
}

Date DosDateTimeToDate(uint32_t value) {
  uint32_t time = value & 0xFFFF;
  uint32_t date = value >> 16;
  int64_t year = 1980 + (date >> 9);
  unsigned month = (date >> 5) & 15, day = date & 31;
  unsigned hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    throw EZipFileError(msg::kInvalidDateEncode);
  if (hour > 23 || minute > 59 || second > 59) throw EZipFileError(msg::kInvalidTimeEncode);
  double days = static_cast<double>(DaysFromCivil(year, month, day) + kEpochShift);
  return Date{days + (hour * 3600 + minute * 60 + second) / 86400.0};
}

uint32_t CurrentDosDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return PackDos(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                 local.tm_sec > 59 ? 59 : local.tm_sec);
}

}  // namespace ulka
