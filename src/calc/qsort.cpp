#include "calc/qsort.h"

#include <limits>
#include <stdexcept>

namespace binodal {

void TQSort::Sort(int start, int count) const {
  if (count < 2) return;
  if (start > std::numeric_limits<int>::max() - (count - 1)) {
    throw std::invalid_argument("TQSort::Sort: the range does not fit in int");
  }
  SortRange(start, 0, count - 1);
}

int TQSort::Compare(int start, int i, int j) const {
  return OnCompare ? OnCompare(start + i, start + j) : 0;
}

void TQSort::Swap(int start, int i, int j) const {
  if (OnSwap) OnSwap(start + i, start + j);
}

// Sorts the internal indices left..right. The pivot is the element that stood
// in the middle; p follows it when a swap moves it. Only the smaller part is
// sorted recursively, the larger one by the loop, so the depth stays below
// log2(count).
void TQSort::SortRange(int start, int left, int right) const {
  while (left < right) {
    int i = left;
    int j = right;
    int p = left + (right - left) / 2;  // (left + right) div 2, without overflow
    do {
      // With a consistent comparison the scans stop at the pivot or at an
      // element already passed to the other side; the bounds only matter for
      // an inconsistent one, and then merely keep the indices in range.
      while (Compare(start, i, p) < 0 && i < right) ++i;
      while (Compare(start, p, j) < 0 && j > left) --j;
      if (i <= j) {
        Swap(start, i, j);
        if (p == i) {
          p = j;
        } else if (p == j) {
          p = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - left > right - i) {
      if (i < right) SortRange(start, i, right);
      right = j;
    } else {
      if (left < j) SortRange(start, left, j);
      left = i;
    }
  }
}

}  // namespace binodal
