#include "calc/quick_hull.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace binodal {
namespace {

struct TPt {
  double x, y;
};

class QuickHullTest : public testing::Test {
 protected:
  // Loads the points (numbered in the given order) and HullIndex = order,
  // or 0..n-1 when order is empty; runs the hull and returns the marks of the
  // points (OnHull may be longer from an earlier call).
  T_PT Run(const std::vector<TPt>& pts, T_PT order = {}) {
    Load(pts, std::move(order));
    hull_.QuickHull();
    return T_PT(hull_.OnHull.begin(), hull_.OnHull.begin() + hull_.HullN);
  }

  void Load(const std::vector<TPt>& pts, T_PT order = {}) {
    const auto n = static_cast<std::int32_t>(pts.size());
    hull_.HullN = n;
    hull_.HullX.clear();
    hull_.HullY.clear();
    for (const TPt& p : pts) {
      hull_.HullX.push_back(p.x);
      hull_.HullY.push_back(p.y);
    }
    if (order.empty()) {
      order.resize(pts.size());
      std::iota(order.begin(), order.end(), 0);
    }
    hull_.HullIndex = std::move(order);
  }

  TQuickHull hull_;
};

struct TCase {
  std::string name;
  std::vector<TPt> pts;
  T_PT order;  // empty: 0..n-1
  T_PT expected;
};

TEST_F(QuickHullTest, MarksVerticesOfSmallConfigurations) {
  const std::vector<TCase> cases = {
      {"single point", {{5, 7}}, {}, {1}},
      {"two points", {{1, 0}, {0, 3}}, {}, {1, 1}},
      {"two coincident points: only the first", {{1, 1}, {1, 1}}, {}, {1, 0}},
      {"collinear, unordered: only the ends", {{1, 1}, {3, 3}, {0, 0}, {2, 2}}, {}, {0, 1, 1, 0}},
      {"all on one vertical: only the first", {{0, 1}, {0, 0}, {0, 2}}, {}, {1, 0, 0}},
      {"square: corners, not the centre nor edge midpoints",
       {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}, {1, 0}, {2, 1}, {1, 2}, {0, 1}},
       {},
       {1, 1, 1, 1, 0, 0, 0, 0, 0}},
      {"smallest X shared, first in the middle: it is marked as leftmost",
       {{0, 1}, {0, 0}, {0, 2}, {2, 1}},
       {},
       {1, 1, 1, 1}},
      {"smallest X shared, first at the bottom: the middle one lies on an edge",
       {{0, 0}, {0, 1}, {0, 2}, {2, 1}},
       {},
       {1, 0, 1, 1}},
      {"smallest X shared: first in HullIndex order, not the lowest number",
       {{0, 1}, {0, 0}, {0, 2}, {2, 1}},
       {1, 0, 2, 3},
       {0, 1, 1, 1}},
      {"largest X shared, first at the top", {{2, 2}, {0, 0}, {2, 1}, {2, 0}}, {}, {1, 1, 0, 1}},
      {"one point above the chord, one on it", {{0, 0}, {1, 5}, {2, 0}, {1, 0}}, {}, {1, 1, 1, 0}},
      {"one point above and one below the chord",
       {{0, 0}, {1, -1}, {2, 0}, {1, 3}},
       {},
       {1, 1, 1, 1}},
      {"equally far points on an edge parallel to the chord: the first, inside it, is no vertex",
       {{0, 0}, {4, 0}, {2, -1}, {1, -1}, {3, -1}},
       {},
       {1, 1, 0, 1, 1}},
      {"equally far coincident points: the first wins",
       {{0, 0}, {2, 0}, {1, -1}, {1, -1}},
       {},
       {1, 1, 1, 0}},
      {"a copy of the leftmost point is not marked",
       {{0, 0}, {2, 0}, {0, 0}, {1, -1}},
       {},
       {1, 1, 0, 1}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Run(c.pts, c.order), c.expected);
  }
}

// The orientation test sees the area as formed in extended precision.
// Here it is -2^-60; with double products it would be 0 and the middle point
// would lie on the chord.
TEST_F(QuickHullTest, AreaSignComesFromExtendedPrecision) {
  const double e = 0x1p-30;
  EXPECT_EQ(Run({{-(1 + e), -1}, {0, 0}, {1 + 2 * e, 1 + e}}), (T_PT{1, 1, 1}));
}

