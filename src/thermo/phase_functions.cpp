#include "thermo/phase_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <tuple>

#include "common/file_io.h"
#include "common/float_errors.h"
#include "common/message_text.h"
#include "common/number_format.h"
#include "expression/parser_errors.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

// A composition is never placed exactly at an end of the run's x range.
constexpr double kEndOffset = 1e-10;
// The upper bound of the breakpoints before any parameter lowers it.
constexpr double kNoUpperBound = 1e10;
// Tmax of a piece without one, when the second axis is the temperature.
constexpr double kDefaultTmax = 10000;

constexpr std::string_view kLineEnd = "\r\n";

// The value of a constant expression, by a parser of its own; an empty text
// gives 0. Above 1 gives -1.
double ConstantComposition(std::string_view text) {
  TParser parser;
  parser.SetExpression(text);
  const double value = RoundToDouble(parser.Value());
  return value > 1 ? -1 : value;
}

// Breakpoints are kept as general-format texts, so temperatures that agree to
// 15 significant digits are one breakpoint; comparisons read the texts back.
double BreakpointValue(const std::string& text) { return ReadDecimal(text).value; }

void InsertBreakpoint(std::vector<std::string>& breakpoints, double t) {
  std::string text = FormatGeneral(t);
  const double value = BreakpointValue(text);
  auto it = breakpoints.begin();
  while (it != breakpoints.end() && BreakpointValue(*it) < value) ++it;
  if (it != breakpoints.end() && BreakpointValue(*it) == value) return;
  breakpoints.insert(it, std::move(text));
}

// A reference {designation} of a text: the positions of its braces.
struct Reference {
  std::size_t open;
  std::size_t close;  // npos: no "}" after the "{"
  [[nodiscard]] std::string Designation(const std::string& text) const {
    return text.substr(open + 1, close - open - 1);
  }
};

// The first reference at or after `from`; open is npos when there is none.
Reference FindReference(const std::string& text, std::size_t from = 0) {
  const std::size_t open = text.find('{', from);
  if (open == std::string::npos) return {open, open};
  return {open, text.find('}', open + 1)};
}

}  // namespace

std::pair<double, double> ParseComposition(std::string_view text) {
  const std::size_t semicolon = text.find(';');
  if (semicolon == std::string_view::npos) return {ConstantComposition(text), -1};
  const std::string_view y_text = TrimControl(text.substr(semicolon + 1, 100));
  const double x = ConstantComposition(text.substr(0, semicolon));
  return {x, ConstantComposition(y_text)};
}

std::string PointPhaseName(std::string_view designation) {
  std::string name(designation);
  if (name.find('C') == std::string::npos) name += "-(C)";
  return name;
}

TParserplus::TParserplus()
    : t_(&Parser.T()),
      p_(&Parser.AssignVariable("P", 1)),
      y_(&Parser.Y()),
      x_(&Parser.X()),
      sid_(&Parser.AssignVariable("SID", 0.5)) {
  Parser.AssignVariable("R", kGasConstant);
  Parser.SetRowVariables({"X", "SID"}, {"T", "P", "Y"});
}

TPhaseFunctions::TPhaseFunctions(TDM& dm, Dialogs& dialogs) : dm_(dm), dialogs_(dialogs) {}

// --- Assembly.

