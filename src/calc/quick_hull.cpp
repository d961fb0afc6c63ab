#include "calc/quick_hull.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace binodal {

void TQuickHull::QuickHull() {
  CheckInputs();
  const auto n = static_cast<std::size_t>(HullN);
  if (OnHull.size() < n) OnHull.resize(n);
  for (std::size_t i = 0; i < n; ++i) OnHull[i] = 0;

  std::int32_t leftmost = 0;
  std::int32_t rightmost = 0;
  FindExtremes(leftmost, rightmost);
  OnHull[leftmost] = 1;
  OnHull[rightmost] = 1;

  work_.clear();
  const TWorkList upper = SplitLeft(HullIndex, 0, HullN, leftmost, rightmost);
  const TWorkList lower = SplitLeft(HullIndex, 0, HullN, rightmost, leftmost);
  HullSide(upper);
  HullSide(lower);
}

void TQuickHull::CheckInputs() const {
  if (HullN < 1) {
    throw std::invalid_argument("QuickHull: HullN must be at least 1, not " +
                                std::to_string(HullN));
  }
  const auto n = static_cast<std::size_t>(HullN);
  if (HullX.size() < n || HullY.size() < n || HullIndex.size() < n) {
    throw std::invalid_argument("QuickHull: HullX, HullY and HullIndex need " +
                                std::to_string(HullN) + " entries each");
  }
  for (std::size_t k = 0; k < n; ++k) {
    if (HullIndex[k] < 0 || HullIndex[k] >= HullN) {
      throw std::invalid_argument("QuickHull: HullIndex[" + std::to_string(k) +
                                  "] = " + std::to_string(HullIndex[k]) + " is not a point number");
    }
  }
}

double TQuickHull::Area(std::int32_t a, std::int32_t b, std::int32_t p) const {
  const long double xa = HullX[a], ya = HullY[a];
  const long double xb = HullX[b], yb = HullY[b];
  const long double xp = HullX[p], yp = HullY[p];
  // Rounded to double here, so that every comparison sees the stored value.
  return static_cast<double>((xa - xp) * (yb - yp) - (ya - yp) * (xb - xp));
}

bool TQuickHull::IsLeft(std::int32_t a, std::int32_t b, std::int32_t p) const {
  return Area(a, b, p) > 0;
}

void TQuickHull::FindExtremes(std::int32_t& leftmost, std::int32_t& rightmost) const {
  leftmost = HullIndex[0];
  rightmost = HullIndex[0];
  for (std::int32_t k = 1; k < HullN; ++k) {
    const std::int32_t p = HullIndex[k];
    if (HullX[p] < HullX[leftmost]) leftmost = p;
    if (HullX[p] > HullX[rightmost]) rightmost = p;
  }
}

TQuickHull::TWorkList TQuickHull::SplitLeft(const T_PT& source, std::size_t from,
                                            std::int32_t count, std::int32_t a, std::int32_t b) {
  const TWorkList result{work_.size(), 2};
  // Reserving first keeps `source` readable when it is work_ itself. The
  // storage grows geometrically and is kept from call to call.
  const std::size_t needed = work_.size() + static_cast<std::size_t>(count);
  if (work_.capacity() < needed) work_.reserve(std::max(needed, 2 * work_.capacity()));
  work_.push_back(a);
  work_.push_back(b);
  std::int32_t out = 2;
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t p = source[from + static_cast<std::size_t>(k)];
    if (p == a || p == b) continue;
    if (IsLeft(a, b, p)) {
      work_.push_back(p);
      ++out;
    }
  }
  return {result.offset, out};
}

std::int32_t TQuickHull::Farthest(TWorkList list, bool& inside_edge) const {
  const std::int32_t a = work_[list.offset];
  const std::int32_t b = work_[list.offset + 1];
  std::int32_t best_k = 2;
  std::int32_t best = work_[list.offset + 2];
  double best_area = Area(a, b, best);
  bool tied = false;
  for (std::int32_t k = 3; k < list.count; ++k) {
    const std::int32_t p = work_[list.offset + static_cast<std::size_t>(k)];
    const double area = Area(a, b, p);
    if (area > best_area) {
      best_k = k;
      best = p;
      best_area = area;
      tied = false;
    } else if (area == best_area) {
      tied = true;
    }
  }

  // Equally far points lie on one line parallel to the chord; the edge of the
  // hull on that line runs between the outermost of them. The first of them
  // may lie inside that edge, with others on both sides (along a -> b).
  inside_edge = false;
  if (tied) {
    const long double dx = static_cast<long double>(HullX[b]) - HullX[a];
    const long double dy = static_cast<long double>(HullY[b]) - HullY[a];
    bool before = false, after = false;
    for (std::int32_t k = best_k + 1; k < list.count; ++k) {
      const std::int32_t p = work_[list.offset + static_cast<std::size_t>(k)];
      if (Area(a, b, p) != best_area) continue;
      const auto along =
          static_cast<double>((static_cast<long double>(HullX[p]) - HullX[best]) * dx +
                              (static_cast<long double>(HullY[p]) - HullY[best]) * dy);
      before = before || along < 0;
      after = after || along > 0;
    }
    inside_edge = before && after;
  }
  return best;
}

void TQuickHull::HullSide(TWorkList list) {
  if (list.count == 2) return;
  if (list.count == 3) {
    OnHull[work_[list.offset + 2]] = 1;
    return;
  }
  const std::int32_t a = work_[list.offset];
  const std::int32_t b = work_[list.offset + 1];
  bool inside_edge = false;
  const std::int32_t c = Farthest(list, inside_edge);
  // A point inside a hull edge is no vertex; it still splits the list, and
  // the two parts find the ends of that edge.
  if (!inside_edge) OnHull[c] = 1;
  // Each side's list lives on top of work_ while that side is worked on.
  const std::size_t top = work_.size();
  HullSideOfPart(SplitLeft(work_, list.offset, list.count, a, c), list.count);
  work_.resize(top);
  HullSideOfPart(SplitLeft(work_, list.offset, list.count, c, b), list.count);
  work_.resize(top);
}

void TQuickHull::HullSideOfPart(TWorkList part, std::int32_t parent_count) {
  // c lies strictly left of a -> b, so with exact arithmetic b is not left of
  // a -> c, a is not left of c -> b, and each part is shorter than its parent.
  // Rounded area tests of nearly collinear points can contradict each other,
  // so that a part keeps every point of its parent; splitting it again could
  // go on forever. Such a part is left as it is.
  if (part.count < parent_count) HullSide(part);
}

}  // namespace binodal
