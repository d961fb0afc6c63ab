// Convex hull of a set of numbered points in the plane (quickhull).
//
// The caller fills HullN, HullX, HullY and HullIndex (the point numbers to
// work on, normally 0..HullN-1) and calls QuickHull(); afterwards OnHull[i] is
// 1 if point i is a vertex of the hull, else 0. Both chains are marked: the
// one above the line from the leftmost to the rightmost point and the one
// below it. Points lying exactly on a hull edge are not marked, with one
// exception: of several points sharing the smallest (largest) X, the first in
// HullIndex order is the leftmost (rightmost) point and is marked even inside
// a vertical edge (if all points share one X, it is the only point marked).
// The orientation test is the doubled triangle area formed in extended
// precision and rounded to double; where rounding makes these tests contradict
// each other (nearly collinear points), a chain stops being refined, so that
// every call ends. The inputs are not changed; the object may be reused for
// any number of calls and keeps its working storage between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace binodal {

using T_PT = std::vector<std::int32_t>;

class TQuickHull {
 public:
  // Inputs: HullN >= 1 points; HullX, HullY and HullIndex hold at least HullN
  // entries, and every one of HullIndex[0..HullN-1] lies in 0..HullN-1.
  std::int32_t HullN = 0;
  std::vector<double> HullX, HullY;
  T_PT HullIndex;
  // Output: entries 0..HullN-1 are overwritten (resized to HullN if shorter).
  T_PT OnHull;

  // Marks the hull vertices in OnHull. Throws std::invalid_argument when the
  // inputs break the contract above; OnHull is then left unchanged.
  void QuickHull();

 private:
  // A working list: point numbers work_[offset .. offset + count - 1]. Entries
  // 0 and 1 are the ends A and B of its chord; the others lie strictly left of
  // the directed line from A to B.
  struct TWorkList {
    std::size_t offset;
    std::int32_t count;
  };

  void CheckInputs() const;
  // Doubled signed area of the triangle a, b, p; positive when p lies left of
  // the directed line from a to b. Formed in extended precision.
  double Area(std::int32_t a, std::int32_t b, std::int32_t p) const;
  bool IsLeft(std::int32_t a, std::int32_t b, std::int32_t p) const;
  void FindExtremes(std::int32_t& leftmost, std::int32_t& rightmost) const;
  // Appends to work_ the list of chord a, b holding those of the `count`
  // entries of `source` from `from` on that lie strictly left of a -> b.
  TWorkList SplitLeft(const T_PT& source, std::size_t from, std::int32_t count, std::int32_t a,
                      std::int32_t b);
  // The point of the list farthest from its chord (the first of equally far
  // ones); inside_edge tells whether equally far points lie on both sides of
  // it along the chord.
  std::int32_t Farthest(TWorkList list, bool& inside_edge) const;
  void HullSide(TWorkList list);
  // HullSide on a part of a list of parent_count points, if it is shorter.
  void HullSideOfPart(TWorkList part, std::int32_t parent_count);

  // Scratch storage of all working lists, used as a stack.
  T_PT work_;
};

}  // namespace binodal
