#include "thermo/phase_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>

#include "common/file_io.h"
#include "common/float_errors.h"
#include "expression/parser_errors.h"
#include "support/temp_database.h"
#include "thermo/text_routines.h"

namespace binodal {

void PrintTo(const Tfunc& f, std::ostream* os) {
  *os << "{[" << f.Tmin << ", " << f.Tmax << "] x[" << f.Xmin << ", " << f.Xmax << "] X=" << f.X
      << " Y=" << f.Y << " " << f.Expression << "}";
}

namespace {

using testing_support::DatabaseTest;
using testing_support::RecordingDialogs;
using Entry = RecordingDialogs::Entry;

struct Piece {
  Piece(double tmin_, double tmax_, std::string expression_, std::string x_ = "", double xmin_ = 0,
        double xmax_ = 0)
      : tmin(tmin_),
        tmax(tmax_),
        expression(std::move(expression_)),
        x(std::move(x_)),
        xmin(xmin_),
        xmax(xmax_) {}
  double tmin;
  double tmax;
  std::string expression;
  std::string x;  // composition field; empty for a solution phase
  double xmin;    // stored window; 0 and 0 stand for the run's x range
  double xmax;
};

class PhaseFunctions : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    pf.ListingFolder = folder.str();
    pf.CompositionList = &grid;
  }

  void AddPieceTo(TStoreTable& table, const Piece& p) {
    table.Insert();
    table.FieldByName("Tmin").SetAsFloat(p.tmin);
    table.FieldByName("Tmax").SetAsFloat(p.tmax);
    table.FieldByName("Expression").SetAsString(p.expression);
    table.FieldByName("Xmin").SetAsFloat(p.xmin);
    table.FieldByName("Xmax").SetAsFloat(p.xmax);
    if (table.FindField("X") && !p.x.empty()) table.FieldByName("X").SetAsString(p.x);
    table.Post();
  }
  void AddPhaseWith(const std::string& designation, const std::vector<Piece>& pieces) {
    AddPhase(designation);
    for (const Piece& p : pieces) AddPieceTo(dm.tblGibbs, p);
  }
  void AddParameter(const std::string& designation, const std::vector<Piece>& pieces) {
    dm.tblStability.Insert();
    dm.tblStability.FieldByName("Designation").SetAsString(designation);
    dm.tblStability.Post();
    for (const Piece& p : pieces) AddPieceTo(dm.tblStabDet, p);
  }
  void SetGrid(std::initializer_list<double> xs) {
    grid.clear();
    for (double x : xs) grid.push_back({"", x});
  }
  const std::vector<Tfunc>& PiecesOf(std::string_view name) {
    const Tfuncts* pieces = pf.PhaseFunctionList().Find(name);
    if (pieces == nullptr) throw std::runtime_error("no phase " + std::string(name));
    return pieces->Items;
  }
  const TParserplus& Solution(std::string_view name) { return *pf.SolutionList().Find(name); }
  // G1: (1+T) up to 700 K over the run's range, 2 above with the window [0.1, 0.6].
  void AddG1() { AddParameter("G1", {{298, 700, "(1 + T)"}, {700, 3000, "2", "", 0.1, 0.6}}); }

  std::vector<TXclass> grid;
  TPhaseFunctions pf{dm, dialogs};
};

// --- Assembly.

