#include "results/diagram_texts.h"

#include <cmath>
#include <cstdio>

#include "common/number_format.h"

namespace binodal {
namespace {

constexpr std::string_view kTwoPhase = "E";
constexpr std::string_view kPointPhaseMark = "-(C)";
constexpr std::size_t kReadoutWidth = 12;

std::optional<double> HeaderNumber(const std::string& text) {
  const DecimalReading reading = ReadDecimal(text);
  if (!reading.ok) return std::nullopt;
  return reading.value;
}

void RemoveAll(std::string& text, std::string_view what) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
    text.erase(at, what.size());
  }
}

}  // namespace

std::optional<std::string> PhaseLabelText(const TPhaseMatrix& matrix, double x, double y) {
  const int cols = matrix.sg2ColCount();
  const int rows = matrix.sg2RowCount();
  if (cols < 2 || rows < 2) return std::nullopt;
  const std::optional<double> last = HeaderNumber(matrix.Cell(cols - 1, 0));
  if (!last || x > *last) return std::nullopt;

  int column = 0;
  for (int c = 1; c < cols && column == 0; ++c) {
    const std::optional<double> composition = HeaderNumber(matrix.Cell(c, 0));
    if (composition && *composition >= x) column = c;
  }
  int row = 0;
  for (int r = 1; r < rows && row == 0; ++r) {
    const std::optional<double> value = HeaderNumber(matrix.Cell(0, r));
    if (value && *value <= y) row = r;
  }
  if (column == 0 || row == 0) return std::nullopt;

  std::string text = matrix.Cell(column, row);
  if (text == kTwoPhase) {
    int left = column;
    while (left > 1 && matrix.Cell(left, row) == kTwoPhase) --left;
    int right = column;
    while (right < cols - 1 && matrix.Cell(right, row) == kTwoPhase) ++right;
    text = matrix.Cell(left, row) + "+" + matrix.Cell(right, row);
  }
  RemoveAll(text, kPointPhaseMark);
  if (text.empty()) return std::nullopt;
  return text;
}

std::string ReadoutNumber(double value, char decimal_separator) {
  char buffer[64];
  std::string text;
  if (std::fabs(value) >= 1) {
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    text = buffer;
  } else {
    // printf writes at least two exponent digits; the read-out wants three.
    std::snprintf(buffer, sizeof buffer, "%.5E", value);
    text = buffer;
    const std::size_t e = text.find('E');
    if (e != std::string::npos && e + 2 < text.size()) {
      const std::size_t digits = text.size() - (e + 2);
      if (digits < 3) text.insert(e + 2, 3 - digits, '0');
    }
  }
  for (char& ch : text) {
    if (ch == '.') ch = decimal_separator;
  }
  if (text.size() < kReadoutWidth) text.append(kReadoutWidth - text.size(), ' ');
  return text;
}

std::string ReadoutText(double x, double y, std::string_view title_line, char decimal_separator) {
  std::string text = "X = ";
  text += ReadoutNumber(x, decimal_separator);
  text += "    ";
  text += title_line;
  text += " = ";
  text += ReadoutNumber(y, decimal_separator);
  return text;
}

}  // namespace binodal
