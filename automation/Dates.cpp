#include "automation/Dates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "automation/Messages.h"
#include "automation/TextUtils.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;
constexpr int64_t kUnixEpochDays = 25'569;  // 1 January 1970 as a date
// Dates beyond these (years 1 to 9999) are clamped before any arithmetic.
constexpr double kMinDays = -693'594.0;
constexpr double kMaxDays = 2'958'466.0;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, DateFields& f) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  f.year = static_cast<int>(yoe + era * 400 + (f.month <= 2));
}

bool IsLeapYear(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

bool FieldsAreValid(const DateFields& f) {
  return f.year >= 1 && f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
         f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 && f.hour < 24 && f.minute >= 0 &&
         f.minute < 60 && f.second >= 0 && f.second < 60 && f.millisecond >= 0 &&
         f.millisecond < 1000;
}

// A date as milliseconds since 30 December 1899 on a straight time line. (A negative date is
// not: its fraction counts forward from the start of its day.)
int64_t DateToMs(Date date) {
  double v = std::isfinite(date.value) ? date.value : 0.0;
  if (v < kMinDays) v = kMinDays;
  if (v > kMaxDays) v = kMaxDays;
  int64_t days = static_cast<int64_t>(std::trunc(v));
  int64_t time = std::llround(std::fabs(v - std::trunc(v)) * kMsPerDay);
  return days * kMsPerDay + time;  // time of 24:00 rolls over to the next day
}

Date MsToDate(int64_t ms) {
  int64_t days = FloorDiv(ms, kMsPerDay);
  double time = static_cast<double>(ms - days * kMsPerDay) / kMsPerDay;
  return Date{days >= 0 ? days + time : days - time};
}

int64_t FieldsToMs(const DateFields& f) {
  int64_t days = DaysFromCivil(f.year, f.month, f.day) + kUnixEpochDays;
  return days * kMsPerDay + ((f.hour * 60 + f.minute) * 60 + f.second) * 1000 + f.millisecond;
}

DateFields MsToFields(int64_t ms) {
  DateFields f;
  int64_t days = FloorDiv(ms, kMsPerDay);
  int64_t time = ms - days * kMsPerDay;
  CivilFromDays(days - kUnixEpochDays, f);
  f.millisecond = static_cast<int>(time % 1000);
  f.second = static_cast<int>(time / 1000 % 60);
  f.minute = static_cast<int>(time / 60000 % 60);
  f.hour = static_cast<int>(time / 3600000);
  return f;
}

DateFields FieldsOfTm(const std::tm& tm) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
}

// The offset east of UTC, in seconds, in force at a UTC instant given as linear milliseconds.
long OffsetAtUtc(int64_t utcMs) {
  std::time_t t = static_cast<std::time_t>(FloorDiv(utcMs, 1000) - kUnixEpochDays * 86400);
  std::tm tm{};
  return localtime_r(&t, &tm) ? tm.tm_gmtoff : 0;
}

// The offset east of UTC, in seconds, in force at a local date and time.
long OffsetAtLocal(const DateFields& f) {
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  tm.tm_isdst = -1;
  if (std::mktime(&tm) == static_cast<std::time_t>(-1) && tm.tm_gmtoff == 0) return 0;
  return tm.tm_gmtoff;
}

// Reads the ISO text one field at a time; positions past the end read as nothing.
class IsoReader {
 public:
  explicit IsoReader(std::u16string_view text) : text_(text) {}

