#include "calc/qsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace binodal {
namespace {

// One callback call: 'C' for compare, 'S' for swap.
struct TEvent {
  char kind;
  int i, j;
  bool operator==(const TEvent&) const = default;
};

void PrintTo(const TEvent& e, std::ostream* os) {
  *os << e.kind << '(' << e.i << ',' << e.j << ')';
}

// Sorts `values` ascending through a TQSort and records every callback call.
// Indices outside the vector fail the test.
class TRecorder {
 public:
  explicit TRecorder(std::vector<int> values) : values_(std::move(values)) {
    sorter_.OnCompare = [this](int i, int j) {
      Check(i, j);
      events_.push_back({'C', i, j});
      return values_[i] < values_[j] ? -1 : values_[i] > values_[j] ? 1 : 0;
    };
    sorter_.OnSwap = [this](int i, int j) {
      Check(i, j);
      events_.push_back({'S', i, j});
      std::swap(values_[i], values_[j]);
    };
  }

  void Sort(int start, int count) { sorter_.Sort(start, count); }
  const std::vector<int>& values() const { return values_; }
  const std::vector<TEvent>& events() const { return events_; }
  TQSort& sorter() { return sorter_; }

 private:
  void Check(int i, int j) const {
    const int n = static_cast<int>(values_.size());
    if (i < 0 || i >= n || j < 0 || j >= n) {
      ADD_FAILURE() << "index out of range: " << i << ", " << j;
      throw std::out_of_range("index out of range");
    }
  }