bool TPhaseFunctions::BuildPhaseFunctions() {
  phase_functions_.Clear();
  solutions_.Clear();
  point_phases_.Clear();
  faults_ = 0;
  fault_told_.clear();
  outside_told_.clear();
  const bool listing = !dm_.RunMode;
  listing_.clear();
  warned_terms_.clear();

  TStoreTable& systems = dm_.tblSystems;
  TStoreTable& phases = dm_.tblPhases;
  TStoreTable& gibbs = dm_.tblGibbs;
  const std::string system = systems.FieldByName("System_designation").AsString();
  const bool temperature_axis = YItemIndex(systems.FieldByName("Yparameter").AsString()) == 0;
  if (listing) {
    AddListingLine("SYSTEM: " + system);
    AddListingLine("");
  }

  for (phases.First(); !phases.Eof(); phases.Next()) {
    const std::string designation = phases.FieldByName("Phase_designation").AsString();
    if (listing) AddListingLine("PHASE: " + PointPhaseName(designation));

    auto pieces = std::make_unique<Tfuncts>();
    int number = 0;  // of the stored piece, counted from 1
    for (gibbs.First(); !gibbs.Eof(); gibbs.Next()) {
      ++number;
      Tfunc piece;
      try {
        piece = ReadPiece(temperature_axis);
      } catch (const std::exception&) {
        dialogs_.Message(EchoedText(gibbs.FieldByName("Expression").AsString()));
        break;
      }
      const std::size_t index = pieces->Items.size();
      const double tmin = piece.Tmin;
      const double tmax = piece.Tmax;
      const bool has_references = piece.Expression.find('{') != std::string::npos;
      pieces->Items.push_back(std::move(piece));
      if (has_references) {
        const std::string text = pieces->Items[index].Expression;
        if (!ResolveStabilityParameters(text, index, *pieces)) {
          if (listing) SaveListing(system);
          return false;
        }
      }
      if (!listing) {
        CheckPieces(system, designation, {number, tmin, tmax, has_references}, *pieces, index);
      }
    }

    if (listing) {
      for (const Tfunc& f : pieces->Items) {
        AddListingLine("Tmin = " + FormatFloat("0.###", f.Tmin) +
                       "  Tmax = " + FormatFloat("0.###", f.Tmax));
        if (f.Xmin != 0) AddListingLine("Xmin = " + FormatFloat("0.###", f.Xmin));
        if (f.Xmax != 1) AddListingLine("Xmax = " + FormatFloat("0.###", f.Xmax));
        AddListingLine(f.Expression);
      }
      AddListingLine("");
    }

    if (pieces->Items.empty()) continue;
    const Tfunc& last = pieces->Items.back();
    std::string name = last.X >= 0 ? PointPhaseName(designation) : designation;
    if (!listing) CreateEvaluator(designation, last);
    phase_functions_.Add(std::move(name), std::move(pieces));
  }

  if (listing) SaveListing(system);
  phases.First();
  return true;
}

TPhaseFunctions::Window TPhaseFunctions::NormalisedWindow(double stored_min,
                                                          double stored_max) const {
  if (stored_min == stored_max) return {RunXmin, RunXmax};
  return {stored_min < 0 ? 0 : stored_min, stored_max > 1 || stored_max == 0 ? 1 : stored_max};
}

Tfunc TPhaseFunctions::ReadPiece(bool temperature_axis) const {
  TStoreTable& gibbs = dm_.tblGibbs;
  Tfunc piece;
  piece.Tmin = gibbs.FieldByName("Tmin").AsFloat();
  piece.Tmax = gibbs.FieldByName("Tmax").AsFloat();
  if (temperature_axis && piece.Tmax <= 0) piece.Tmax = kDefaultTmax;

  const Window window =
      NormalisedWindow(gibbs.FieldByName("Xmin").AsFloat(), gibbs.FieldByName("Xmax").AsFloat());
  piece.Xmin = window.min;
  piece.Xmax = window.max;

  const std::string composition = gibbs.FieldByName("X").AsString();
  const std::string_view trimmed = TrimControl(composition);
  if (!trimmed.empty()) std::tie(piece.X, piece.Y) = ParseComposition(trimmed);
  if (piece.X == RunXmax) piece.X = RunXmax - kEndOffset;
  if (piece.X == RunXmin) piece.X = RunXmin + kEndOffset;

  piece.Expression = CompactExpression(gibbs.FieldByName("Expression").AsString());
  return piece;
}

