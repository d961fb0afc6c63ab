// Quicksort driven entirely through two callbacks.
//
// TQSort holds no elements: Sort(start, count) orders the elements
// start .. start + count - 1 of whatever the callbacks look at. OnCompare(i, j)
// returns a negative value when element i belongs before element j, 0 when
// they are equal and a positive value otherwise; OnSwap(i, j) exchanges the
// two elements. Without OnCompare every comparison counts as 0; without OnSwap
// nothing is exchanged. The order of the callback calls is fixed (a quicksort
// with a middle pivot that follows the swaps), so the result for equal
// elements is reproducible, though not stable.
#pragma once

#include <functional>

namespace binodal {

class TQSort {
 public:
  using TCompareProc = std::function<int(int i, int j)>;  // negative: i before j
  using TSwapProc = std::function<void(int i, int j)>;

  TCompareProc OnCompare;
  TSwapProc OnSwap;

  // Sorts elements start .. start + count - 1; does nothing when count < 2.
  // Every index handed to the callbacks lies in that range, even when
  // OnCompare is inconsistent. Throws std::invalid_argument when the range
  // does not fit in int.
  void Sort(int start, int count) const;

 private:
  int Compare(int start, int i, int j) const;
  void Swap(int start, int i, int j) const;
  void SortRange(int start, int left, int right) const;
};

}  // namespace binodal