TEST_F(PhaseFunctions, LastPieceCompositionDecidesBetweenPointAndSolutionPhase) {
  struct Case {
    std::string designation;
    std::string x_field;
    std::string name;  // "" for a solution phase (listed under its designation)
    double x;
    double y;
  };
  const std::vector<Case> cases = {
      {"AB2", "1/3", "AB2-(C)", 1.0 / 3, -1},
      {"Cu3Sn", "0.25", "Cu3Sn", 0.25, -1},
      {"bcc", "0.5", "bcc-(C)", 0.5, -1},
      {"S", "2", "", -1, -1},
      {"L", "", "", -1, -1},
      {"A", "0;0.5", "A-(C)", 1e-10, 0.5},
      {"B", " 1 ", "B-(C)", 1 - 1e-10, -1},
      {"Z", "0.5;3", "Z-(C)", 0.5, -1},
  };
  AddSystem("A+B");
  std::vector<std::string> names, solutions, points;
  for (const Case& c : cases) {
    AddPhaseWith(c.designation, {{298, 3000, "1000*X", c.x_field}});
    names.push_back(c.name.empty() ? c.designation : c.name);
    (c.name.empty() ? solutions : points).push_back(names.back());
  }
  // Only the last piece counts: a point piece followed by a solution piece.
  AddPhaseWith("M", {{298, 500, "1", "0.5"}, {500, 900, "2"}});
  names.push_back("M");
  solutions.push_back("M");

  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(pf.PhaseFunctionList().Names(), names);
  EXPECT_EQ(pf.SolutionList().Names(), solutions);
  EXPECT_EQ(pf.PointPhaseList().Names(), points);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.designation);
    const std::string name = c.name.empty() ? c.designation : c.name;
    const Tfunc& piece = PiecesOf(name).back();
    EXPECT_DOUBLE_EQ(piece.X, c.x);
    EXPECT_DOUBLE_EQ(piece.Y, c.y);
    if (!c.name.empty()) {
      const TParserplus& evaluator = *pf.PointPhaseList().Find(name);
      EXPECT_DOUBLE_EQ(evaluator.X, c.x);
      EXPECT_DOUBLE_EQ(evaluator.VariableX(), c.x);
    } else {
      EXPECT_EQ(Solution(name).X, -1);
    }
  }
  EXPECT_TRUE(dialogs.entries.empty());
}

TEST_F(PhaseFunctions, PieceRangesAreNormalised) {
  AddSystem("A+B");
  AddPhaseWith("L", {{100, 0, "1"},
                     {200, 300, "2", "", 0.3, 0.3},
                     {300, 400, "3", "", 0.2, 0},
                     {400, 500, "4", "", 0.2, 0.7},
                     {500, 600, "5", "0.1"}});
  pf.RunXmin = 0.1;
  pf.RunXmax = 0.9;
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  const std::vector<Tfunc> expected = {
      {100, 10000, 0.1, 0.9, -1, -1, "1"},  // no Tmax; equal stored window: the run's range
      {200, 300, 0.1, 0.9, -1, -1, "2"},
      {300, 400, 0.2, 1, -1, -1, "3"},
      {400, 500, 0.2, 0.7, -1, -1, "4"},
      {500, 600, 0.1, 0.9, 0.1 + 1e-10, -1, "5"},  // never exactly at an end of the range
  };
  EXPECT_EQ(PiecesOf("L-(C)"), expected);

  // Tmax stays 0 when the second axis is not the temperature.
  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("Yparameter").SetAsString("Pressure");
  dm.tblSystems.Post();
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(PiecesOf("L-(C)").front().Tmax, 0);
}

