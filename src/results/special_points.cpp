#include "results/special_points.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

namespace binodal {
namespace {

constexpr std::string_view kTwoPhase = "E";
// Within this distance of 0 or 1 an appearance point lies on a pure component.
constexpr double kPureComponentTolerance = 1e-7;

bool IsPointPhase(std::string_view text) { return text.find('C') != std::string_view::npos; }

std::string_view TrimBlanks(std::string_view text) {
  const auto is_blank = [](char ch) { return static_cast<unsigned char>(ch) <= ' '; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& ch : folded) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return folded;
}

// Middle column of a segment, rounded down (columns are positive).
int MidColumn(const TR& segment) { return (segment.StartCol + segment.EndCol) / 2; }

class Search {
 public:
  Search(const TPhaseMatrix& matrix, char y_letter, NumberSeparators separators)
      : matrix_(matrix), y_letter_(y_letter), separators_(separators) {}

  SpecialPointResult Run() && {
    std::vector<TR> previous;
    for (int q = 1; q < matrix_.sg2RowCount(); ++q) {
      std::vector<TR> current = SegmentRow(matrix_, q);
      if (q >= 2) ComparePair(q, previous, current);
      previous = std::move(current);
    }
    return std::move(result_);
  }

 private:
  // The cell [col][row] or nullptr outside the matrix.
  [[nodiscard]] const std::string* CellAt(int col, int row) const {
    if (col < 0 || col >= matrix_.sg2ColCount() || row < 0 || row >= matrix_.sg2RowCount()) {
      return nullptr;
    }
    return &matrix_.Cell(col, row);
  }

  [[nodiscard]] bool IsTwoPhase(int col, int row) const {
    if (col < 1 || row < 1) return false;
    const std::string* cell = CellAt(col, row);
    return cell != nullptr && *cell == kTwoPhase;
  }

  // A header cell as a number; none when outside, empty or not a number.
  [[nodiscard]] std::optional<double> Header(int col, int row) const {
    const std::string* cell = CellAt(col, row);
    if (cell == nullptr || cell->empty()) return std::nullopt;
    const DecimalReading reading = ReadDecimal(*cell);
    if (!reading.ok) return std::nullopt;
    return reading.value;
  }
  [[nodiscard]] std::optional<double> X(int col) const {
    return col >= 1 ? Header(col, 0) : std::nullopt;
  }
  [[nodiscard]] std::optional<double> Y(int row) const {
    return row >= 1 ? Header(0, row) : std::nullopt;
  }

  // The distinct filled texts of row `row` over the columns of `segment`,
  // with ASCII letters folded to lower case.
  [[nodiscard]] std::set<std::string> FoldedTexts(const TR& segment, int row) const {
    std::set<std::string> texts;
    const std::string* last = nullptr;  // a row is mostly runs of one text
    for (int col = segment.StartCol; col <= segment.EndCol; ++col) {
      const std::string* cell = CellAt(col, row);
      if (cell == last) continue;  // equal texts are one object
      last = cell;
      if (cell != nullptr && !cell->empty()) texts.insert(FoldCase(*cell));
    }
    return texts;
  }

  // True when a filled cell of `row` over `segment` is anything but "E".
  [[nodiscard]] bool HasSinglePhaseCell(const TR& segment, int row) const {
    for (int col = segment.StartCol; col <= segment.EndCol; ++col) {
      const std::string* cell = CellAt(col, row);
      if (cell != nullptr && !cell->empty() && *cell != kTwoPhase) return true;
    }
    return false;
  }

  // Rows q - 1 and q: walks the segments of the row with more of them.
  void ComparePair(int q, const std::vector<TR>& previous, const std::vector<TR>& current) {
    const bool previous_leads = previous.size() > current.size();
    const std::vector<TR>& s = previous_leads ? previous : current;
    const int row_w = previous_leads ? q - 1 : q;
    const int row_o = previous_leads ? q : q - 1;
    const int n = static_cast<int>(s.size()) - 1;

    int i = 0;
    while (i <= n) {
      if (s[i].Text == kTwoPhase && i > 0) {
        const std::string& left = s[i - 1].Text;
        ++i;
        if (i > n) break;
        // The same field on both sides: the two-phase segment is the candidate.
        if (s[i].Text == left) --i;
      }
      const TR& candidate = s[i];
      const std::set<std::string> a = FoldedTexts(candidate, row_w);
      const std::set<std::string> b = FoldedTexts(candidate, row_o);
      const bool shared = std::any_of(a.begin(), a.end(),
                                      [&b](const std::string& text) { return b.contains(text); });
      if (shared) {
        ++i;
        continue;
      }
      if (HasSinglePhaseCell(candidate, row_o)) {
        AppearancePoint(q, s, i, row_w);
        break;
      }
      if (i >= 2 && i <= n - 2) {
        StoreNode(Y(row_w), X(s[i - 2].EndCol), X(MidColumn(candidate)), X(s[i + 2].StartCol));
      }
      ++i;
    }
  }