  // A run of digits; an empty run is 0. Saturates instead of overflowing.
  int Number() {
    int value = 0;
    while (pos_ < text_.size() && text_[pos_] >= u'0' && text_[pos_] <= u'9') {
      value = value > 99'999'999 ? 999'999'999 : value * 10 + (text_[pos_] - u'0');
      ++pos_;
    }
    return value;
  }
  void Skip() { ++pos_; }
  bool SkipIf(char16_t c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  char16_t Peek() const { return pos_ < text_.size() ? text_[pos_] : u'\0'; }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

DateFields ReadDateAndTime(IsoReader& in) {
  DateFields f;
  f.year = in.Number();
  in.Skip();
  f.month = in.Number();
  in.Skip();
  f.day = in.Number();
  f.hour = in.SkipIf(u'T') || in.SkipIf(u' ') ? in.Number() : 0;
  f.minute = in.SkipIf(u':') ? in.Number() : 0;
  f.second = in.SkipIf(u':') ? in.Number() : 0;
  f.millisecond = in.SkipIf(u'.') ? in.Number() : 0;
  return f;
}

// "YYYY-MM-DDThh:mm:ss"
WideString FormatDateAndTime(const DateFields& f) {
  WideString text = ZeroPad(f.year, 4);
  text.append(u"-").append(ZeroPad(f.month, 2)).append(u"-").append(ZeroPad(f.day, 2));
  text.append(u"T").append(ZeroPad(f.hour, 2)).append(u":").append(ZeroPad(f.minute, 2));
  text.append(u":").append(ZeroPad(f.second, 2));
  return text;
}

[[noreturn]] void FailInvalidDate(const DateFields& f) {
  WideString text = FormatDateAndTime(f);
  text.append(u".").append(ZeroPad(f.millisecond, 3));
  std::string fields = Utf8(text);
  const std::string_view format = msg::kInvalidDateTime;
  const size_t slot = format.find("%s");
  std::string message(format.substr(0, slot));
  message.append(fields).append(format.substr(slot + 2));
  Fail(message);
}

}  // namespace

std::optional<Date> TryEncodeDate(const DateFields& fields) {
  if (!FieldsAreValid(fields)) return std::nullopt;
  return MsToDate(FieldsToMs(fields));
}

Date EncodeDate(const DateFields& fields) {
  if (auto date = TryEncodeDate(fields)) return *date;
  Fail(msg::kInvalidDateEncode);
}

DateFields DecodeDate(Date date) { return MsToFields(DateToMs(date)); }

Date Now() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  std::tm tm{};
  localtime_r(&now.tv_sec, &tm);
  DateFields f = FieldsOfTm(tm);
  f.millisecond = static_cast<int>(now.tv_nsec / 1'000'000);
  return MsToDate(FieldsToMs(f));
}

Date UnixTimeToDate(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return Date{};
  return MsToDate(FieldsToMs(FieldsOfTm(tm)));
}

int64_t DateToUnixTime(Date date) {
  int64_t local = DateToMs(date);
  DateFields f = MsToFields(local);
  return FloorDiv(local, 1000) - kUnixEpochDays * 86400 - OffsetAtLocal(f);
}

Date DateFromUnixMs(double milliseconds) {
  if (!std::isfinite(milliseconds)) return Date{milliseconds};
  constexpr double kLimit = 1e15;  // far beyond the years 1 to 9999 either way; clamped below
  const int64_t utc = std::llround(std::clamp(milliseconds, -kLimit, kLimit)) + kUnixEpochDays * kMsPerDay;
  return MsToDate(utc + int64_t{OffsetAtUtc(utc)} * 1000);
}

double UnixMsFromDate(Date date) {
  if (!std::isfinite(date.value)) return date.value;
  const int64_t local = DateToMs(date);
  const int64_t utc = local - int64_t{OffsetAtLocal(MsToFields(local))} * 1000;
  return static_cast<double>(utc - kUnixEpochDays * kMsPerDay);
}

WideString DateToIso(Date date) {
  DateFields f = DecodeDate(date);
  f.millisecond = 0;
  WideString text = FormatDateAndTime(f);
  long offset = OffsetAtLocal(f) / 60;  // minutes east of UTC
  if (offset == 0) return text.append(u"Z");
  text.append(offset > 0 ? u"+" : u"-");
  offset = std::labs(offset);
  return text.append(ZeroPad(offset / 60, 2)).append(u":").append(ZeroPad(offset % 60, 2));
}

Date IsoToDate(std::u16string_view text, Date defaultValue) {
  if (text.size() <= 9) return defaultValue;
  IsoReader in(text);
  DateFields fields = ReadDateAndTime(in);
  if (!FieldsAreValid(fields)) FailInvalidDate(fields);
  int64_t ms = FieldsToMs(fields);
  char16_t zone = in.Peek();
  if (zone != u'+' && zone != u'-' && zone != u'Z') return MsToDate(ms);
  if (zone != u'Z') {
    in.Skip();
    int hours = in.Number();
    in.Skip();
    int minutes = in.Number();
    if (hours >= 24 || minutes >= 60) Fail(msg::kInvalidTimeEncode);
    int64_t offsetMs = (int64_t{hours} * 60 + minutes) * 60'000;
    ms += zone == u'+' ? -offsetMs : offsetMs;
  }
  return MsToDate(ms + int64_t{OffsetAtUtc(ms)} * 1000);
}

}  // namespace ulka