TEST_F(PhaseFunctions, ReferenceSplitsThePieceAlongTheParameterPieces) {
  AddG1();
  AddSystem("A+B");
  AddPhaseWith("L", {{100, 200, "5"}, {100, 5000, "A + {G1}*T"}, {5000, 6000, "7"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  const std::vector<Tfunc> expected = {
      {100, 200, 0, 1, -1, -1, "5"},
      {298, 700, 0, 1, -1, -1, "A+(1+T)*T"},   // the piece's own range plays no part
      {700, 3000, 0.1, 0.6, -1, -1, "A+2*T"},  // the window of the chosen parameter piece
      {5000, 6000, 0, 1, -1, -1, "7"},
  };
  EXPECT_EQ(PiecesOf("L"), expected);
  EXPECT_EQ(Solution("L").Parser.Expression(), "7");
}

TEST_F(PhaseFunctions, SeveralAndNestedReferencesShareTheBreakpoints) {
  AddG1();
  AddParameter("G2", {{500, 6000, "3"}});
  AddParameter("G3", {{0, 10000, "{g1}*2"}});        // nested, with a lower-case reference
  AddParameter("TWICE", {{0, 10000, "{G2}*{G2}"}});  // the same parameter twice is no cycle
  AddParameter("G4", {{298.15, 1000, "1"}});
  AddParameter("G5", {{298.15 + 1e-13, 2000, "2"}});  // the same Tmin to 15 digits
  // G3 and TWICE are not enclosed in parentheses: posted and assembled with a warning.
  const std::vector<Entry> warnings = {
      {"warning", StabilityTermWarning("G3", 0, 10000, "{g1}*2")},
      {"warning", StabilityTermWarning("TWICE", 0, 10000, "{G2}*{G2}")}};
  EXPECT_EQ(dialogs.entries, warnings);
  dialogs.entries.clear();
  AddSystem("A+B");
  AddPhaseWith("AB", {{298, 3000, "{G1}+{G2}", "0.5;0.25"}});
  AddPhaseWith("N", {{298, 3000, "{g3}+{TWICE}"}});
  AddPhaseWith("R", {{298, 3000, "{G4}+{G5}"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());

  // For [298, 500] no piece of G2 covers the range: its last piece is taken. Every sub-piece
  // keeps the composition (both values) of the piece.
  EXPECT_EQ(PiecesOf("AB-(C)"), (std::vector<Tfunc>{{298, 500, 0, 1, 0.5, 0.25, "(1+T)+3"},
                                                    {500, 700, 0, 1, 0.5, 0.25, "(1+T)+3"},
                                                    {700, 3000, 0, 1, 0.5, 0.25, "2+3"}}));
  // G1 inside G3 is chosen for G3's range [0, 10000]: none covers it, so its last piece.
  EXPECT_EQ(PiecesOf("N"), (std::vector<Tfunc>{{0, 10000, 0, 1, -1, -1, "2*2+3*3"}}));
  EXPECT_EQ(PiecesOf("R"), (std::vector<Tfunc>{{298.15, 1000, 0, 1, -1, -1, "1+2"}}));
  EXPECT_EQ(dialogs.entries, warnings);
  // The last referenced parameter is current.
  EXPECT_EQ(dm.tblStability.FieldByName("Designation").AsString(), "G5");
}

// A piece that is not one term is inserted as written (X*{G} with G = 1+T is
// X*1+T), and the assembly says so once per parameter piece, however many
// phases and sub-pieces use it, and again at the next assembly.
TEST_F(PhaseFunctions, PieceThatIsNotOneTermIsInsertedAsWrittenWithOneWarning) {
  AddParameter("G", {{298, 700, "1 + T"}, {700, 3000, "(2+T)"}});
  AddParameter("H", {{298, 500, "-5"}, {500, 3000, "7"}});
  const std::vector<Entry> warnings = {{"warning", StabilityTermWarning("G", 298, 700, "1+T")},
                                       {"warning", StabilityTermWarning("H", 298, 500, "-5")}};
  EXPECT_EQ(dialogs.entries, warnings) << "posting the pieces";
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 3000, "X*{G}+X*{H}"}});
  AddPhaseWith("S", {{298, 3000, "{G}*{H}"}});
  for (const bool run_mode : {true, false}) {
    SCOPED_TRACE(run_mode ? "run" : "listing");
    dm.RunMode = run_mode;
    dialogs.entries.clear();
    ASSERT_TRUE(pf.BuildPhaseFunctions());
    EXPECT_EQ(PiecesOf("L"), (std::vector<Tfunc>{{298, 500, 0, 1, -1, -1, "X*1+T+X*-5"},
                                                 {500, 700, 0, 1, -1, -1, "X*1+T+X*7"},
                                                 {700, 3000, 0, 1, -1, -1, "X*(2+T)+X*7"}}));
    EXPECT_EQ(PiecesOf("S").front().Expression, "1+T*-5");
    EXPECT_EQ(dialogs.entries, warnings);
  }
}

TEST_F(PhaseFunctions, ClosingBraceBeforeAReferenceIsLeftToTheCompiler) {
  AddG1();
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 3000, "1}+{G1}"}});
  dm.RunMode = false;  // nothing is compiled
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(PiecesOf("L"), (std::vector<Tfunc>{{298, 700, 0, 1, -1, -1, "1}+(1+T)"},
                                               {700, 3000, 0.1, 0.6, -1, -1, "1}+2"}}));
}