// c and q (one ulp above c) have the same area after rounding to double, q the
// larger one before. The first of them is taken as the farthest point, and q,
// beyond the chord from the leftmost to c, is then marked as well.
TEST_F(QuickHullTest, FarthestComparesAreasRoundedToDouble) {
  const TPt left{0, 0};
  const TPt right{0x1.6b78768e4ada2p+0, 0x1.44d120dc3c4fep-2};
  const TPt c{0x1.344123159cc4ep-1, 0x1.8d75b8e4d76ecp+0};
  const TPt q{0x1.344123159cc4ep-1, 0x1.8d75b8e4d76edp+0};
  EXPECT_EQ(Run({left, right, c, q}), (T_PT{1, 1, 1, 1}));
}

// Nearly collinear points spread over many orders of magnitude, where the
// rounded area tests contradict each other: the call still ends.
TEST_F(QuickHullTest, ContradictoryRoundedTestsStillEnd) {
  const std::vector<double> xs = {2.87096e+09,  -133887, 410.357,
                                  -1.49081e+09, 250009,  -8.28592e+09};
  std::vector<TPt> pts;
  for (double x : xs) pts.push_back({x, x * 3.14159265358979});
  const T_PT marks = Run(pts);
  EXPECT_EQ(marks[5], 1);  // leftmost
  EXPECT_EQ(marks[0], 1);  // rightmost
}

// Exact test for small integer points: is the point at v outside the hull of
// all points at other positions?
bool IsStrictVertex(const std::vector<TPt>& pts, std::size_t v) {
  using I = long long;
  auto cross = [](const TPt& a, const TPt& b, const TPt& p) {
    return static_cast<I>((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x));
  };
  const TPt& pv = pts[v];
  std::vector<TPt> others;
  for (const TPt& p : pts) {
    if (p.x != pv.x || p.y != pv.y) others.push_back(p);
  }
  for (const TPt& a : others) {
    for (const TPt& b : others) {
      const bool on_segment = cross(a, b, pv) == 0 && std::min(a.x, b.x) <= pv.x &&
                              pv.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= pv.y &&
                              pv.y <= std::max(a.y, b.y);
      if (on_segment) return false;
      for (const TPt& c : others) {
        const I d = cross(a, b, c);
        if (d == 0) continue;
        const I s1 = cross(a, b, pv), s2 = cross(b, c, pv), s3 = cross(c, a, pv);
        if (d > 0 ? (s1 >= 0 && s2 >= 0 && s3 >= 0) : (s1 <= 0 && s2 <= 0 && s3 <= 0)) return false;
      }
    }
  }
  return true;
}

