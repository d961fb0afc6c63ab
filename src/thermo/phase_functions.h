// The phase functions of a run: the Gibbs energy pieces of every phase of the
// current system, assembled into expression texts, and one evaluator per phase.
//
// TPhaseFunctions::BuildPhaseFunctions reads the current system from the data
// module's tables, resolves the {designation} references to stability
// parameters (splitting a piece along their temperature breakpoints) and
// fills three lists: the pieces of every phase (PhaseFunctionList), the
// evaluators of the solution phases (SolutionList) and those of the point
// phases, i.e. compounds of fixed composition (PointPhaseList). With the data
// module's RunMode false it writes a plain-text listing of the pieces instead
// of creating evaluators. EvaluateSolution and EvaluatePointPhase then give the
// Gibbs energy of a phase at a temperature, switching to another piece only
// when the temperature leaves the active one.
//
// Ownership: the lists own their objects; each assembly replaces them, and a
// reference into them stays valid until the next assembly or the destruction
// of the TPhaseFunctions. The data module, the dialogs and the composition
// list must outlive it. Single-threaded: evaluators keep state between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/dialogs.h"
#include "expression/parser.h"
#include "expression/row_evaluator.h"
#include "thermo/composition.h"
#include "thermo/data_module.h"

namespace binodal {

// The gas constant in J/(mol K), as expressions see it (variable R).
inline constexpr double kGasConstant = 8.31441;

// G marking a composition outside a phase's composition window.
inline constexpr double kOutsideWindowG = 1e30;

// The Gibbs energies of one solution phase, one per grid composition.
using TG = std::vector<double>;

// One assembled piece of a phase.
struct Tfunc {
  double Tmin = 0;  // temperature range, K
  double Tmax = 0;
  double Xmin = 0;  // composition window
  double Xmax = 1;
  double X = -1;           // composition of a point phase; -1 for none
  double Y = -1;           // second value of the piece's composition field; -1 for none
  std::string Expression;  // blank-free, stability parameters inserted
  bool operator==(const Tfunc&) const = default;
};

// The pieces of one phase in assembly order: the order of its stored pieces
// (ascending Tmin, then Tmax), each replaced in place by its sub-pieces.
struct Tfuncts {
  std::vector<Tfunc> Items;
  [[nodiscard]] std::size_t Count() const { return Items.size(); }
};

// The evaluator of one phase. Tmin and Tmax are the range of the active piece,
// Xmin and Xmax the window of the phase (from its last piece), X the
// composition of a point phase (-1 for a solution phase). Parser holds the
// variables R, P, SID (created with the evaluator), T, X, Y and the compiled
// expression of the active piece; its rows are the grid compositions (X, SID)
// under the conditions T, P and Y. Not copyable or movable.
class TParserplus {
 public:
  TParserplus();
  TParserplus(const TParserplus&) = delete;
  TParserplus& operator=(const TParserplus&) = delete;

  double Tmin = 0;
  double Tmax = 0;
  double Xmin = 0;
  double Xmax = 1;
  double X = -1;
  TParser Parser;

  // The current value of the parser's variable X. For a point phase this is
  // the composition the run uses for it.
  [[nodiscard]] double VariableX() const { return *x_; }

 private:
  friend class TPhaseFunctions;
  // Cells of the parser's variables, written directly while evaluating.
  double* t_;
  double* p_;
  double* y_;
  double* x_;
  double* sid_;

  // The grid compositions inside the window as the points of a row (X and
  // SID at each), for the parser's row evaluator; made again when the grid
  // or the window changes.
  struct WindowPoints {
    bool built = false;
    std::uint64_t grid = 0;
    double xmin = 0, xmax = 0;
    std::vector<std::size_t> columns;  // grid index of every point
    RowPoints points;
    std::vector<double> values;  // the values of a row, one per point
  };
  WindowPoints window_;
};

// An unsorted list of (name, owned object). Lookups compare names without
// regard to ASCII letter case and return the first match.
template <typename T>
class TNamedObjectList {
 public:
  [[nodiscard]] std::size_t Count() const { return entries_.size(); }
  // Throws std::out_of_range beyond Count().
  [[nodiscard]] const std::string& Name(std::size_t index) const { return entries_.at(index).name; }
  [[nodiscard]] const T& Object(std::size_t index) const { return *entries_.at(index).object; }
  [[nodiscard]] T& Object(std::size_t index) { return *entries_.at(index).object; }
  // The index of the first entry named `name`, or -1.
  [[nodiscard]] int IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (SameName(entries_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
  }
  [[nodiscard]] const T* Find(std::string_view name) const {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : entries_[static_cast<std::size_t>(i)].object.get();
  }
  [[nodiscard]] T* Find(std::string_view name) {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : entries_[static_cast<std::size_t>(i)].object.get();
  }
  [[nodiscard]] std::vector<std::string> Names() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const Entry& e : entries_) names.push_back(e.name);
    return names;
  }

