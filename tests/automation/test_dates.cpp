#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "ExpectFailure.h"
#include "automation/Dates.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

using test::FailsWith;

// POSIX zone rules, so the tests need no time-zone database: "<+03>-3" is three hours east.
constexpr const char* kUtc = "UTC0";
constexpr const char* kMoscowLike = "<+03>-3";
constexpr const char* kNewfoundlandLike = "<-0330>3:30";
constexpr const char* kNewYorkLike = "EST5EDT,M3.2.0,M11.1.0";

class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
  }
  void TearDown() override {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  static void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

DateFields F(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return {y, mo, d, h, mi, s, ms};
}

TEST(EncodeDate, CountsDaysFrom30December1899) {
  struct Case {
    DateFields fields;
    double value;
  } cases[] = {
      {F(1899, 12, 30), 0.0},
      {F(1900, 1, 1), 2.0},
      {F(2011, 3, 1), 40603.0},
      {F(2011, 3, 1, 14, 5, 9), 40603.0 + 50709.0 / 86400},
      {F(1899, 12, 29, 6), -1.25},  // before the epoch the fraction still counts forward
      {F(1899, 12, 28, 18), -2.75},
      {F(1, 1, 1), -693593.0},
      {F(9999, 12, 31), 2958465.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDate(c.fields).value, c.value) << c.value;
    EXPECT_EQ(DecodeDate(Date{c.value}), c.fields) << c.value;
  }
}

TEST(EncodeDate, RefusesFieldsThatFormNoDate) {
  const DateFields cases[] = {
      F(2011, 2, 29), F(2011, 13, 1), F(2011, 0, 1),          F(2011, 4, 31),
      F(0, 1, 1),     F(10000, 1, 1), F(2011, 1, 1, 24),      F(2011, 1, 1, 0, 60),
      F(2011, 1, 1, 0, 0, 60),        F(2011, 1, 1, 0, 0, 0, 1000), F(2011, 1, 1, -1),
  };
  for (const auto& f : cases) {
    EXPECT_FALSE(TryEncodeDate(f)) << f.year << "-" << f.month << "-" << f.day << " " << f.hour;
    EXPECT_TRUE(FailsWith([&] { EncodeDate(f); }, msg::kInvalidDateEncode));
  }
  EXPECT_TRUE(TryEncodeDate(F(2012, 2, 29)));
  EXPECT_TRUE(TryEncodeDate(F(2000, 2, 29)));
  EXPECT_FALSE(TryEncodeDate(F(1900, 2, 29)));
}

TEST(DecodeDate, RoundsMillisecondsAndSurvivesAnyDouble) {
  EXPECT_EQ(DecodeDate(Date{40603.9999999999}), F(2011, 3, 2));
  EXPECT_EQ(DecodeDate(Date{40603.5 + 0.4 / 86400000}), F(2011, 3, 1, 12));
  for (double v : {1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()})
    DecodeDate(Date{v});  // no crash, no undefined arithmetic
  for (int64_t day = -693593; day <= 2958465; day += 9973) {
    DateFields f = DecodeDate(Date{static_cast<double>(day)});
    EXPECT_DOUBLE_EQ(EncodeDate(f).value, static_cast<double>(day));
  }
}

TEST_F(ZoneTest, DateToIsoAppendsTheOffsetInForceAtThatDate) {
  struct Case {
    const char* zone;
    DateFields fields;
    const char16_t* text;
  } cases[] = {
      {kMoscowLike, F(2011, 3, 1, 14, 5, 9), u"2011-03-01T14:05:09+03:00"},
      {kUtc, F(2011, 3, 1, 14, 5, 9, 999), u"2011-03-01T14:05:09Z"},
      {kNewYorkLike, F(2011, 1, 15, 12), u"2011-01-15T12:00:00-05:00"},
      {kNewYorkLike, F(2011, 7, 15, 12), u"2011-07-15T12:00:00-04:00"},
      {kNewfoundlandLike, F(2011, 7, 15, 12), u"2011-07-15T12:00:00-03:30"},
      {kUtc, F(5, 1, 2, 3, 4, 5), u"0005-01-02T03:04:05Z"},
  };
  for (const auto& c : cases) {
    UseZone(c.zone);
    EXPECT_EQ(DateToIso(EncodeDate(c.fields)), c.text) << c.zone;
  }
}

TEST_F(ZoneTest, IsoToDateReadsFieldsAndConvertsZonesToLocalTime) {
  struct Case {
    const char* zone;
    const char16_t* text;
    DateFields fields;
  } cases[] = {
      {kUtc, u"2011-03-01", F(2011, 3, 1)},
      {kMoscowLike, u"2011-03-01", F(2011, 3, 1)},
      {kMoscowLike, u"2011-03-01T14:05:09Z", F(2011, 3, 1, 17, 5, 9)},
      {kMoscowLike, u"2011-03-01T14:05:09+03:00", F(2011, 3, 1, 14, 5, 9)},
      {kUtc, u"2011-03-01T14:05:09-05:00", F(2011, 3, 1, 19, 5, 9)},
      {kUtc, u"2011-03-01T23:30:00-01:00", F(2011, 3, 2, 0, 30)},
      {kUtc, u"2011-03-01T14:05:09.5", F(2011, 3, 1, 14, 5, 9, 5)},
      {kUtc, u"2011-03-01 14:05", F(2011, 3, 1, 14, 5)},
      {kUtc, u"2011/03/01x10", F(2011, 3, 1)},
      {kUtc, u"2011-03-01T10:00+05", F(2011, 3, 1, 5)},
      {kUtc, u"2011-03-01T10:00:00Zjunk", F(2011, 3, 1, 10)},
      {kNewYorkLike, u"2011-07-01T12:00:00Z", F(2011, 7, 1, 8)},
      {kNewYorkLike, u"2011-01-01T12:00:00Z", F(2011, 1, 1, 7)},
      {kNewfoundlandLike, u"2011-01-01T12:00:00Z", F(2011, 1, 1, 8, 30)},
  };
  for (const auto& c : cases) {
    UseZone(c.zone);
    EXPECT_EQ(DecodeDate(IsoToDate(c.text, Date{-1})), c.fields) << Utf8(c.text) << " in " << c.zone;
  }
}

TEST_F(ZoneTest, ShortTextGivesTheDefault) {
  UseZone(kUtc);
  for (const char16_t* text : {u"2011-3-1", u"", u"123456789", u"2011-03-1"})
    EXPECT_EQ(IsoToDate(text, Date{123.5}), Date{123.5}) << Utf8(text);
}

TEST_F(ZoneTest, InvalidFieldsAndOffsetsFail) {
  UseZone(kUtc);
  struct Case {
    const char16_t* text;
    std::string message;
  } cases[] = {
      {u"2011-13-01", "''2011-13-01T00:00:00.000'' is not a valid date and time"},
      {u"2011-02-29T00:00", "''2011-02-29T00:00:00.000'' is not a valid date and time"},
      {u"2011-03-01T24:00", "''2011-03-01T24:00:00.000'' is not a valid date and time"},
      {u"2011-03-01T10:00:00.1234", "''2011-03-01T10:00:00.1234'' is not a valid date and time"},
      {u"xxxxxxxxxx", "''0000-00-00T00:00:00.000'' is not a valid date and time"},
      {u"99999999999999-01-01", "''999999999-01-01T00:00:00.000'' is not a valid date and time"},
      {u"2011-03-01T10:00+24:00", msg::kInvalidTimeEncode},
      {u"2011-03-01T10:00-05:60", msg::kInvalidTimeEncode},
      {u"2011-03-01T10:00:00+0530", msg::kInvalidTimeEncode},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(FailsWith([&] { IsoToDate(c.text, Date{}); }, c.message)) << Utf8(c.text);
}

TEST_F(ZoneTest, RandomTextGivesADateOrOneOfTheTwoFailures) {
  UseZone(kNewYorkLike);
  const char16_t pool[] = u"0123456789-:T .Z+x";
  std::mt19937 random(5);
  for (int round = 0; round < 2000; ++round) {
    WideString text(10 + random() % 20, u'0');
    for (auto& c : text) c = pool[random() % (std::size(pool) - 1)];
    try {
      IsoToDate(text, Date{});
    } catch (const EVekError& e) {
      std::string message = e.what();
      EXPECT_TRUE(message == msg::kInvalidTimeEncode ||
                  message.find("is not a valid date and time") != std::string::npos)
          << message;
    }
  }
}

TEST_F(ZoneTest, IsoTextRoundTripsAcrossDaylightSavingChanges) {
  UseZone(kNewYorkLike);
  // Every hour of both change days except the hour the spring change skips.
  for (DateFields day : {F(2011, 3, 13), F(2011, 11, 6)}) {
    for (int hour = 0; hour < 24; ++hour) {
      if (day.month == 3 && hour == 2) continue;
      DateFields f = day;
      f.hour = hour;
      f.minute = 30;
      Date date = EncodeDate(f);
      EXPECT_EQ(DecodeDate(IsoToDate(DateToIso(date), Date{})), f) << Utf8(DateToIso(date));
    }
  }
}

TEST_F(ZoneTest, UnixTimesConvertThroughTheLocalZone) {
  UseZone(kMoscowLike);
  EXPECT_DOUBLE_EQ(UnixTimeToDate(0).value, 25569.125);
  EXPECT_EQ(DateToUnixTime(Date{25569.125}), 0);
  UseZone(kNewYorkLike);
  Date summer = EncodeDate(F(2011, 7, 1, 8));
  EXPECT_EQ(DateToUnixTime(summer), 1309521600);  // 2011-07-01T12:00:00Z
  EXPECT_EQ(UnixTimeToDate(1309521600), summer);
}

// JavaScript time values and local dates, both ways, to the millisecond: whole seconds, the
// first and last millisecond of a second, dates before 30 December 1899 (negative days whose
// fraction runs forward), the ends of the years 1 to 9999, and zones half an hour off the hour.
TEST_F(ZoneTest, JavaScriptTimesAndDatesConvertToTheMillisecond) {
  struct Case {
    DateFields local;
    int64_t utc, indiaLike, newfoundlandLike;  // the time value in UTC, at +05:30 and at -03:30
  } cases[] = {
      {F(1970, 1, 1, 0, 0, 0, 5), 5, -19799995, 12600005},
      {F(2001, 4, 21, 0, 18, 0, 0), 987812280000, 987792480000, 987824880000},
      {F(2001, 4, 21, 0, 18, 0, 1), 987812280001, 987792480001, 987824880001},
      {F(2001, 4, 21, 0, 18, 59, 999), 987812339999, 987792539999, 987824939999},
      {F(1850, 6, 15, 12, 30, 45, 0), -3772524555000, -3772544355000, -3772511955000},
      {F(1899, 12, 29, 6, 0, 0, 0), -2209226400000, -2209246200000, -2209213800000},
      {F(1899, 12, 30, 23, 59, 59, 999), -2209075200001, -2209095000001, -2209062600001},
      {F(1601, 1, 1, 0, 0, 0, 0), -11644473600000, -11644493400000, -11644461000000},
      {F(9999, 12, 31, 23, 59, 59, 999), 253402300799999, 253402280999999, 253402313399999},
      {F(1, 1, 1, 0, 0, 0, 0), -62135596800000, -62135616600000, -62135584200000},
  };
  const std::pair<const char*, int64_t Case::*> zones[] = {
      {kUtc, &Case::utc}, {"<+0530>-5:30", &Case::indiaLike}, {kNewfoundlandLike, &Case::newfoundlandLike}};
  for (const auto& [zone, expected] : zones) {
    UseZone(zone);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(zone) + " " + Utf8(DateToIso(EncodeDate(c.local))));
      const double ms = static_cast<double>(c.*expected);
      EXPECT_EQ(UnixMsFromDate(EncodeDate(c.local)), ms);
      EXPECT_EQ(DecodeDate(DateFromUnixMs(ms)), c.local);
      EXPECT_EQ(UnixMsFromDate(DateFromUnixMs(ms)), ms);
    }
  }
  EXPECT_TRUE(std::isnan(UnixMsFromDate(DateFromUnixMs(std::nan("")))));
}

TEST(Now, IsTheCurrentLocalTime) {
  int64_t before = std::time(nullptr);
  int64_t now = DateToUnixTime(Now());
  int64_t after = std::time(nullptr);
  EXPECT_GE(now, before - 1);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace ulka