  std::vector<int> values_;
  std::vector<TEvent> events_;
  TQSort sorter_;
};

TEST(TQSortTest, FewerThanTwoElementsCallNothing) {
  for (int count : {-3, 0, 1}) {
    SCOPED_TRACE(count);
    TRecorder rec({3, 2, 1});
    rec.Sort(1, count);
    EXPECT_TRUE(rec.events().empty());
  }
}

// The exact call sequence is part of the behaviour. Elements 10..14 hold
// 0 1 3 4 2 (the rest must not be touched). The pivot (3, in the middle) is
// swapped to the end and followed there; the right part 13..14 is the smaller
// one and is sorted first, by recursion, the left part 10..12 by the loop.
TEST(TQSortTest, CallSequenceOnASmallArray) {
  std::vector<int> values(16, -1);
  const std::vector<int> part = {0, 1, 3, 4, 2};
  std::copy(part.begin(), part.end(), values.begin() + 10);
  TRecorder rec(values);
  rec.Sort(10, 5);
  const std::vector<TEvent> expected = {
      {'C', 10, 12}, {'C', 11, 12}, {'C', 12, 12}, {'C', 12, 14}, {'S', 12, 14}, {'C', 13, 14},
      {'C', 14, 13}, {'C', 14, 12}, {'C', 13, 13}, {'C', 13, 14}, {'S', 13, 14}, {'C', 10, 11},
      {'C', 11, 11}, {'C', 11, 12}, {'C', 11, 11}, {'S', 11, 11},
  };
  EXPECT_EQ(rec.events(), expected);
  std::vector<int> sorted(16, -1);
  for (int k = 0; k < 5; ++k) sorted[10 + k] = k;
  EXPECT_EQ(rec.values(), sorted);
}

TEST(TQSortTest, MissingHandlers) {
  // Without OnCompare all elements count as equal: the scans stop at once and
  // the elements are swapped pairwise from the ends inwards.
  TRecorder rec({5, 6, 7, 8});
  rec.sorter().OnCompare = nullptr;
  rec.Sort(1, 3);
  EXPECT_EQ(rec.events(), (std::vector<TEvent>{{'S', 1, 3}, {'S', 2, 2}}));
  EXPECT_EQ(rec.values(), (std::vector<int>{5, 8, 7, 6}));

  // Without OnSwap nothing is exchanged; comparisons still run and end.
  TRecorder no_swap({3, 1, 2, 0});
  no_swap.sorter().OnSwap = nullptr;
  no_swap.Sort(0, 4);
  EXPECT_FALSE(no_swap.events().empty());
  EXPECT_EQ(no_swap.values(), (std::vector<int>{3, 1, 2, 0}));

  TQSort bare;
  EXPECT_NO_THROW(bare.Sort(0, 100));
}

// The run orders hull vertices by composition descending, equal compositions
// by Gibbs energy ascending, swapping whole records.
TEST(TQSortTest, OrdersHullPointRecords) {
  struct TRecord {
    double x, g;
    std::string phase;
  };
  std::vector<TRecord> points = {
      {0.2, -5.0, "A"}, {0.9, -1.0, "B"}, {0.2, -7.0, "C"}, {0.5, -3.0, "D"},
      {0.9, -2.0, "E"}, {0.2, -6.0, "F"}, {0.0, 0.0, "G"},
  };
  TQSort sorter;
  sorter.OnCompare = [&](int i, int j) {
    const TRecord &a = points[i], &b = points[j];
    if (a.x != b.x) return a.x > b.x ? -1 : 1;
    if (a.g == b.g) return 0;
    return a.g > b.g ? 1 : -1;
  };
  sorter.OnSwap = [&](int i, int j) { std::swap(points[i], points[j]); };
  sorter.Sort(0, static_cast<int>(points.size()));
  std::string order;
  for (const TRecord& p : points) order += p.phase;
  EXPECT_EQ(order, "EBDCFAG");
}

TEST(TQSortTest, AgreesWithStdSort) {
  std::mt19937 rng(2024);
  for (int n = 0; n <= 150; ++n) {
    for (int range : {1, 3, 1000}) {  // all equal, many duplicates, few duplicates
      SCOPED_TRACE("n = " + std::to_string(n) + ", range = " + std::to_string(range));
      const int start = static_cast<int>(rng() % 4);
      std::vector<int> values(static_cast<std::size_t>(start + n + 2));
      for (int& v : values) v = static_cast<int>(rng() % static_cast<unsigned>(range));
      std::vector<int> expected = values;
      std::sort(expected.begin() + start, expected.begin() + start + n);
      TRecorder rec(values);
      rec.Sort(start, n);
      ASSERT_EQ(rec.values(), expected);
    }
  }
}

// Presorted input is the usual case (the run collects hull vertices in nearly
// the final order); the recursion into the smaller part keeps the depth low.
TEST(TQSortTest, SortsPresortedAndLargeInputs) {
  const int n = 10000;
  std::vector<int> ascending(n);
  for (int k = 0; k < n; ++k) ascending[k] = k;
  std::vector<int> descending(ascending.rbegin(), ascending.rend());
  std::vector<int> equal(n, 42);
  std::vector<int> shuffled = ascending;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  for (const auto& input : {ascending, descending, equal, shuffled}) {
    TRecorder rec(input);
    rec.Sort(0, n);
    EXPECT_TRUE(std::is_sorted(rec.values().begin(), rec.values().end()));
    EXPECT_TRUE(std::is_permutation(rec.values().begin(), rec.values().end(), input.begin()));
  }
}

// A comparison that contradicts itself leaves the order unspecified, but every
// index stays in the range, the elements are only permuted and the sort ends.
TEST(TQSortTest, InconsistentComparisonStaysInRange) {
  std::mt19937 rng(99);
  for (int n = 2; n <= 60; ++n) {
    SCOPED_TRACE(n);
    std::vector<int> values(static_cast<std::size_t>(n + 4));
    for (int k = 0; k < n + 4; ++k) values[k] = k;
    const std::vector<int> original = values;
    TRecorder rec(values);
    rec.sorter().OnCompare = [&rng](int, int) { return static_cast<int>(rng() % 3) - 1; };
    rec.Sort(2, n);
    const std::vector<int>& out = rec.values();
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2, original.begin()));
    EXPECT_TRUE(std::equal(out.end() - 2, out.end(), original.end() - 2));
    EXPECT_TRUE(std::is_permutation(out.begin(), out.end(), original.begin()));
  }
}

TEST(TQSortTest, RangeMustFitInInt) {
  std::vector<TEvent> events;
  TQSort sorter;
  sorter.OnCompare = [&](int i, int j) {
    events.push_back({'C', i, j});
    return 0;
  };
  EXPECT_THROW(sorter.Sort(INT_MAX - 1, 3), std::invalid_argument);
  EXPECT_TRUE(events.empty());
  sorter.Sort(INT_MAX - 1, 2);
  EXPECT_EQ(events,
            (std::vector<TEvent>{{'C', INT_MAX - 1, INT_MAX - 1}, {'C', INT_MAX - 1, INT_MAX}}));
}

}  // namespace
}  // namespace binodal