bool TPhaseFunctions::ResolveStabilityParameters(const std::string& text, std::size_t index,
                                                 Tfuncts& pieces) {
  TStoreTable& parameters = dm_.tblStability;
  TStoreTable& parameter_pieces = dm_.tblStabDet;

  // First pass: the breakpoints of the parameters the text refers to.
  std::vector<std::string> breakpoints;
  double upper = kNoUpperBound;
  std::string copy = text;
  for (Reference r = FindReference(copy); r.open != std::string::npos; r = FindReference(copy)) {
    if (r.close == std::string::npos) {
      dialogs_.Error("No matching bracket: " + EchoedText(copy));
      return false;
    }
    const std::string designation = r.Designation(copy);
    if (!parameters.Locate("Designation", designation, {.case_insensitive = true})) {
      dialogs_.Error("Designation: " + designation + " not found");
      return false;
    }
    double last_tmax = 0;
    for (parameter_pieces.First(); !parameter_pieces.Eof(); parameter_pieces.Next()) {
      InsertBreakpoint(breakpoints, parameter_pieces.FieldByName("Tmin").AsFloat());
      last_tmax = parameter_pieces.FieldByName("Tmax").AsFloat();
    }
    upper = std::min(upper, last_tmax);
    copy.erase(r.open, r.close - r.open + 1);
  }
  breakpoints.push_back(FormatGeneral(upper));

  // One sub-piece between each two neighbouring breakpoints.
  const Tfunc read = pieces.Items[index];
  std::vector<Tfunc> sub_pieces;
  for (std::size_t k = 1; k < breakpoints.size(); ++k) {
    Tfunc sub = read;  // keeps the composition X (and Y) of the piece
    sub.Tmin = BreakpointValue(breakpoints[k - 1]);
    sub.Tmax = BreakpointValue(breakpoints[k]);
    std::string expanded = text;
    Window window = NormalisedWindow(0, 0);
    if (!SubstituteReferences(expanded, sub.Tmin, sub.Tmax, window)) return false;
    sub.Xmin = window.min;
    sub.Xmax = window.max;
    sub.Expression = CompactExpression(expanded);
    sub_pieces.push_back(std::move(sub));
  }
  pieces.Items.resize(index);
  pieces.Items.insert(pieces.Items.end(), std::make_move_iterator(sub_pieces.begin()),
                      std::make_move_iterator(sub_pieces.end()));
  return true;
}

bool TPhaseFunctions::SubstituteReferences(std::string& text, double lo, double hi,
                                           Window& window) {
  TStoreTable& parameters = dm_.tblStability;
  TStoreTable& parameter_pieces = dm_.tblStabDet;

  // Inserted texts that still hold unresolved references, innermost last: the
  // parameter each came from and where it ends. A reference inside the text
  // of a parameter that is still being expanded is a cycle.
  struct Expansion {
    std::int64_t parameter_id;
    std::size_t end;
  };
  std::vector<Expansion> open;
  const std::string original = text;

  // Pieces inserted as written although they are not self-contained terms:
  // said once per piece and assembly, when the text is complete.
  std::vector<std::string> terms;
  int substitutions = 0;
  for (Reference r = FindReference(text); r.open != std::string::npos;
       r = FindReference(text, r.open)) {
    if (r.close == std::string::npos) {
      dialogs_.Error("No matching bracket: " + EchoedText(text));
      return false;
    }
    const std::string designation = r.Designation(text);
    if (!parameters.Locate("Designation", designation, {.case_insensitive = true})) {
      dialogs_.Error("Designation: " + designation + " not found");
      return false;
    }
    const std::int64_t id = parameters.FieldByName("Id").AsInteger();
    while (!open.empty() && open.back().end <= r.open) open.pop_back();
    if (std::any_of(open.begin(), open.end(),
                    [id](const Expansion& e) { return e.parameter_id == id; })) {
      dialogs_.Error("Stability parameter " + designation + " refers to itself");
      return false;
    }

    bool found = false;
    for (parameter_pieces.First(); !parameter_pieces.Eof(); parameter_pieces.Next()) {
      if (parameter_pieces.FieldByName("Tmin").AsFloat() <= lo &&
          parameter_pieces.FieldByName("Tmax").AsFloat() >= hi) {
        found = true;
        break;
      }
    }
    if (!found) parameter_pieces.Last();
    const std::string replacement = parameter_pieces.FieldByName("Expression").AsString();
    if (!IsSelfContainedTerm(replacement)) {
      terms.push_back(StabilityTermWarning(parameters.FieldByName("Designation").AsString(),
                                           parameter_pieces.FieldByName("Tmin").AsFloat(),
                                           parameter_pieces.FieldByName("Tmax").AsFloat(),
                                           replacement));
    }
    window = NormalisedWindow(parameter_pieces.FieldByName("Xmin").AsFloat(),
                              parameter_pieces.FieldByName("Xmax").AsFloat());

    const std::size_t removed = r.close - r.open + 1;
    if (++substitutions > kMaxSubstitutions ||
        text.size() - removed + replacement.size() > kMaxExpandedLength) {
      dialogs_.Error("Stability parameters expand too far in " + EchoedText(original));
      return false;
    }
    text.replace(r.open, removed, replacement);
    // Enclosing expansions move with the text; one whose end lay inside the
    // replaced reference is closed.
    for (Expansion& e : open) {
      e.end = e.end > r.close ? e.end - removed + replacement.size() : r.open;
    }
    open.push_back({id, r.open + replacement.size()});
  }
  for (std::string& warning : terms) {
    if (warned_terms_.insert(warning).second) dialogs_.Warning(warning);
  }
  return true;
}