TEST_F(PhaseFunctions, UnresolvableReferenceEndsTheAssemblyWithAMessage) {
  AddG1();
  AddParameter("SELF", {{0, 5000, "1+{self}"}});
  AddParameter("P1", {{0, 5000, "{P2}*2"}});
  AddParameter("P2", {{0, 5000, "{P1}+1"}});
  AddParameter("OPEN", {{0, 5000, "1+{G1"}});
  // Each level doubles the references: 2^20 insertions in all.
  for (int k = 0; k < 20; ++k) {
    const std::string next = "{B" + std::to_string(k + 1) + "}";
    AddParameter("B" + std::to_string(k), {{0, 5000, next + "+" + next}});
  }
  AddParameter("B20", {{0, 5000, "1"}});

  std::string long_text = "X";
  for (int k = 0; k < 150; ++k) long_text += "+1";
  long_text += "+{G1";  // 305 characters, shown with the first 200
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"A + {G1", "No matching bracket: A+{G1"},
      {long_text, "No matching bracket: " + long_text.substr(0, 200) + "... (305 characters)"},
      {"{G1}+{G9}*T", "Designation: G9 not found"},
      {"{SELF}", "Stability parameter self refers to itself"},
      {"{P1}", "Stability parameter P1 refers to itself"},
      {"{OPEN}", "No matching bracket: 1+{G1"},
      {"{B0}", "Stability parameters expand too far in {B0}"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first);
    AddSystem("S" + std::to_string(i) + "+B");
    AddPhaseWith("OK", {{298, 3000, "1"}});
    AddPhaseWith("BAD", {{298, 3000, cases[i].first}});
    AddPhaseWith("LATER", {{298, 3000, "2"}});
    dialogs.entries.clear();
    EXPECT_FALSE(pf.BuildPhaseFunctions());
    EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"error", cases[i].second}}));
    EXPECT_EQ(pf.PhaseFunctionList().Names(), std::vector<std::string>{"OK"});
    EXPECT_EQ(pf.SolutionList().Names(), std::vector<std::string>{"OK"});
  }
}

TEST_F(PhaseFunctions, UnreadableCompositionEndsOnlyThatPhasesPieces) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 500, "1"}, {500, 900, "2 * X", "1/"}, {900, 1000, "3"}});
  AddPhaseWith("S", {{298, 3000, "4"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"message", "2 * X"}}));
  EXPECT_EQ(PiecesOf("L"), (std::vector<Tfunc>{{298, 500, 0, 1, -1, -1, "1"}}));
  EXPECT_EQ(pf.SolutionList().Names(), (std::vector<std::string>{"L", "S"}));
}

TEST_F(PhaseFunctions, UncompilablePieceRaisesAndKeepsTheEarlierPhases) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 3000, "1"}});
  AddPhaseWith("S", {{298, 3000, "1+*2"}});
  EXPECT_THROW((void)pf.BuildPhaseFunctions(), EMathParserError);
  EXPECT_EQ(pf.PhaseFunctionList().Names(), std::vector<std::string>{"L"});
  EXPECT_EQ(pf.SolutionList().Names(), std::vector<std::string>{"L"});
}