  void AppearancePoint(int q, const std::vector<TR>& s, int i, int row_w) {
    const TR& segment = s[i];
    std::optional<double> x = X(segment.StartCol);
    std::optional<double> y = Y(q);
    if (x && y && !IsPointPhase(segment.Text)) {
      const std::optional<double> y_above = Y(q - 1);
      y = y_above ? std::optional<double>((*y_above + *y) / 2) : std::nullopt;
      if (std::abs(*x - 1) > kPureComponentTolerance && std::abs(*x) > kPureComponentTolerance) {
        // Over the two-phase cells of row q right of the start; the last
        // column never counts.
        int end = segment.StartCol;
        for (int col = segment.StartCol + 1; col < matrix_.sg2ColCount() - 1; ++col) {
          if (TrimBlanks(matrix_.Cell(col, q)) != kTwoPhase) break;
          end = col;
        }
        const std::optional<double> x_end = X(end);
        x = x_end ? std::optional<double>((*x + *x_end) / 2) : std::nullopt;
      }
    }
    if (x && y) {
      std::string text(1, y_letter_);
      text += "(X = " + FormatGeneral(*x, separators_.decimal) +
              ") = " + FormatGeneral(*y, separators_.decimal) + " ";
      result_.OtherSpecialPoints.push_back({std::move(text), *x, *y});
      result_.SpecialSeriesPoints.push_back({*x, *y, std::nullopt});
    }

    const int n = static_cast<int>(s.size()) - 1;
    if (i >= 2 && i >= n - 2) {  // the field ends on the left
      const TR& left = s[i - 1];
      if ((IsTwoPhase(left.EndCol, q - 1) || IsTwoPhase(left.StartCol, q - 1)) &&
          IsTwoPhase(left.StartCol, q + 1)) {
        const std::optional<double> x_right = X(segment.StartCol);
        StoreNode(Y(row_w), X(s[i - 2].EndCol), x_right, x_right);
      }
    }
    const bool right_two_phase =
        i + 1 <= n && IsTwoPhase(s[i + 1].EndCol, q - 1) && IsTwoPhase(s[i + 1].EndCol, q + 1);
    if (i < 2 && i <= n - 2 && right_two_phase) {  // the field ends on the right
      const std::optional<double> x_left = X(segment.EndCol);
      StoreNode(Y(row_w), x_left, x_left, X(s[i + 2].StartCol));
    }
    if (i >= 2 && i <= n - 2 && right_two_phase) {
      StoreNode(Y(row_w), X(s[i - 2].EndCol), X(MidColumn(segment)), X(s[i + 2].StartCol));
    }
  }

  void StoreNode(std::optional<double> y, std::optional<double> x_left, std::optional<double> x,
                 std::optional<double> x_right) {
    if (!y || !x_left || !x || !x_right) return;
    if (!(*x_left <= *x && *x <= *x_right)) return;
    result_.NodeList.push_back({*y, *x, *x_left, *x_right});
    result_.SpecialSeriesPoints.push_back({*x_left, *y, std::nullopt});
    result_.SpecialSeriesPoints.push_back({*x, *y, std::nullopt});
    result_.SpecialSeriesPoints.push_back({*x_right, *y, std::nullopt});
  }

  const TPhaseMatrix& matrix_;
  char y_letter_;
  NumberSeparators separators_;
  SpecialPointResult result_;
};

}  // namespace

std::vector<TR> SegmentRow(const TPhaseMatrix& matrix, int row) {
  const int cols = matrix.sg2ColCount();
  if (row < 1 || row >= matrix.sg2RowCount() || cols < 2) return {};
  std::vector<TR> segments;
  TR current{1, 1, matrix.Cell(1, row)};
  const std::string* current_cell = &matrix.Cell(1, row);
  for (int col = 2; col < cols; ++col) {
    const std::string& cell = matrix.Cell(col, row);
    if (&cell == current_cell) continue;  // equal texts are one object
    current_cell = &cell;
    if (cell != kTwoPhase && current.Text != kTwoPhase && !IsPointPhase(cell) &&
        !IsPointPhase(current.Text)) {
      current.EndCol = col - 1;
      segments.push_back(std::move(current));
      current = TR{col, col, std::string(kTwoPhase)};
    }
    current.EndCol = col - 1;
    segments.push_back(std::move(current));
    current = TR{col, col, cell};
  }
  current.EndCol = cols - 1;
  segments.push_back(std::move(current));
  return segments;
}

SpecialPointResult FindSpecialPoints(const TPhaseMatrix& matrix, char y_letter,
                                     NumberSeparators separators) {
  return Search(matrix, y_letter, separators).Run();
}

}  // namespace binodal