void TPhaseFunctions::CheckPieces(const std::string& system, const std::string& phase,
                                  const StoredPiece& stored, const Tfuncts& pieces,
                                  std::size_t first) {
  TParserplus checker;  // knows the variables of an evaluator
  for (std::size_t i = first; i < pieces.Items.size(); ++i) {
    const Tfunc& piece = pieces.Items[i];
    try {
      checker.Parser.SetExpression(piece.Expression);
    } catch (const EMathParserError& e) {
      std::string where = "System " + system + ", phase " + phase + ", Gibbs energy piece " +
                          std::to_string(stored.number) + " (T from " + FormatGeneral(stored.tmin) +
                          " to " + FormatGeneral(stored.tmax) + ")";
      if (stored.has_references) {
        where += " with its stability parameters inserted for T from " + FormatGeneral(piece.Tmin) +
                 " to " + FormatGeneral(piece.Tmax);
      }
      // A syntax error shows the text where it failed; the others say why only.
      std::string reason = e.what();
      if (dynamic_cast<const ESyntaxError*>(&e) == nullptr) {
        reason += "\r" + EchoedText(piece.Expression);
      }
      throw EMathParserError(where + ": " + reason);
    }
  }
}

void TPhaseFunctions::CreateEvaluator(const std::string& designation, const Tfunc& last) {
  auto evaluator = std::make_unique<TParserplus>();
  evaluator->Tmin = last.Tmin;
  evaluator->Tmax = last.Tmax;
  evaluator->Xmin = last.Xmin;
  evaluator->Xmax = last.Xmax;
  evaluator->X = -1;
  if (last.X >= 0) {
    evaluator->X = last.X;
    *evaluator->x_ = last.X;
    *evaluator->y_ = last.Y;
    evaluator->Parser.SetExpression(last.Expression);
    point_phases_.Add(PointPhaseName(designation), std::move(evaluator));
  } else {
    *evaluator->t_ = last.Tmin;
    *evaluator->x_ = 0.5;
    evaluator->Parser.SetExpression(last.Expression);
    solutions_.Add(designation, std::move(evaluator));
  }
}

void TPhaseFunctions::AddListingLine(std::string_view line) {
  listing_.append(line);
  listing_.append(kLineEnd);
}

void TPhaseFunctions::SaveListing(const std::string& system_designation) {
  listing_file_name_ = SafeFileName(system_designation) + ".txt";
  const std::filesystem::path path =
      ListingFolder.empty() ? std::filesystem::path(listing_file_name_)
                            : std::filesystem::path(ListingFolder) / listing_file_name_;
  WriteWholeFile(path.string(), listing_);
}

// --- Evaluation.

double TPhaseFunctions::IdealMixingEntropy(double x) {
  if (!(x > 0 && x < 1)) return 0;
  const long double lx = x;
  const long double rest = 1.0L - lx;
  return static_cast<double>(static_cast<long double>(kGasConstant) *
                             (-lx * std::log(lx) - rest * std::log(rest)));
}

void TPhaseFunctions::CacheMixingEntropies(const std::vector<TXclass>& compositions) {
  const std::size_t n = compositions.size();
  bool same = entropy_x_.size() == n;
  for (std::size_t i = 0; same && i < n; ++i) same = entropy_x_[i] == compositions[i].X;
  if (same) return;
  ++grid_;
  entropy_x_.resize(n);
  entropy_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    entropy_x_[i] = compositions[i].X;
    entropy_[i] = IdealMixingEntropy(compositions[i].X);
  }
}

