#include <gtest/gtest.h>

#include <limits>

#include "automation/Rects.h"

namespace ulka {

void PrintTo(const TRect& r, std::ostream* out) {
  *out << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
}

namespace {

TEST(MulDiv, RoundsToNearestAndReportsImpossibleResults) {
  struct Case {
    int32_t a, b, c, result;
  } cases[] = {
      {1, 1, 2, 1},   {-1, 1, 2, -1},  {5, 3, 4, 4},    {5, 1, 4, 1},  {1, 1, 3, 0},
      {7, 1, 0, -1},  {-5, 3, -4, 4},  {5, -3, 4, -4},  {2, 100, 3, 67},
      {std::numeric_limits<int32_t>::max(), 2, 1, -1},
      {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
       std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()},
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Rects, FitCoverAndNoEnlarge) {
  enum Kind { Fit, Cover, NoEnlarge };
  struct Case {
    Kind kind;
    TRect shape, bounds, result;
  } cases[] = {
      {Fit, {0, 0, 100, 50}, {0, 0, 200, 200}, {0, 50, 200, 150}},
      {Cover, {0, 0, 100, 50}, {0, 0, 200, 200}, {-100, 0, 300, 200}},
      {Fit, {0, 0, 50, 100}, {0, 0, 200, 200}, {50, 0, 150, 200}},
      {Cover, {0, 0, 50, 100}, {0, 0, 200, 200}, {0, -100, 200, 300}},
      {Fit, {0, 0, 3, 2}, {0, 0, 100, 100}, {0, 16, 100, 83}},  // 66.67 rounds to 67
      {Fit, {5, 5, 105, 55}, {10, 20, 210, 220}, {10, 70, 210, 170}},
      {Fit, {0, 0, 10, 10}, {0, 0, 200, 100}, {50, 0, 150, 100}},
      {Cover, {0, 0, 10, 10}, {0, 0, 200, 100}, {0, -50, 200, 150}},
      {Fit, {0, 0, 0, 0}, {0, 0, 200, 200}, {0, 0, 200, 200}},    // empty shape counts 1 by 1
      {Fit, {10, 10, 0, 0}, {0, 0, 300, 200}, {50, 0, 250, 200}},  // inverted shape too
      {NoEnlarge, {0, 0, 100, 50}, {0, 0, 200, 200}, {50, 75, 150, 125}},
      {NoEnlarge, {0, 0, 100, 50}, {10, 10, 111, 61}, {10, 10, 110, 60}},
      {NoEnlarge, {0, 0, 400, 100}, {0, 0, 200, 200}, {0, 75, 200, 125}},
      {NoEnlarge, {0, 0, 100, 300}, {0, 0, 200, 200}, {66, 0, 133, 200}},
  };
  for (const auto& c : cases) {
    TRect r = c.kind == Fit ? FitRect(c.shape, c.bounds)
              : c.kind == Cover ? CoverRect(c.shape, c.bounds)
                                : FitRectNoEnlarge(c.shape, c.bounds);
    EXPECT_EQ(r, c.result) << "kind " << c.kind << " shape " << ::testing::PrintToString(c.shape) << " in "
                          << ::testing::PrintToString(c.bounds);
  }
}

}  // namespace
}  // namespace ulka