// On a small integer grid (many collinear and coincident points, shuffled
// HullIndex): exactly one point is marked at each hull vertex and at the
// chosen leftmost and rightmost points, none anywhere else. When all points
// share one X, the first of them is both extremes and nothing else is marked.
TEST_F(QuickHullTest, MarksMatchBruteForceHullOnIntegerGrid) {
  std::mt19937 rng(12345);
  for (int trial = 0; trial < 3000; ++trial) {
    const int n = 1 + static_cast<int>(rng() % 12);
    std::vector<TPt> pts;
    for (int i = 0; i < n; ++i) {
      pts.push_back({static_cast<double>(rng() % 5), static_cast<double>(rng() % 5)});
    }
    T_PT order(pts.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    const T_PT marks = Run(pts, order);

    std::string trace = "points in HullIndex order:";
    std::int32_t leftmost = order[0], rightmost = order[0];
    for (std::int32_t p : order) {
      trace += " (" + std::to_string(pts[p].x) + ", " + std::to_string(pts[p].y) + ")";
      if (pts[p].x < pts[leftmost].x) leftmost = p;
      if (pts[p].x > pts[rightmost].x) rightmost = p;
    }
    SCOPED_TRACE(trace);
    const bool one_x = pts[leftmost].x == pts[rightmost].x;
    auto same = [&](std::size_t p, std::size_t q) {
      return pts[p].x == pts[q].x && pts[p].y == pts[q].y;
    };
    for (std::size_t v = 0; v < pts.size(); ++v) {
      int marked_here = 0;
      for (std::size_t p = 0; p < pts.size(); ++p) {
        if (same(p, v)) marked_here += marks[p];
      }
      const bool extreme = same(v, leftmost) || same(v, rightmost);
      const int expected = (extreme || (!one_x && IsStrictVertex(pts, v))) ? 1 : 0;
      ASSERT_EQ(marked_here, expected) << "at (" << pts[v].x << ", " << pts[v].y << ")";
    }
    ASSERT_EQ(marks[leftmost], 1);
    ASSERT_EQ(marks[rightmost], 1);
  }
}

// A row as the run hands it over: a double-well Gibbs energy sampled on a
// composition grid, screened against the chord between its end points. The
// curve touches the line m x + k at x = 0.1 and 0.9 and is convex outside
// them, so the marked points are the grid points up to and from the two
// tangent points: the ends of the two-phase stretch and the single-phase
// states beyond it.
TEST_F(QuickHullTest, LowerHullOfDoubleWellEndsAtCommonTangent) {
  const double a = 0.1, b = 0.9, m = 0.3, k = -1;
  std::vector<TPt> row;
  for (int i = 0; i <= 20; ++i) {
    const double x = i / 20.0;
    row.push_back({x, (x - a) * (x - a) * (x - b) * (x - b) + m * x + k});
  }
  const TPt first = row.front(), last = row.back();
  std::vector<TPt> screened;
  for (const TPt& p : row) {
    const double chord = first.y + (last.y - first.y) * (p.x - first.x) / (last.x - first.x);
    if (p.y <= chord) screened.push_back(p);
  }
  ASSERT_LT(screened.size(), row.size());  // the screening dropped the middle

  const T_PT marks = Run(screened);
  std::vector<double> marked_x;
  for (std::size_t i = 0; i < screened.size(); ++i) {
    if (marks[i] == 1) marked_x.push_back(screened[i].x);
  }
  EXPECT_EQ(marked_x, (std::vector<double>{0, 1 / 20.0, a, b, 19 / 20.0, 1}));
}

TEST_F(QuickHullTest, RejectsInputsOutsideTheContract) {
  struct TBad {
    std::string name;
    std::int32_t n;
    std::size_t x_len, y_len;
    T_PT index;
  };
  const std::vector<TBad> cases = {
      {"no points", 0, 3, 3, {0, 1, 2}},
      {"negative count", -1, 3, 3, {0, 1, 2}},
      {"HullX too short", 3, 2, 3, {0, 1, 2}},
      {"HullY too short", 3, 3, 2, {0, 1, 2}},
      {"HullIndex too short", 3, 3, 3, {0, 1}},
      {"point number too large", 3, 3, 3, {0, 3, 2}},
      {"negative point number", 3, 3, 3, {0, -1, 2}},
  };
  for (const TBad& c : cases) {
    SCOPED_TRACE(c.name);
    hull_.HullN = c.n;
    hull_.HullX.assign(c.x_len, 0.5);
    hull_.HullY.assign(c.y_len, 0.5);
    hull_.HullIndex = c.index;
    hull_.OnHull.assign(3, 7);
    EXPECT_THROW(hull_.QuickHull(), std::invalid_argument);
    EXPECT_EQ(hull_.OnHull, (T_PT{7, 7, 7}));
  }
}

TEST_F(QuickHullTest, OverwritesOnlyTheFirstNEntriesOfOnHull) {
  // Longer arrays than HullN: the extra point is not looked at, the extra
  // OnHull entry keeps its value; marks of an earlier call are cleared.
  Load({{0, 0}, {1, -1}, {2, 0}, {1, 0}, {-5, -5}});
  hull_.HullN = 4;
  hull_.OnHull.assign(5, 9);
  hull_.QuickHull();
  EXPECT_EQ(hull_.OnHull, (T_PT{1, 1, 1, 0, 9}));

  hull_.HullY[1] = 0;  // now on the chord as well; the same object is reused
  hull_.QuickHull();
  EXPECT_EQ(hull_.OnHull, (T_PT{1, 0, 1, 0, 9}));

  hull_.HullY[1] = 1;

  hull_.HullN = 3;
  hull_.OnHull.clear();  // too short: grown to HullN
  hull_.QuickHull();
  EXPECT_EQ(hull_.OnHull, (T_PT{1, 1, 1}));
}

}  // namespace
}  // namespace binodal