void TPhaseFunctions::PrepareWindowPoints(TParserplus& evaluator,
                                          const std::vector<TXclass>& compositions) {
  TParserplus::WindowPoints& window = evaluator.window_;
  if (window.built && window.grid == grid_ && window.xmin == evaluator.Xmin &&
      window.xmax == evaluator.Xmax) {
    return;
  }
  window.built = true;
  window.grid = grid_;
  window.xmin = evaluator.Xmin;
  window.xmax = evaluator.Xmax;
  window.columns.clear();
  std::vector<double> x, sid;
  for (std::size_t i = 0; i < compositions.size(); ++i) {
    const double xi = compositions[i].X;
    if (xi < window.xmin || xi > window.xmax) continue;
    window.columns.push_back(i);
    x.push_back(xi);
    sid.push_back(entropy_[i]);
  }
  window.points = RowPoints({std::move(x), std::move(sid)});
  window.values.assign(window.columns.size(), 0.0);
}

void TPhaseFunctions::EvaluateGrid(TParserplus& evaluator, std::string_view name, TG& G) {
  if (CompositionList == nullptr) return;
  const std::vector<TXclass>& compositions = *CompositionList;
  CacheMixingEntropies(compositions);
  if (G.size() == compositions.size()) {
    PrepareWindowPoints(evaluator, compositions);
    TParserplus::WindowPoints& window = evaluator.window_;
    RowEvaluator& rows = evaluator.Parser.Rows();
    if (window.columns.size() == G.size()) {  // the window holds the whole grid
      if (rows.EvaluateRow(window.points, G)) return;
    } else if (rows.EvaluateRow(window.points, window.values)) {
      const std::size_t m = window.columns.size();
      std::size_t k = 0;
      for (std::size_t i = 0; i < G.size(); ++i) {
        if (k < m && window.columns[k] == i) {
          G[i] = window.values[k++];
        } else {
          G[i] = kOutsideWindowG;
        }
      }
      return;
    }
  }
  EvaluateColumnByColumn(evaluator, name, G, compositions);
}

void TPhaseFunctions::EvaluateColumnByColumn(TParserplus& evaluator, std::string_view name, TG& G,
                                             const std::vector<TXclass>& compositions) {
  const double xmin = evaluator.Xmin;
  const double xmax = evaluator.Xmax;
  double& x_cell = *evaluator.x_;
  double& sid_cell = *evaluator.sid_;
  const std::size_t n = std::min(compositions.size(), G.size());
  // The operations that give one value per row run at the first composition
  // evaluated, as a whole run would reach them: a fault among them is
  // reported at the same composition (and met again at every composition, as
  // a whole run would).
  RowEvaluator& rows = evaluator.Parser.Rows();
  rows.BeginRow();
  for (std::size_t i = 0; i < n; ++i) {
    const double x = compositions[i].X;
    if (x < xmin || x > xmax) {
      G[i] = kOutsideWindowG;
      continue;
    }
    x_cell = x;
    sid_cell = entropy_[i];
    // A composition where the evaluation faults has no Gibbs energy: the
    // phase is absent there, as outside its window.
    try {
      G[i] = rows.EvaluatePoint();
    } catch (const std::exception& e) {
      G[i] = kOutsideWindowG;
      TellFault(evaluator, name, e,
                "X = " + FormatGeneral(x) + ", T = " + FormatGeneral(*evaluator.t_));
    }
  }
}

void TPhaseFunctions::TellFault(const TParserplus& evaluator, std::string_view name,
                                const std::exception& e, const std::string& where) {
  ++faults_;
  if (std::find(fault_told_.begin(), fault_told_.end(), &evaluator) != fault_told_.end()) return;
  fault_told_.push_back(&evaluator);
  dialogs_.Message("Phase " + std::string(name) + " cannot be evaluated at " + where + ": " +
                   e.what() + "\r" + EchoedText(evaluator.Parser.Expression()) +
                   "\rWherever it cannot be evaluated the phase counts as absent.");
}

