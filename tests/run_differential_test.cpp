// Whole runs of every bundled system, compared against fingerprints recorded
// from a run known to be right. A change meant to make the run faster must
// leave every fingerprint as it is: the matrix cells, the boundary points and
// the nodes bit for bit, and everything the run shows on the way (the curves
// of the working diagram, the mosaic, the messages). The fingerprints were
// recorded on x86-64 with glibc's libm; another libm may round a logarithm
// differently and needs fingerprints of its own.
#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "calc/run.h"
#include "common/number_format.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "expression/operations.h"
#include "expression/parser.h"
#include "results/run_diagram.h"
#include "support/temp_database.h"

namespace binodal {
namespace {

using testing_support::DatabaseTest;

// FNV-1a over everything fed to it; strings carry their length.
class Fingerprint {
 public:
  void Add(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<unsigned char>(value >> (8 * i)));
  }
  void Add(double value) { Add(std::bit_cast<std::uint64_t>(value)); }
  void Add(int value) { Add(static_cast<std::uint64_t>(static_cast<std::int64_t>(value))); }
  void Add(std::string_view text) {
    Add(static_cast<std::uint64_t>(text.size()));
    for (char c : text) Byte(static_cast<unsigned char>(c));
  }
  [[nodiscard]] std::uint64_t Value() const { return hash_; }