// The message of a piece that does not compile, whichever piece it is: the
// run is refused at its start, not ended when it reaches that piece.
TEST_F(PhaseFunctions, UncompilablePieceIsNamedWithItsSystemPhaseAndRange) {
  // A sum of 22 terms: one nesting level more than the language allows.
  std::string nested = "X";
  for (int term = 2; term <= 22; ++term) nested += "+X";
  std::string long_sum = "X";  // 399 characters, quoted in part
  for (int term = 2; term <= 200; ++term) long_sum += "+X";
  AddG1();
  struct Case {
    std::vector<Piece> pieces;
    std::string start;  // of the message
    std::string reason;
  };
  const std::vector<Case> cases = {
      {{{298, 1000, "2*/"}, {1000, 3000, "2"}},
       "System A+B, phase L, Gibbs energy piece 1 (T from 298 to 1000): ",
       ""},
      {{{298, 1000, "1"}, {1000, 3000, nested}},
       "System A+B, phase L, Gibbs energy piece 2 (T from 1000 to 3000): ",
       "Expression contains too many nestings\r" + nested},
      {{{298, 3000, long_sum}},
       "System A+B, phase L, Gibbs energy piece 1 (T from 298 to 3000): ",
       "Expression contains too many nestings\r" + long_sum.substr(0, 200) +
           "... (399 characters)"},
      {{{298, 3000, "X*{G1}*/2"}},
       "System A+B, phase L, Gibbs energy piece 1 (T from 298 to 3000) with its stability "
       "parameters inserted for T from 298 to 700: ",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    dm.tblSystems.First();
    while (!dm.tblSystems.IsEmpty()) dm.tblSystems.Delete();
    AddSystem("A+B");
    AddPhaseWith("L", c.pieces);
    try {
      (void)pf.BuildPhaseFunctions();
      ADD_FAILURE() << "no exception";
    } catch (const EMathParserError& e) {
      const std::string text = e.what();
      EXPECT_EQ(text.substr(0, c.start.size()), c.start) << text;
      if (!c.reason.empty()) {
        EXPECT_EQ(text.substr(c.start.size()), c.reason);
      }
    }
  }
  // The listing compiles nothing: it shows the text as it is.
  dm.RunMode = false;
  EXPECT_TRUE(pf.BuildPhaseFunctions());
}

TEST_F(PhaseFunctions, PhaseWithoutPiecesIsInNoListAndEachBuildStartsAfresh) {
  AddSystem("A+B");
  AddPhaseWith("E", {});
  AddPhaseWith("L", {{298, 3000, "1"}});
  AddPhaseWith("AB", {{298, 3000, "1", "0.5"}});
  for (int build = 0; build < 2; ++build) {
    ASSERT_TRUE(pf.BuildPhaseFunctions());
    EXPECT_EQ(pf.PhaseFunctionList().Names(), (std::vector<std::string>{"L", "AB-(C)"}));
    EXPECT_EQ(pf.SolutionList().Names(), std::vector<std::string>{"L"});
    EXPECT_EQ(pf.PointPhaseList().Names(), std::vector<std::string>{"AB-(C)"});
    EXPECT_EQ(dm.tblPhases.RecNo(), 1);  // the first phase is current again
  }
  TG G;
  pf.EvaluateSolution("E", G, 500);
  EXPECT_EQ(pf.EvaluatePointPhase("E-(C)", 500), 0);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"error", "Phase E not found in list of solutions"},
                                {"error", "Phase E-(C) not found in list of point phases"}}));
}

// --- Listing.

class PhaseFunctionsListing : public PhaseFunctions {
 protected:
  void SetUp() override {
    PhaseFunctions::SetUp();
    dm.RunMode = false;
  }
  std::string Listing(const std::string& file_name) {
    EXPECT_EQ(pf.ListingFileName(), file_name);
    return ReadWholeFile((folder / file_name).string());
  }
};

TEST_F(PhaseFunctionsListing, OnePhaseWithOnePieceGivesSixLines) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 1000, "1000*X"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(Listing("A+B.txt"),
            "SYSTEM: A+B\r\n\r\nPHASE: L-(C)\r\nTmin = 298  Tmax = 1000\r\n"
            "1000*X\r\n\r\n");
  EXPECT_EQ(pf.SolutionList().Count(), 0u);
  EXPECT_EQ(pf.PointPhaseList().Count(), 0u);
  EXPECT_EQ(pf.PhaseFunctionList().Names(), std::vector<std::string>{"L"});
}