void TPhaseFunctions::TellOutsidePieces(const TParserplus& evaluator, std::string_view name,
                                        const Tfuncts& pieces, double T) {
  if (std::find(outside_told_.begin(), outside_told_.end(), &evaluator) != outside_told_.end()) {
    return;
  }
  outside_told_.push_back(&evaluator);
  double lowest = pieces.Items.front().Tmin;
  double highest = pieces.Items.front().Tmax;
  for (const Tfunc& piece : pieces.Items) {
    lowest = std::min(lowest, piece.Tmin);
    highest = std::max(highest, piece.Tmax);
  }
  dialogs_.Warning("No Gibbs energy piece of phase " + std::string(name) +
                   " covers T = " + FormatGeneral(T) + " (its pieces run from " +
                   FormatGeneral(lowest) + " to " + FormatGeneral(highest) +
                   "): its piece for T from " + FormatGeneral(evaluator.Tmin) + " to " +
                   FormatGeneral(evaluator.Tmax) + " is used outside its range.");
}

void TPhaseFunctions::SetConditions(TParserplus& evaluator, double T) const {
  *evaluator.t_ = T;
  *evaluator.p_ = RunP;
  *evaluator.y_ = CurrentY;
}

void TPhaseFunctions::ActivatePiece(TParserplus& evaluator, const Tfunc& piece, double T) const {
  evaluator.Tmin = piece.Tmin;
  evaluator.Tmax = piece.Tmax;
  SetConditions(evaluator, T);
  if (evaluator.Parser.Expression() != piece.Expression || evaluator.Parser.ParseFailed()) {
    evaluator.Parser.SetExpression(piece.Expression);
  }
}

void TPhaseFunctions::EvaluateSolution(std::string_view name, TG& G, double T) {
  G.resize(CompositionList == nullptr ? 0 : CompositionList->size());
  TParserplus* evaluator = solutions_.Find(name);
  if (evaluator == nullptr) {
    dialogs_.Error("Phase " + std::string(name) + " not found in list of solutions");
    return;
  }
  if (evaluator->Tmin <= T && T <= evaluator->Tmax) {
    SetConditions(*evaluator, T);
    EvaluateGrid(*evaluator, name, G);
    return;
  }
  const Tfuncts* pieces = phase_functions_.Find(name);
  if (pieces == nullptr) {
    dialogs_.Error("Phase " + std::string(name) + " not found in list of functions");
    return;
  }
  bool covered = false;
  for (const Tfunc& piece : pieces->Items) {
    if (!(piece.Tmin <= T && T <= piece.Tmax)) continue;
    covered = true;
    ActivatePiece(*evaluator, piece, T);
    EvaluateGrid(*evaluator, name, G);
  }
  if (covered) return;
  // No piece covers T: the active piece stays, and gives the values at T
  // rather than leaving those of another T.
  TellOutsidePieces(*evaluator, name, *pieces, T);
  SetConditions(*evaluator, T);
  EvaluateGrid(*evaluator, name, G);
}

long double TPhaseFunctions::EvaluatePointPhase(std::string_view name, double T) {
  TParserplus* evaluator = point_phases_.Find(name);
  if (evaluator == nullptr) {
    dialogs_.Error("Phase " + std::string(name) + " not found in list of point phases");
    return 0;
  }
  // A fault leaves the phase without a Gibbs energy at T: absent, as a
  // solution phase outside its window.
  const auto value = [&]() -> long double {
    try {
      return evaluator->Parser.Value();
    } catch (const std::exception& e) {
      TellFault(*evaluator, name, e, "T = " + FormatGeneral(T));
      return kOutsideWindowG;
    }
  };
  const auto at_own_composition = [&] {
    SetConditions(*evaluator, T);
    *evaluator->x_ = evaluator->X;
    *evaluator->sid_ = IdealMixingEntropy(evaluator->X);
    return value();
  };
  if (evaluator->Tmin <= T && T <= evaluator->Tmax) return at_own_composition();
  const Tfuncts* pieces = phase_functions_.Find(name);
  if (pieces == nullptr) {
    dialogs_.Error("Phase " + std::string(name) + " not found in list of functions");
    return 0;
  }
  bool covered = false;
  long double result = 0;
  for (const Tfunc& piece : pieces->Items) {
    if (!(piece.Tmin <= T && T <= piece.Tmax)) continue;
    covered = true;
    ActivatePiece(*evaluator, piece, T);
    *evaluator->x_ = piece.X;
    *evaluator->sid_ = IdealMixingEntropy(piece.X);
    result = value();
  }
  if (covered) return result;
  // No piece covers T: the active piece stays and gives the value at T.
  TellOutsidePieces(*evaluator, name, *pieces, T);
  return at_own_composition();
}

}  // namespace binodal