  void Add(std::string name, std::unique_ptr<T> object) {
    entries_.push_back({std::move(name), std::move(object)});
  }
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string name;
    std::unique_ptr<T> object;
  };
  static char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
  static bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
  }
  std::vector<Entry> entries_;
};

// The composition field of a point-phase piece: "x" or "x;y", each a constant
// expression. x (or y) above 1 gives -1; no y text gives y = -1. A text that
// does not compile or evaluate raises the expression engine's exception.
[[nodiscard]] std::pair<double, double> ParseComposition(std::string_view text);

// The name under which a point phase is listed: the designation, followed by
// "-(C)" when it contains no capital C.
[[nodiscard]] std::string PointPhaseName(std::string_view designation);

class TPhaseFunctions {
 public:
  // Stability parameter references inserted into one sub-piece, at most.
  static constexpr int kMaxSubstitutions = 10000;
  // Length of a piece's text with its stability parameters inserted, at most.
  static constexpr std::size_t kMaxExpandedLength = 100000;

  TPhaseFunctions(TDM& dm, Dialogs& dialogs);
  TPhaseFunctions(const TPhaseFunctions&) = delete;
  TPhaseFunctions& operator=(const TPhaseFunctions&) = delete;

  // --- Inputs the run sets.

  // The grid compositions, in grid order; nullptr stands for none. Observed,
  // read at every EvaluateSolution.
  const std::vector<TXclass>* CompositionList = nullptr;
  double RunXmin = 0;  // the run's x range, read by the assembly
  double RunXmax = 1;
  double RunP = 1;      // the pressure expressions see (P)
  double CurrentY = 0;  // the Y variable expressions see (Y)
  // Where the listing file goes; empty for the current directory.
  std::string ListingFolder;

  // --- Assembly.

  // Assembles every phase of the current system, in the order of phases.d.
  // With the data module's RunMode true it creates the evaluators; with it
  // false it writes the listing file (ListingFileName()) and creates none.
  // Returns false when a stability parameter reference cannot be resolved
  // (unknown designation, "{" without "}", a parameter that refers to itself,
  // an expansion beyond the limits above); the reason has been shown and the
  // lists hold the phases done so far. A piece whose composition field cannot
  // be read is reported as a plain message and ends that phase's pieces. A
  // stability parameter piece that is not one self-contained term
  // (IsSelfContainedTerm) is inserted as written, with one warning per piece.
  // With RunMode true every assembled piece is compiled here, so that a run
  // never meets a piece it cannot compile: one that does not compile raises
  // EMathParserError naming the system, the phase, the piece (its number
  // among the phase's pieces and its T range) and the engine's reason. A
  // listing that cannot be written raises std::runtime_error.
  // Moves the cursors of the phase, piece and stability tables; after a
  // complete assembly the first phase is current.
  bool BuildPhaseFunctions();

  // SafeFileName(System_designation) + ".txt": the name of the listing file
  // the last assembly in listing mode wrote, inside ListingFolder.
  [[nodiscard]] const std::string& ListingFileName() const { return listing_file_name_; }

  [[nodiscard]] const TNamedObjectList<Tfuncts>& PhaseFunctionList() const {
    return phase_functions_;
  }
  [[nodiscard]] const TNamedObjectList<TParserplus>& SolutionList() const { return solutions_; }
  [[nodiscard]] const TNamedObjectList<TParserplus>& PointPhaseList() const {
    return point_phases_;
  }

  // --- Evaluation.

  // Sets G to one value per grid composition (kept values stay, new ones are
  // 0) and fills it for the solution phase `name` at T: kOutsideWindowG
  // outside the phase's window, else the active piece's value. When T leaves
  // the active piece, every piece covering T is evaluated in order and the
  // last one stays active; when none covers T the active piece stays and is
  // evaluated at T, outside its range, which is told once per assembly and
  // phase as a warning. A composition where the evaluation faults gets
  // kOutsideWindowG (the phase is absent there) and counts in
  // EvaluationFaults; the first fault of a phase is shown as a plain message
  // naming the phase, the composition, T, the reason and the expression.
  // Unknown names are reported as errors. Compiling a switched-to piece may
  // raise the expression engine's exception. The row is evaluated by the
  // active piece's row evaluator (expression/row_evaluator.h) with the same
  // values as a whole run at every composition; a row with a fault is walked
  // one composition at a time. No allocation once G has its size, the
  // compositions have their entropies cached and the active piece has done
  // one row of this grid.
  void EvaluateSolution(std::string_view name, TG& G, double T);

