#include "results/axis_scale.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace binodal {
namespace {

double Clamped(double value) {
  if (std::isnan(value)) return 0;
  return std::clamp(value, -kMaxAxisMagnitude, kMaxAxisMagnitude);
}

}  // namespace

std::pair<double, double> DrawableRange(double min, double max) {
  min = Clamped(min);
  max = Clamped(max);
  if (max < min) std::swap(min, max);
  if (!(max > min)) {
    const double half = min == 0 ? 1 : std::abs(min) * 0.05;
    min -= half;
    max += half;
  }
  const auto narrowest = [](double low, double high) {
    return std::max(kMinAxisSpan, kMinRelativeAxisSpan * std::max(std::abs(low), std::abs(high)));
  };
  if (max - min < narrowest(min, max)) {
    // Widened about the middle; the ends grow with it, and so may the span they need.
    const double middle = min / 2 + max / 2;
    for (double half = narrowest(min, max) / 2; max - min < narrowest(min, max); half *= 1.25) {
      min = middle - half;
      max = middle + half;
    }
  }
  return {min, max};
}

double RoundStep(double span, int parts) {
  const double raw = span / std::max(1, parts);
  if (!(raw > 0) || !std::isfinite(raw)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
    if (factor * power >= raw * (1 - 1e-9)) return factor * power;
  }
  return 10 * power;
}

AxisScale RoundScale(double min, double max, int intervals) {
  std::tie(min, max) = DrawableRange(min, max);
  intervals = std::max(1, intervals);
  const double power = std::pow(10.0, std::floor(std::log10((max - min) / intervals)));
  for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0, 20.0}) {
    const double step = factor * power;
    const double low = std::floor(min / step) * step;
    const double high = std::ceil(max / step) * step;
    if ((high - low) / step <= intervals + 1e-9) return {low, high, step};
  }
  return {min, max, max - min};  // not reached: a step of 20 powers always fits
}

}  // namespace binodal