TEST_F(PhaseFunctionsListing, ShowsWindowsAndInsertedParametersAndReplacesTheFile) {
  AddG1();
  AddSystem("Fe + Ni");
  AddPhaseWith("Fcc", {{298.15, 1000.12345, "1 + ...\r\n X", "", 0.2, 0.8}});
  AddPhaseWith("E", {});
  AddPhaseWith("Cu", {{298, 3000, "{G1}", "0.5"}});
  std::filesystem::create_directories(folder / "out");
  pf.ListingFolder = (folder / "out").string();
  WriteWholeFile((folder / "out" / "Fe+Ni.txt").string(), "old");
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(pf.ListingFileName(), "Fe+Ni.txt");
  EXPECT_EQ(ReadWholeFile((folder / "out" / "Fe+Ni.txt").string()),
            "SYSTEM: Fe + Ni\r\n\r\n"
            "PHASE: Fcc-(C)\r\nTmin = 298.15  Tmax = 1000.123\r\nXmin = 0.2\r\nXmax = 0.8\r\n"
            "1+X\r\n\r\n"
            "PHASE: E-(C)\r\n\r\n"
            "PHASE: Cu\r\nTmin = 298  Tmax = 700\r\n(1+T)\r\n"
            "Tmin = 700  Tmax = 3000\r\nXmin = 0.1\r\nXmax = 0.6\r\n2\r\n\r\n");
}

TEST_F(PhaseFunctionsListing, IsSavedAsFarAsItGotWhenAReferenceFails) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 1000, "1"}});
  AddPhaseWith("S", {{298, 1000, "{G9}"}});
  EXPECT_FALSE(pf.BuildPhaseFunctions());
  EXPECT_EQ(Listing("A+B.txt"),
            "SYSTEM: A+B\r\n\r\nPHASE: L-(C)\r\nTmin = 298  Tmax = 1000\r\n1\r\n\r\n"
            "PHASE: S-(C)\r\n");
}

// --- Evaluation.

TEST(IdealMixingEntropy, IsSymmetricAndZeroOutsideTheOpenInterval) {
  EXPECT_DOUBLE_EQ(TPhaseFunctions::IdealMixingEntropy(0.5), 8.31441 * std::numbers::ln2);
  EXPECT_NEAR(TPhaseFunctions::IdealMixingEntropy(0.5), 5.763, 5e-4);
  const double s = -0.25 * std::log(0.25) - 0.75 * std::log(0.75);
  EXPECT_DOUBLE_EQ(TPhaseFunctions::IdealMixingEntropy(0.25), 8.31441 * s);
  EXPECT_EQ(TPhaseFunctions::IdealMixingEntropy(0.25), TPhaseFunctions::IdealMixingEntropy(0.75));
  for (double x : {0.0, 1.0, -0.1, 1.5}) EXPECT_EQ(TPhaseFunctions::IdealMixingEntropy(x), 0) << x;
}

TEST_F(PhaseFunctions, SolutionSeesTheRunVariablesInsideItsWindow) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 3000, "X+SID+T+10*P+100*Y+1000*R", "", 0.25, 0.75}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  SetGrid({0, 0.25, 0.5, 0.75, 1});
  pf.RunP = 2;
  pf.CurrentY = 3;
  TG G = {5, 5};
  pf.EvaluateSolution("l", G, 500);  // names ignore case
  ASSERT_EQ(G.size(), 5u);
  EXPECT_EQ(G[0], 1e30);
  EXPECT_EQ(G[4], 1e30);
  for (std::size_t i = 1; i < 4; ++i) {
    const double x = grid[i].X;
    EXPECT_NEAR(G[i], x + TPhaseFunctions::IdealMixingEntropy(x) + 500 + 20 + 300 + 8314.41, 1e-9)
        << x;
  }
  EXPECT_TRUE(dialogs.entries.empty());
}