 private:
  void Byte(unsigned char b) {
    hash_ ^= b;
    hash_ *= 0x100000001b3ULL;
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// Records every call a window would see.
class FingerprintObserver : public RunObserver {
 public:
  void WorkingPoint(std::size_t series, double x, double g) override {
    working.Add(static_cast<std::uint64_t>(series));
    working.Add(x);
    working.Add(g);
  }
  void WorkingRowDone() override { working.Add(std::string_view("row")); }
  int MosaicWidth() const override { return 600; }
  int MosaicHeight() const override { return 410; }
  void MosaicHLine(int x0, int x1, int y, TColor color) override {
    for (int v : {x0, x1, y, static_cast<int>(color)}) mosaic.Add(v);
  }
  void MosaicEllipse(int x0, int y0, int x1, int y1) override {
    for (int v : {-1, x0, y0, x1, y1}) mosaic.Add(v);
  }
  Fingerprint working;
  Fingerprint mosaic;
};

class MessageDialogs : public testing_support::RecordingDialogs {
 public:
  [[nodiscard]] std::uint64_t Value() const {
    Fingerprint f;
    for (const Entry& e : entries) {
      f.Add(e.kind);
      f.Add(e.text);
    }
    return f.Value();
  }
};

struct Case {
  const char* system;
  int xpoints;  // 0: the system's own grid
  int ypoints;
  // Fingerprints of the results: matrix, boundary points, nodes and
  // appearance points, working diagram, mosaic, messages.
  std::uint64_t matrix, boundary, nodes, working, mosaic, messages;
};

const Case kCases[] = {
    // clang-format off
    {"Ag+Cu", 0, 0,
     0x763bdf79a686d0d3ULL, 0xc79a4f61b82a3e08ULL, 0xa7235cafcd67d326ULL,
     0xb40dbd6a97f3b9d0ULL, 0xfe840349f96e37a5ULL, 0xcbf29ce484222325ULL},
    {"Ag+Cu", 150, 120,
     0xc763ca5213ec233aULL, 0xcf5befb590a4b821ULL, 0xc00c8f072b8ebee7ULL,
     0xbc834b47448f75e5ULL, 0xd085f6200f1cb0a6ULL, 0xcbf29ce484222325ULL},
    {"Ag+Cu", 37, 23,
     0x86b250522cddd35cULL, 0x8225e65fad4943a8ULL, 0x916f39af3e34ebe8ULL,
     0xe7c3fd319c2fcf8eULL, 0xbc21f74b0fa1709aULL, 0xcbf29ce484222325ULL},
    {"Mg+Si", 0, 0,
     0x4528285eeffda84dULL, 0xe2bb25fe40286db9ULL, 0xde213aad88c5c39eULL,
     0xa780162bc1f8c20fULL, 0x7fa14bb48687f9a5ULL, 0xcbf29ce484222325ULL},
    {"Mg+Si", 150, 120,
     0x05200fb826c2760aULL, 0x4e5e02e8b1bd6413ULL, 0x92e150adacbe2b34ULL,
     0x07021a4472e69174ULL, 0x0144db89d45a96b2ULL, 0xcbf29ce484222325ULL},
    {"Mg+Si", 37, 23,
     0x3f7eb2746f21ee82ULL, 0x5a949a820ce12ca2ULL, 0x6c16d377b90701e1ULL,
     0xcadcf0532d96511fULL, 0xf74e7adf73604bdbULL, 0xcbf29ce484222325ULL},
    {"Pb+Sn", 0, 0,
     0x842060eb939ac8d1ULL, 0xb1aa50f7292d26a2ULL, 0xff7d0f931cd33096ULL,
     0x62cc3cc2f0cc4488ULL, 0x8b0f44da9faf1b8dULL, 0xcbf29ce484222325ULL},
    {"Pb+Sn", 150, 120,
     0x799f10b5e4b1f8b5ULL, 0xcc038403607933ebULL, 0xfcacaf017aea2f6aULL,
     0xb82e3008a808a24aULL, 0x3d9d0db874016312ULL, 0xcbf29ce484222325ULL},
    {"Al+Zn", 0, 0,
     0x020702433d8509dfULL, 0xff397c69ffd2d60aULL, 0x2cd40e1472c48c76ULL,
     0xdbc26cef514a08e5ULL, 0x546af38d533a6ae8ULL, 0xcbf29ce484222325ULL},
    {"Al+Zn", 150, 120,
     0x24314bbc4d53aa45ULL, 0xef1eeab7b448eb6bULL, 0x1a2edd841b2af2b8ULL,
     0x810938bb0dc8d07eULL, 0xae50bb5db523069eULL, 0xcbf29ce484222325ULL},
    {"A+B", 0, 0,
     0x2a92658294ee551aULL, 0x60b26acad4a42c70ULL, 0xbc5bbae81cd7af6bULL,
     0x44163ab1084d4513ULL, 0x09cef1a2c629764cULL, 0xcbf29ce484222325ULL},
    {"A+B", 150, 120,
     0x9867489903b63ef1ULL, 0x9a6576d9cee50aa1ULL, 0x34da38a885b69c65ULL,
     0xbc041d70d928854dULL, 0xe5e8fca3cc2e1ee7ULL, 0xcbf29ce484222325ULL},
    // clang-format on
};

class RunDifferentialTest : public DatabaseTest, public ::testing::WithParamInterface<Case> {};

TEST_P(RunDifferentialTest, ResultsMatchTheRecordedRun) {
  const Case& c = GetParam();
  const std::string data = BINODAL_DATA_DIR;
  ASSERT_TRUE(UploadStabilityParameters(dm, data + "/STABILITY_PARAMS.txt", dialogs).completed);
  ASSERT_TRUE(UploadSystem(dm, data + "/" + c.system + ".ter", dialogs).completed);
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", c.system));
  // Everything the run can show is shown, so that it is compared too.
  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("ShowChart").SetAsBoolean(true);
  dm.tblSystems.FieldByName("ShowMosaicDiagram").SetAsBoolean(true);
  dm.tblSystems.Post();

  MessageDialogs messages;
  FingerprintObserver observer;
  TRun run(dm, messages, &observer);
  run.OnBuildDiagram = [&](TRun& r) { (void)BuildRunDiagram(r, dm); };
  RunOverrides overrides;
  if (c.xpoints > 0) overrides.XPoints = c.xpoints;
  if (c.ypoints > 0) overrides.YPoints = c.ypoints;
  ASSERT_EQ(run.Run(overrides), RunOutcome::kCompleted);

  const RunResults& r = run.Results;
  Fingerprint matrix;
  matrix.Add(r.PhaseMatrix.sg2ColCount());
  matrix.Add(r.PhaseMatrix.sg2RowCount());
  for (int row = 0; row < r.PhaseMatrix.sg2RowCount(); ++row) {
    for (int col = 0; col < r.PhaseMatrix.sg2ColCount(); ++col) {
      matrix.Add(r.PhaseMatrix.Cell(col, row));
    }
  }
  Fingerprint boundary;
  boundary.Add(r.BoundaryLast);
  for (int i = 0; i <= r.BoundaryLast; ++i) {
    const TZPoint& p = r.BoundaryPoints[static_cast<std::size_t>(i)];
    boundary.Add(p.X);
    boundary.Add(p.Y);
    boundary.Add(p.Column);
    boundary.Add(p.Phase);
  }
  Fingerprint nodes;
  for (const TNode& n : r.NodeList) {
    for (double v : {n.Y, n.X, n.XLeft, n.XRight}) nodes.Add(v);
  }
  for (const TOtherSpecialPoint& p : r.OtherSpecialPoints) {
    nodes.Add(p.Text);
    nodes.Add(p.X);
    nodes.Add(p.Y);
  }

  const auto hex = [](std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llxULL", static_cast<unsigned long long>(v));
    return std::string(text);
  };
  SCOPED_TRACE("recorded now: " + hex(matrix.Value()) + ", " + hex(boundary.Value()) + ", " +
               hex(nodes.Value()) + ", " + hex(observer.working.Value()) + ", " +
               hex(observer.mosaic.Value()) + ", " + hex(messages.Value()) +
               " (rows: " + std::to_string(run.RowsComputed()) +
               ", boundary points: " + std::to_string(r.BoundaryLast + 1) +
               ", nodes: " + std::to_string(r.NodeList.size()) + ")");
  EXPECT_EQ(matrix.Value(), c.matrix);
  EXPECT_EQ(boundary.Value(), c.boundary);
  EXPECT_EQ(nodes.Value(), c.nodes);
  EXPECT_EQ(observer.working.Value(), c.working);
  EXPECT_EQ(observer.mosaic.Value(), c.mosaic);
  EXPECT_EQ(messages.Value(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(BundledSystems, RunDifferentialTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param_info) {
                           std::string name = param_info.param.system;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name + "_" + std::to_string(param_info.param.xpoints) + "x" +
                                  std::to_string(param_info.param.ypoints);
                         });

// The Gibbs energies of a run, against a plain evaluation of the same
// expression by a parser of its own at every grid point: equal bit for bit,
// absent where the evaluation faults, with the first fault told.
class RowEvaluationTest : public DatabaseTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // The curve of the one solution phase at every row, as the working diagram gets it.
  class CurveObserver : public RunObserver {
   public:
    void WorkingClear() override { rows.emplace_back(); }
    void WorkingPoint(std::size_t series, double, double g) override {
      if (series == 0) rows.back().push_back(g);
    }
    std::vector<std::vector<double>> rows;
  };
};

TEST_P(RowEvaluationTest, RunGivesTheValuesOfAPlainEvaluation) {
  const std::string expression = GetParam();
  AddSystem("A+B");
  TStoreTable& s = dm.tblSystems;
  s.Edit();
  s.FieldByName("Ymin").SetAsFloat(600);
  s.FieldByName("Ymax").SetAsFloat(900);
  s.FieldByName("Xpoints").SetAsInteger(10);
  s.FieldByName("Ypoints").SetAsInteger(6);
  s.FieldByName("ShowChart").SetAsBoolean(true);
  s.Post();
  AddPhase("L");
  AddPiece(0, 10000, expression);

  MessageDialogs messages;
  CurveObserver observer;
  TRun run(dm, messages, &observer);
  SeedRandom(7);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);

  // The same grid and rows, evaluated point by point.
  const TParserplus& phase = run.Phases.SolutionList().Object(0);
  TParser parser;
  parser.AssignVariable("R", kGasConstant);
  parser.AssignVariable("P", run.RunP);
  double& sid = parser.AssignVariable("SID", 0.5);
  parser.SetExpression(expression);
  SeedRandom(7);
  std::vector<std::string> expected_messages;
  std::vector<double> g(run.Results.CompositionList.size(), 0.0);
  double y = run.Ymax;
  for (std::size_t row = 0; row < observer.rows.size(); ++row) {
    parser.T() = y;
    parser.Y() = y;
    for (const TXclass& column : run.Results.CompositionList) {
      const std::size_t i = static_cast<std::size_t>(&column - run.Results.CompositionList.data());
      if (column.X < phase.Xmin || column.X > phase.Xmax) {
        g[i] = kOutsideWindowG;
        continue;
      }
      try {
        parser.X() = column.X;
        sid = TPhaseFunctions::IdealMixingEntropy(column.X);
        g[i] = static_cast<double>(parser.Value());
      } catch (const std::exception& e) {
        g[i] = kOutsideWindowG;           // absent where it cannot be evaluated
        if (expected_messages.empty()) {  // the first fault of the run is told
          expected_messages.push_back(
              "Phase L cannot be evaluated at X = " + FormatGeneral(column.X) +
              ", T = " + FormatGeneral(y) + ": " + e.what() + "\r" + expression +
              "\rWherever it cannot be evaluated the phase counts as "
              "absent.");
        }
      }
    }
    ASSERT_EQ(observer.rows[row].size(), g.size());
    for (std::size_t i = 0; i < g.size(); ++i) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(observer.rows[row][i]),
                std::bit_cast<std::uint64_t>(g[i]))
          << "row " << row << ", column " << i << ": " << observer.rows[row][i] << " against "
          << g[i];
    }
    if (std::fabs(y - run.Ymin) < 1e-11) break;
    y -= run.DeltaY;
    if (y < run.Ymin) y = run.Ymin;
  }
  EXPECT_EQ(observer.rows.size(), 7u);
  std::vector<std::string> shown;
  for (const auto& entry : messages.entries) {
    if (entry.kind == "message") shown.push_back(entry.text);
  }
  EXPECT_EQ(shown, expected_messages);
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, RowEvaluationTest,
    ::testing::Values("20000*X*(1-X)+R*T*(X*LN(X)+(1-X)*LN(1-X))",  // parts that do not depend on X
                      "-T*SID+X*(1-X)*(17534.6-4.45479*T)",         // the cached entropy
                      "X", "T", "SID",                              // one operation only
                      "T*T*T-12011/T+LN(T)+X",                      // X in the last operation
                      "LN(T-700)*X+X*X",                            // a fault in a part without X
                      "1000/(X-0.5)+T*LN(T)",                       // a fault at one composition
                      "RND(1000)*X+RND(1000)",                      // a new number at every call
                      "MAX(T,800)*X+MIN(X,0.3)*P*Y",
                      "LN(X-0.3)*T+X",               // a fault in a part without T, some columns
                      "1/((X-0.5)*T)+X",             // a fault in a part with both, one column
                      "EXP(X*T)+X^(T/300)*LN(X)"));  // overflow in some rows only

}  // namespace
}  // namespace binodal
