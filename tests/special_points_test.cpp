#include "results/special_points.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace binodal {

// Readable failure messages.
void PrintTo(const TR& s, std::ostream* out) {
  *out << s.Text << "[" << s.StartCol << ".." << s.EndCol << "]";
}
void PrintTo(const TNode& n, std::ostream* out) {
  *out << "{Y " << n.Y << ", X " << n.X << ", XLeft " << n.XLeft << ", XRight " << n.XRight << "}";
}
void PrintTo(const TOtherSpecialPoint& p, std::ostream* out) {
  *out << "{\"" << p.Text << "\", " << p.X << ", " << p.Y << "}";
}
void PrintTo(const ChartPoint& p, std::ostream* out) { *out << "(" << p.X << ", " << p.Y << ")"; }

namespace {

// Builds a matrix from rows of blank-separated cells, row 0 first (the
// compositions), each row starting with its column-0 cell. "_" stands for an
// empty cell and "~" inside a cell for a blank.
TPhaseMatrix MatrixOf(const std::vector<std::string>& rows) {
  std::vector<std::vector<std::string>> cells;
  std::size_t cols = 0;
  for (const std::string& row : rows) {
    std::istringstream in(row);
    std::vector<std::string> line;
    for (std::string cell; in >> cell;) {
      if (cell == "_") cell.clear();
      std::replace(cell.begin(), cell.end(), '~', ' ');
      line.push_back(cell);
    }
    cols = std::max(cols, line.size());
    cells.push_back(std::move(line));
  }
  TPhaseMatrix matrix;
  matrix.SetSize(static_cast<int>(cols), static_cast<int>(cells.size()));
  for (std::size_t r = 0; r < cells.size(); ++r) {
    for (std::size_t c = 0; c < cells[r].size(); ++c) {
      matrix.SetCell(static_cast<int>(c), static_cast<int>(r), cells[r][c]);
    }
  }
  return matrix;
}

// Seven compositions 0 .. 0.6, as in the examples of the search.
const std::string kX7 = "Y/X 0 0.1 0.2 0.3 0.4 0.5 0.6";

ChartPoint P(double x, double y) { return {x, y, std::nullopt}; }

// ---------------------------------------------------------------- segments

TEST(SegmentRowTest, CutsARowIntoRunsOfEqualCells) {
  struct Case {
    std::string name;
    std::string row;
    std::vector<TR> expected;
  };
  const std::vector<Case> cases = {
      {"fields around a two-phase stretch",
       "1 α α E E E α α",
       {{1, 2, "α"}, {3, 5, "E"}, {6, 7, "α"}}},
      {"touching fields get a zero-width E", "1 α α β β", {{1, 2, "α"}, {3, 2, "E"}, {3, 4, "β"}}},
      {"texts are compared exactly",
       "1 α L l",
       {{1, 1, "α"}, {2, 1, "E"}, {2, 2, "L"}, {3, 2, "E"}, {3, 3, "l"}}},
      {"a point phase touches a field directly",
       "1 α Ni-(C) β",
       {{1, 1, "α"}, {2, 2, "Ni-(C)"}, {3, 3, "β"}}},
      {"a two-phase cell needs no separator", "1 α E β", {{1, 1, "α"}, {2, 2, "E"}, {3, 3, "β"}}},
      {"an empty cell is a text of its own", "1 _ α", {{1, 1, ""}, {2, 1, "E"}, {2, 2, "α"}}},
      {"one data column", "1 α", {{1, 1, "α"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SegmentRow(MatrixOf({"Y/X", c.row}), 1), c.expected) << c.name;
  }
}

TEST(SegmentRowTest, HeaderRowOutsideRowsAndNoDataColumnsGiveNoSegment) {
  const TPhaseMatrix matrix = MatrixOf({"Y/X 0 1", "1 α β"});
  EXPECT_TRUE(SegmentRow(matrix, 0).empty());
  EXPECT_TRUE(SegmentRow(matrix, 2).empty());
  EXPECT_TRUE(SegmentRow(matrix, -1).empty());
  EXPECT_TRUE(SegmentRow(MatrixOf({"Y/X", "1", "2"}), 1).empty());
}

// ---------------------------------------------------------------- examples

TEST(FindSpecialPointsTest, FieldOpeningBelowARowIsAnAppearancePoint) {
  const TPhaseMatrix matrix = MatrixOf({kX7, "1000 α α α α α α α", "990 α α E E E α α"});
  const double x = (0.2 + 0.4) / 2;
  const SpecialPointResult expected{{}, {{"T(X = 0.3) = 995 ", x, 995}}, {P(x, 995)}};
  EXPECT_EQ(FindSpecialPoints(matrix, 'T'), expected);
}

TEST(FindSpecialPointsTest, FieldFacingOnlyTwoPhaseCellsIsANode) {
  const TPhaseMatrix matrix = MatrixOf({kX7, "800 α E L L L E β", "790 α E E E E E β"});
  const SpecialPointResult expected{
      {{.Y = 800, .X = 0.3, .XLeft = 0, .XRight = 0.6}}, {}, {P(0, 800), P(0.3, 800), P(0.6, 800)}};
  EXPECT_EQ(FindSpecialPoints(matrix, 'T'), expected);
}

// ---------------------------------------------------------------- nodes

TEST(FindSpecialPointsTest, NodeRule) {
  struct Case {
    std::string name;
    std::vector<std::string> rows;
    std::vector<TNode> expected;
  };
  const std::vector<Case> cases = {
      {"middle column rounds down",
       {kX7, "800 α E L L E E β", "790 α E E E E E β"},
       {{.Y = 800, .X = 0.2, .XLeft = 0, .XRight = 0.6}}},
      {"Y of the row with more segments",
       {kX7, "800 α E E E E E β", "790 α E L L L E β"},
       {{.Y = 790, .X = 0.3, .XLeft = 0, .XRight = 0.6}}},
      {"middle composition right of XRight is dropped",
       {"Y/X 0 0.1 0.2 0.9 0.4 0.5 0.6", "800 α E L L L E β", "790 α E E E E E β"},
       {}},
      {"middle composition left of XLeft is dropped",
       {"Y/X 0.25 0.1 0.2 0.2 0.4 0.5 0.6", "800 α E L L L E β", "790 α E E E E E β"},
       {}},
      {"a field at the edge is no node", {kX7, "800 L E β β β β β", "790 E E β β β β β"}, {}},
      {"two fields over one stretch",
       {kX7, "800 α E L E M E β", "790 α E E E E E β"},
       {{.Y = 800, .X = 0.2, .XLeft = 0, .XRight = 0.4},
        {.Y = 800, .X = 0.4, .XLeft = 0.2, .XRight = 0.6}}},
      {"a lower-case e is not two-phase", {kX7, "800 α E L E M E β", "790 α E e e e E β"}, {}},
  };
  for (const Case& c : cases) {
    const SpecialPointResult result = FindSpecialPoints(MatrixOf(c.rows), 'T');
    EXPECT_EQ(result.NodeList, c.expected) << c.name;
    EXPECT_EQ(result.SpecialSeriesPoints.size(),
              3 * result.NodeList.size() + result.OtherSpecialPoints.size())
        << c.name;
  }
}

// ---------------------------------------------------------------- appearance points

TEST(FindSpecialPointsTest, AppearancePointPlacement) {
  struct Case {
    std::string name;
    std::vector<std::string> rows;
    char letter;
    NumberSeparators separators;
    TOtherSpecialPoint expected;
  };
  const std::vector<Case> cases = {
      {"point phase keeps the lower row's Y and its own x",
       {kX7, "1000 α α α α α α α", "990 α α Ni-(C) E E α α"},
       'T',
       {},
       {"T(X = 0.2) = 990 ", 0.2, 990}},
      {"at x = 0 only Y is averaged",
       {"Y/X 0 0.1 0.2 0.3", "1000 α α α α", "990 E E α α"},
       'T',
       {},
       {"T(X = 0) = 995 ", 0, 995}},
      {"within 1e-7 of x = 0 counts as pure",
       {"Y/X 0.00000005 0.1 0.2 0.3", "1000 α α α α", "990 E E α α"},
       'T',
       {},
       {"T(X = 5E-8) = 995 ", 5e-8, 995}},
      {"beyond 1e-7 of x = 0 is averaged",
       {"Y/X 0.0000002 0.1 0.2 0.3", "1000 α α α α", "990 E E α α"},
       'T',
       {},
       {"T(X = 0.0500001) = 995 ", (2e-7 + 0.1) / 2, 995}},
      {"within 1e-7 of x = 1 counts as pure",
       {"Y/X 0.99999995 1.1 1.2 1.3", "1000 α α α α", "990 E E α α"},
       'T',
       {},
       {"T(X = 0.99999995) = 995 ", 0.99999995, 995}},
      {"the scan never takes the last column",
       {"Y/X 0.1 0.2 0.3 0.4", "1000 α α α α", "990 E E E E"},
       'T',
       {},
       {"T(X = 0.2) = 995 ", (0.1 + 0.3) / 2, 995}},
      {"the scan trims blanks",
       {"Y/X 0.1 0.2 0.3 0.4 0.5", "1000 α α α α α", "990 E ~E~ E α α"},
       'T',
       {},
       {"T(X = 0.2) = 995 ", (0.1 + 0.3) / 2, 995}},
      {"the scan reads the lower row when the upper one leads",
       {kX7, "1000 α α E E E α α", "990 α α α α α α α"},
       'T',
       {},
       {"T(X = 0.2) = 995 ", 0.2, 995}},
      {"letter and decimal comma",
       {"Y/X 0 0,1 0,2 0,3 0,4 0,5 0,6", "1000,5 α α α α α α α", "990 α α E E E α α"},
       'P',
       {',', '.'},
       {"P(X = 0,3) = 995,25 ", (0.2 + 0.4) / 2, 995.25}},
  };
  for (const Case& c : cases) {
    const SpecialPointResult result = FindSpecialPoints(MatrixOf(c.rows), c.letter, c.separators);
    EXPECT_TRUE(result.NodeList.empty()) << c.name;
    EXPECT_EQ(result.OtherSpecialPoints, std::vector<TOtherSpecialPoint>{c.expected}) << c.name;
    EXPECT_EQ(result.SpecialSeriesPoints, std::vector<ChartPoint>{P(c.expected.X, c.expected.Y)})
        << c.name;
  }
}

TEST(FindSpecialPointsTest, SharedPhaseTestIgnoresLetterCase) {
  const SpecialPointResult same_field = FindSpecialPoints(
      MatrixOf({"Y/X 0 0.1 0.2 0.3 0.4", "1000 α α L L L", "990 α α l l l"}), 'T');
  EXPECT_EQ(same_field, SpecialPointResult{});

  const SpecialPointResult other_field = FindSpecialPoints(
      MatrixOf({"Y/X 0 0.1 0.2 0.3 0.4", "1000 α α L L L", "990 α α M M M"}), 'T');
  EXPECT_EQ(other_field.OtherSpecialPoints.size(), 1u);
}

TEST(FindSpecialPointsTest, AppearancePointEndsTheWalkOfItsRowPair) {
  // The upper row leads: a node at L, then β meets δ (appearance), and the
  // node at M further right is not looked for.
  const TPhaseMatrix matrix = MatrixOf({"Y/X 0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9",
                                        "1000 α E L E β β E M E γ", "990 α E E E δ δ E E E γ"});
  const SpecialPointResult expected{{{.Y = 1000, .X = 0.2, .XLeft = 0, .XRight = 0.4}},
                                    {{"T(X = 0.4) = 995 ", 0.4, 995}},
                                    {P(0, 1000), P(0.2, 1000), P(0.4, 1000), P(0.4, 995)}};
  EXPECT_EQ(FindSpecialPoints(matrix, 'T'), expected);
}

// ---------------------------------------------------------------- rules after an appearance point

TEST(FindSpecialPointsTest, NodeRulesAfterAnAppearancePoint) {
  struct Case {
    std::string name;
    std::vector<std::string> rows;
    std::vector<TNode> expected;
  };
  const std::string x6 = "Y/X 0 0.1 0.2 0.3 0.4 0.5";
  const std::vector<Case> cases = {
      {"right rule: the field ends at a two-phase stretch on its right",
       {x6, "1000 L L L E β β", "990 α α E E β β", "980 α α E E β β"},
       {{.Y = 990, .X = 0.1, .XLeft = 0.1, .XRight = 0.4}}},
      {"right rule needs the stretch in the row below",
       {x6, "1000 L L L E β β", "990 α α E E β β", "980 α α E β β β"},
       {}},
      {"right rule needs a row below", {x6, "1000 L L L E β β", "990 α α E E β β"}, {}},
      {"left rule: the field ends at a two-phase stretch on its left",
       {x6, "1000 α α E L L L", "990 α α E E β β", "980 α α E E β β"},
       {{.Y = 990, .X = 0.4, .XLeft = 0.1, .XRight = 0.4}}},
      {"left rule accepts the stretch's last column above",
       {x6, "1000 α α α E L L", "990 α α E E β β", "980 α α E E β β"},
       {{.Y = 990, .X = 0.4, .XLeft = 0.1, .XRight = 0.4}}},
      {"left rule needs the stretch's first column below",
       {x6, "1000 α α E L L L", "990 α α E E β β", "980 α α α E β β"},
       {}},
  };
  for (const Case& c : cases) {
    const SpecialPointResult result = FindSpecialPoints(MatrixOf(c.rows), 'T');
    EXPECT_EQ(result.OtherSpecialPoints.size(), 1u) << c.name;
    EXPECT_EQ(result.NodeList, c.expected) << c.name;
  }
}

TEST(FindSpecialPointsTest, SecondToLastSegmentTriesLeftAndTwoSidedRules) {
  const TPhaseMatrix matrix =
      MatrixOf({"Y/X 0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8", "1000 α α E E L E E γ γ",
                "990 α α E E β E E γ γ", "980 α α E E β E E γ γ"});
  const double x = (0.4 + 0.6) / 2;
  const SpecialPointResult expected{
      {{.Y = 990, .X = 0.4, .XLeft = 0.1, .XRight = 0.4},
       {.Y = 990, .X = 0.4, .XLeft = 0.1, .XRight = 0.7}},
      {{"T(X = 0.5) = 995 ", x, 995}},
      {P(x, 995), P(0.1, 990), P(0.4, 990), P(0.4, 990), P(0.1, 990), P(0.4, 990), P(0.7, 990)}};
  EXPECT_EQ(FindSpecialPoints(matrix, 'T'), expected);
}

// ---------------------------------------------------------------- nothing to find

TEST(FindSpecialPointsTest, FindsNothingInSmallPlainOrMalformedMatrices) {
  struct Case {
    std::string name;
    std::vector<std::string> rows;
  };
  const std::vector<Case> cases = {
      {"one computed line", {kX7, "1000 α E L L L E β"}},
      {"identical rows", {kX7, "800 α E L L L E β", "790 α E L L L E β"}},
      {"no cell at all", {}},
      {"header cell only", {"Y/X"}},
      {"Y labels only", {"Y/X", "1000", "990", "980"}},
      {"compositions only", {kX7}},
      {"empty data cells", {kX7, "800 _ _ _ _ _ _ _", "790 _ _ _ _ _ _ _"}},
      {"empty composition headers",
       {"Y/X _ _ _ _ _ _ _", "800 α E L L L E β", "790 α E E E E E β"}},
      {"empty Y labels", {kX7, "_ α α α α α α α", "_ α α E E E α α"}},
      {"compositions that are no numbers",
       {"Y/X a b c d e f g", "1000 α α α α α α α", "990 α α E E E α α"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindSpecialPoints(MatrixOf(c.rows), 'T'), SpecialPointResult{}) << c.name;
  }
  TPhaseMatrix sized;  // cells never written
  sized.SetSize(1, 5);
  EXPECT_EQ(FindSpecialPoints(sized, 'T'), SpecialPointResult{});
  sized.SetSize(5, 1);
  EXPECT_EQ(FindSpecialPoints(sized, 'T'), SpecialPointResult{});
}

TEST(FindSpecialPointsTest, RandomMatricesKeepTheInvariants) {
  const std::vector<std::string> texts = {"", "E", "E", "E", "α", "β", "L", "l", "Ni-(C)", " E"};
  const std::vector<std::string> headers = {"", "0", "0.1", "0,2", "0.3", "0.5", "1", "x", "-1"};
  std::mt19937 random(20240611);
  const auto pick = [&random](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  for (int round = 0; round < 3000; ++round) {
    const int cols = std::uniform_int_distribution<int>(0, 9)(random);
    const int rows = std::uniform_int_distribution<int>(0, 6)(random);
    TPhaseMatrix matrix;
    matrix.SetSize(cols, rows);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        matrix.SetCell(c, r, r == 0 || c == 0 ? pick(headers) : pick(texts));
      }
    }
    SpecialPointResult result;
    ASSERT_NO_THROW(result = FindSpecialPoints(matrix, 'Y')) << "round " << round;
    for (const TNode& node : result.NodeList) {
      EXPECT_LE(node.XLeft, node.X);
      EXPECT_LE(node.X, node.XRight);
    }
    EXPECT_LE(static_cast<int>(result.OtherSpecialPoints.size()), std::max(rows - 2, 0));
    EXPECT_EQ(result.SpecialSeriesPoints.size(),
              3 * result.NodeList.size() + result.OtherSpecialPoints.size());
    EXPECT_EQ(FindSpecialPoints(matrix, 'Y'), result);
  }
}

}  // namespace
}  // namespace binodal