TEST_F(PhaseFunctions, LookupTakesTheFirstPhaseOfAName) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 3000, "1"}});
  AddPhaseWith("L", {{298, 3000, "2"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  SetGrid({0.5});
  TG G;
  pf.EvaluateSolution("L", G, 500);
  EXPECT_EQ(G, TG{1});
}

TEST_F(PhaseFunctions, SolutionSwitchesPiecesOnlyWhenTLeavesTheActiveOne) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 1000, "1+0*X"}, {1000, 3000, "2+0*X"}, {3000, 5000, "3+0*X"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  SetGrid({0, 0.5, 1});
  struct Step {
    double T;
    double g;           // every grid value
    double tmin, tmax;  // the active piece afterwards
  };
  const std::vector<Step> steps = {
      {100, 3, 3000, 5000},   // no piece covers T: the active piece stays and is evaluated
      {1000, 2, 1000, 3000},  // both covering pieces are evaluated; the later one stays
      {2000, 2, 1000, 3000}, {500, 1, 298, 1000},
      {1000, 1, 298, 1000},  // the active piece covers 1000: no switch
      {6000, 1, 298, 1000},  {4000, 3, 3000, 5000},
  };
  TG G;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.T);
    pf.EvaluateSolution("L", G, s.T);
    EXPECT_EQ(G, TG(3, s.g));
    EXPECT_EQ(Solution("L").Tmin, s.tmin);
    EXPECT_EQ(Solution("L").Tmax, s.tmax);
  }
  // Told once for the phase, at the first T outside.
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"warning",
                                 "No Gibbs energy piece of phase L covers T = 100 (its pieces run "
                                 "from 298 to 5000): its piece for T from 3000 to 5000 is used "
                                 "outside its range."}}));
  EXPECT_EQ(pf.EvaluationFaults(), 0u);
}

