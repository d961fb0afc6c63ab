// The results of a run, as the result windows, the special point search and
// the phase diagram read them.
//
// A run owns one RunResults and overwrites it: the matrix of phase
// designations, the two-phase boundary points of every row, the composition
// columns and, once the special point search has run, the nodes. The working
// arrays of a row (candidates, hull points) belong to the row step.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "thermo/composition.h"

namespace binodal {

// One candidate state of a row.
struct TDPoint {
  bool Fixed = false;     // a point phase (fixed composition)
  bool Rejected = false;  // dropped by the chord screening
  double X = 0;           // composition (mole fraction of B)
  double G = 0;           // Gibbs energy at X
  double DX = 0;          // composition step of the run
  // Designation; point phases end in "-(C)". Views a name of the run's phase
  // lists, valid until the phase functions are assembled again.
  std::string_view Phase;
  std::int32_t Column = 0;  // matrix column (from 1); 0 for a point phase
  bool operator==(const TDPoint&) const = default;
};
using TaTpoint = std::vector<TDPoint>;

// One end of a two-phase stretch of a row.
struct TZPoint {
  double X = 0;
  double Y = 0;
  std::int32_t Column = 0;  // 0 for a point phase
  std::string Phase;
  bool operator==(const TZPoint&) const = default;
};
using TaTZpoint = std::vector<TZPoint>;

// A three-phase line (special point) at one Y: the compositions of the left,
// middle and right phase, XLeft <= X <= XRight.
struct TNode {
  double Y = 0;
  double X = 0;
  double XLeft = 0;
  double XRight = 0;
  bool operator==(const TNode&) const = default;
};

// An appearance point: where a phase field begins or ends between two rows.
struct TOtherSpecialPoint {
  std::string Text;  // e.g. "T(X = 0.3) = 995 " (with the trailing blank)
  double X = 0;
  double Y = 0;
  bool operator==(const TOtherSpecialPoint&) const = default;
};

// The matrix form of the phase diagram, indexed [column][row]. Cell [0][0]
// is " Y/X"; row 0 holds the column captions (compositions), column 0 the Y
// labels; every other cell a designation or "E" (inside a two-phase field).
// Readers loop over sg2ColCount() and sg2RowCount(), not over storage.
//
// A run writes a few distinct texts into millions of cells, so every cell
// holds the number of its text in a table of distinct texts, kept until the
// matrix is emptied (SetSize to no cell). A reference returned by Cell()
// stays valid until then, or until the matrix is assigned to or destroyed.
class TPhaseMatrix {
 public:
  [[nodiscard]] int sg2ColCount() const { return cols_; }
  [[nodiscard]] int sg2RowCount() const { return rows_; }
  // Resizes to cols x rows; cells that stay keep their text, new ones are empty.
  void SetSize(int cols, int rows);
  void SetColCount(int cols) { SetSize(cols, rows_); }
  void SetRowCount(int rows) { SetSize(cols_, rows); }

  // Makes room for cols x rows cells, so that a matrix growing row by row up
  // to that size is never copied.
  void Reserve(int cols, int rows);

  // Throws std::out_of_range outside the matrix. Cells of equal text return
  // the same string object, so a reader may compare cells by address.
  [[nodiscard]] const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string_view text);

 private:
  using TextNumber = std::uint32_t;
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };
  [[nodiscard]] std::size_t Index(int col, int row) const;
  // The number of `text` in the table, added if it is new.
  [[nodiscard]] TextNumber Intern(std::string_view text);
  void ClearTexts();

  int cols_ = 0;
  int rows_ = 0;
  std::vector<TextNumber> cells_;  // row-major: rows grow as a run goes on
  // The distinct texts; text 0 is the empty one. A deque keeps references valid as it grows.
  std::deque<std::string> texts_{std::string()};
  std::unordered_map<std::string, TextNumber, TextHash, std::equal_to<>> numbers_{{"", 0}};
  TextNumber last_text_ = 0;  // the text interned last
};

struct RunResults {
  TPhaseMatrix PhaseMatrix;
  TaTZpoint BoundaryPoints;  // entries 0 .. BoundaryLast are valid
  int BoundaryLast = -1;
  std::vector<TXclass> CompositionList;
  std::vector<TNode> NodeList;
  std::vector<TOtherSpecialPoint> OtherSpecialPoints;
};

}  // namespace binodal