  // The Gibbs energy of the point phase `name` at T at its own composition;
  // 0 when the name is unknown (reported as an error). Pieces are chosen as
  // for a solution phase, a T outside all of them told likewise. When the
  // evaluation faults the result is kOutsideWindowG (the phase is absent at
  // T), counted and told as for a solution phase. Compilation errors reach
  // the caller.
  long double EvaluatePointPhase(std::string_view name, double T);

  // The evaluations that faulted since the last assembly: grid compositions
  // of solution phases and point phases at a T, each counted once per call.
  [[nodiscard]] std::size_t EvaluationFaults() const { return faults_; }

  // R (-x ln x - (1 - x) ln(1 - x)) for 0 < x < 1, computed in extended
  // precision; 0 for any other x.
  [[nodiscard]] static double IdealMixingEntropy(double x);

 private:
  struct Window {
    double min;
    double max;
  };
  [[nodiscard]] Window NormalisedWindow(double stored_min, double stored_max) const;
  // Reads the current gibbs_energy.d record. Raises on an unreadable
  // composition field.
  [[nodiscard]] Tfunc ReadPiece(bool temperature_axis) const;
  // Replaces piece `index` of `pieces` (whose Expression holds the compacted
  // text with references) by its sub-pieces.
  bool ResolveStabilityParameters(const std::string& text, std::size_t index, Tfuncts& pieces);
  // Replaces every reference of `text` by the chosen piece of its parameter
  // for the range [lo, hi]; `window` gets the last chosen piece's window.
  bool SubstituteReferences(std::string& text, double lo, double hi, Window& window);
  // A stored piece of a phase as the user sees it.
  struct StoredPiece {
    int number;  // among the phase's pieces, from 1
    double tmin;
    double tmax;
    bool has_references;  // split along the breakpoints of its stability parameters
  };
  // Compiles the pieces of `pieces` from index `first` on, all assembled
  // from `stored`; raises EMathParserError naming system, phase and piece
  // when one does not compile.
  void CheckPieces(const std::string& system, const std::string& phase, const StoredPiece& stored,
                   const Tfuncts& pieces, std::size_t first);
  void CreateEvaluator(const std::string& designation, const Tfunc& last);
  void EvaluateGrid(TParserplus& evaluator, std::string_view name, TG& G);
  // Counts a fault of the phase `name` and shows its first one.
  void TellFault(const TParserplus& evaluator, std::string_view name, const std::exception& e,
                 const std::string& where);
  // Warns, once per phase, that no piece of `pieces` covers T.
  void TellOutsidePieces(const TParserplus& evaluator, std::string_view name, const Tfuncts& pieces,
                         double T);
  // Gives the evaluator the run's conditions: T, P and Y.
  void SetConditions(TParserplus& evaluator, double T) const;
  // Makes `piece` the evaluator's active piece at T, compiling its text
  // when the parser holds another (or failed to compile it).
  void ActivatePiece(TParserplus& evaluator, const Tfunc& piece, double T) const;
  // Brings the cached IdealMixingEntropy of every grid composition up to
  // date: the entropies depend on the composition only, so they are computed
  // again only when the composition list has changed since the last call
  // (which also counts up grid_).
  void CacheMixingEntropies(const std::vector<TXclass>& compositions);
  // Makes the evaluator's window points fit the grid and its window.
  void PrepareWindowPoints(TParserplus& evaluator, const std::vector<TXclass>& compositions);
  // Fills G one composition at a time, the way a row that cannot be done at
  // once is done: a composition where the evaluation faults gets
  // kOutsideWindowG and is told (TellFault); the others get their values.
  void EvaluateColumnByColumn(TParserplus& evaluator, std::string_view name, TG& G,
                              const std::vector<TXclass>& compositions);
  void AddListingLine(std::string_view line);
  void SaveListing(const std::string& system_designation);

  TDM& dm_;
  Dialogs& dialogs_;
  TNamedObjectList<Tfuncts> phase_functions_;
  TNamedObjectList<TParserplus> solutions_;
  TNamedObjectList<TParserplus> point_phases_;
  // The compositions the entropies were cached for, and the entropies.
  std::vector<double> entropy_x_;
  std::vector<double> entropy_;
  std::uint64_t grid_ = 0;  // counts the composition lists seen
  std::string listing_;
  std::string listing_file_name_;
  // Since the last assembly: the faults counted, and the phases whose first
  // fault or whose T outside every piece has been told.
  std::size_t faults_ = 0;
  std::vector<const TParserplus*> fault_told_;
  std::vector<const TParserplus*> outside_told_;
  // The stability parameter pieces this assembly has warned about.
  std::set<std::string> warned_terms_;
};

}  // namespace binodal