// Outside every piece a phase is evaluated at the row's T with the piece
// that stays active; the values of another T are never kept.
TEST_F(PhaseFunctions, BelowEveryPieceTheActivePieceGivesTheValuesAtT) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298.15, 1000, "-10*T*X"}, {1000, 3000, "-5*T*X*X"}});
  AddPhaseWith("AB", {{298.15, 6000, "-20*T", "0.5"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  SetGrid({0.5, 1});
  TG G;
  for (const double T : {400.0, 300.0, 200.0, 100.0}) {
    SCOPED_TRACE(T);
    pf.EvaluateSolution("L", G, T);
    EXPECT_EQ(G, (TG{-5 * T, -10 * T}));
    EXPECT_EQ(static_cast<double>(pf.EvaluatePointPhase("AB-(C)", T)), -20 * T);
  }
  ASSERT_EQ(dialogs.entries.size(), 2u);
  EXPECT_EQ(dialogs.entries[0].text,
            "No Gibbs energy piece of phase L covers T = 200 (its pieces run from 298.15 to "
            "3000): its piece for T from 298.15 to 1000 is used outside its range.");
  EXPECT_EQ(dialogs.entries[1].text,
            "No Gibbs energy piece of phase AB-(C) covers T = 200 (its pieces run from 298.15 "
            "to 6000): its piece for T from 298.15 to 6000 is used outside its range.");
  // Each assembly tells again.
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  pf.EvaluateSolution("L", G, 100);
  EXPECT_EQ(dialogs.entries.size(), 3u);
}

// Two pieces of one operation shape that differ only in the constant of the
// composition-only term: after every switch the grid must hold the active
// piece's values, whether the pieces are stored as such or come from the two
// pieces of a stability parameter.
TEST_F(PhaseFunctions, PieceSwitchNeverKeepsTheValuesOfThePreviousPiece) {
  const std::string mixing = "*X*(1-X)+R*T*(X*LN(X)+(1-X)*LN(1-X))";
  AddSystem("A+B");
  AddPhaseWith("L", {{300, 800, "1000" + mixing}, {800, 2000, "20000" + mixing}});
  AddParameter("GMIX", {{300, 800, "(1000*X*(1-X))"}, {800, 2000, "(20000*X*(1-X))"}});
  AddPhaseWith("S", {{300, 2000, "{GMIX}+R*T*(X*LN(X)+(1-X)*LN(1-X))"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  SetGrid({0.1, 0.3, 0.5, 0.7, 0.9});
  const auto expected = [](double constant, double x, double T) {
    return constant * x * (1 - x) + 8.31441 * T * (x * std::log(x) + (1 - x) * std::log(1 - x));
  };
  for (const std::string phase : {"L", "S"}) {
    TG G;
    for (const double T : {1000.0, 500.0, 1500.0, 600.0, 700.0, 1900.0}) {
      SCOPED_TRACE(phase + " at T = " + std::to_string(T));
      pf.EvaluateSolution(phase, G, T);
      const double constant = T < 800 ? 1000 : 20000;
      ASSERT_EQ(G.size(), grid.size());
      for (std::size_t i = 0; i < grid.size(); ++i) {
        EXPECT_NEAR(G[i], expected(constant, grid[i].X, T), 1e-9 * std::fabs(G[i]))
            << "x = " << grid[i].X;
      }
    }
  }
  EXPECT_TRUE(dialogs.entries.empty());
}

TEST_F(PhaseFunctions, PointPhaseUsesTheSwitchedToCompositionForOneCallOnly) {
  AddSystem("A+B");
  AddPhaseWith("AB", {{298, 1000, "1000*X+T", "0.2"}, {1000, 3000, "2000*X+T+SID", "0.4"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  const TParserplus& ab = *pf.PointPhaseList().Find("AB-(C)");
  EXPECT_EQ(ab.VariableX(), 0.4);
  const auto g = [&](std::string_view name, double T) {
    return static_cast<double>(pf.EvaluatePointPhase(name, T));
  };
  EXPECT_NEAR(g("ab-(c)", 2000), 800 + 2000 + TPhaseFunctions::IdealMixingEntropy(0.4), 1e-9);
  EXPECT_NEAR(g("AB-(C)", 500), 200 + 500, 1e-9);
  EXPECT_EQ(ab.VariableX(), 0.2);
  EXPECT_NEAR(g("AB-(C)", 600), 400 + 600, 1e-9);  // back to 0.4
  EXPECT_EQ(ab.VariableX(), 0.4);
  // No piece covers T: the active piece at the phase's composition.
  EXPECT_NEAR(g("AB-(C)", 5000), 400 + 5000, 1e-9);
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].kind, "warning");
}

// Where an evaluation faults the phase is absent (kOutsideWindowG), the
// rest is evaluated, every fault is counted and the first of each phase told.
TEST_F(PhaseFunctions, ArithmeticErrorsMakeThePhaseAbsentWhereTheyOccur) {
  AddSystem("A+B");
  AddPhaseWith("L", {{298, 3000, "1/(X-0.5)"}});
  AddPhaseWith("Z", {{298, 3000, "1/0"}});
  AddPhaseWith("AB", {{298, 3000, "1/(T-500)", "0.5"}});
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  SetGrid({0, 0.25, 0.5, 0.75, 1});
  const double absent = kOutsideWindowG;
  for (int row = 0; row < 2; ++row) {
    TG G(5, 7);
    pf.EvaluateSolution("L", G, 500);
    EXPECT_EQ(G, (TG{-2, -4, absent, 4, 2}));
    pf.EvaluateSolution("Z", G, 500);
    EXPECT_EQ(G, TG(5, absent));
    EXPECT_EQ(static_cast<double>(pf.EvaluatePointPhase("AB-(C)", 500)), absent);
    EXPECT_EQ(static_cast<double>(pf.EvaluatePointPhase("AB-(C)", 501)), 1);
  }
  EXPECT_EQ(pf.EvaluationFaults(), 2 * (1 + 5 + 1));
  const std::string absent_text = "\rWherever it cannot be evaluated the phase counts as absent.";
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{
                                 {"message",
                                  "Phase L cannot be evaluated at X = 0.5, T = 500: Floating point "
                                  "division by zero\r1/(X-0.5)" +
                                      absent_text},
                                 {"message",
                                  "Phase Z cannot be evaluated at X = 0, T = 500: Floating point "
                                  "division by zero\r1/0" +
                                      absent_text},
                                 {"message",
                                  "Phase AB-(C) cannot be evaluated at T = 500: Floating point "
                                  "division by zero\r1/(T-500)" +
                                      absent_text},
                             }));
  ASSERT_TRUE(pf.BuildPhaseFunctions());
  EXPECT_EQ(pf.EvaluationFaults(), 0u);
}

}  // namespace
}  // namespace binodal
