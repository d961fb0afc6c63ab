#include "fuzz_bodies.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include <unistd.h>

#include "common/dialogs.h"
#include "common/file_io.h"
#include "common/float_errors.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "expression/parser.h"
#include "expression/parser_errors.h"
#include "expression/row_evaluator.h"
#include "thermo/data_module.h"

namespace binodal::fuzz {
namespace {

class SilentDialogs : public Dialogs {
 public:
  void Error(std::string_view) override {}
  void Warning(std::string_view) override {}
  void Information(std::string_view) override {}
  void Message(std::string_view) override {}
  bool Confirm(std::string_view) override { return false; }
};

// Hands out the bytes one at a time; 0 once they are used up.
class ByteSource {
 public:
  explicit ByteSource(std::string_view bytes) : bytes_(bytes) {}
  unsigned Next() { return pos_ < bytes_.size() ? static_cast<unsigned char>(bytes_[pos_++]) : 0; }
  unsigned Below(unsigned n) { return Next() % n; }
  [[nodiscard]] bool Done() const { return pos_ >= bytes_.size(); }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

constexpr double kNumbers[] = {0, 1,     2,      0.5, 1000,   20000,   1e-3, 3.25,
                               7, 1e300, 1e-300, 0.1, 298.15, 8.31441, 1e5,  -0.0};
constexpr std::string_view kVariables[] = {"X", "SID", "T", "P", "Y", "R", "A", "X", "SID"};
constexpr std::string_view kFunctions1[] = {"EXP",    "LN",   "SQRT", "ABS",  "SIN",  "COS",  "TAN",
                                            "ARCTAN", "SINH", "COSH", "HEAV", "SIGN", "ZERO", "PH"};

// An expression of the language, every operand in brackets, with its numbers
// left open: the text is pieces[0] number pieces[1] number ... pieces[n].
struct Shape {
  std::vector<std::string> pieces{""};
  void Add(std::string_view text) { pieces.back() += text; }
  void AddNumber() { pieces.emplace_back(); }
  [[nodiscard]] std::size_t numbers() const { return pieces.size() - 1; }
  [[nodiscard]] std::string Text(const std::vector<double>& values) const {
    std::string text = pieces[0];
    for (std::size_t i = 0; i < numbers(); ++i) {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", values[i]);
      text += buffer;
      text += pieces[i + 1];
    }
    return text;
  }
};

void Generate(ByteSource& source, Shape& shape, int depth) {
  const unsigned choice = depth >= 7 ? source.Below(2) : source.Below(12);
  const auto operand = [&] {
    shape.Add("(");
    Generate(source, shape, depth + 1);
    shape.Add(")");
  };
  switch (choice) {
    case 0:
      shape.Add(kVariables[source.Below(std::size(kVariables))]);
      return;
    case 1:
      shape.AddNumber();
      return;
    case 2:
    case 3:
    case 4:
    case 5: {
      constexpr std::string_view kSymbols[] = {"+", "-", "*", "/"};
      operand();
      shape.Add(kSymbols[choice - 2]);
      operand();
      return;
    }
    case 6:
      shape.Add("-");
      operand();
      return;
    case 7: {
      constexpr std::string_view kExponents[] = {"^2", "^3", "^4", "^-1", "^5", "^0.5"};
      operand();
      if (source.Below(4) == 0) {
        shape.Add("^");
        operand();
      } else {
        shape.Add(kExponents[source.Below(std::size(kExponents))]);
      }
      return;
    }
    case 8:
    case 9:
      shape.Add(kFunctions1[source.Below(std::size(kFunctions1))]);
      operand();
      return;
    case 10:
      shape.Add(source.Below(2) == 0 ? "MAX(" : "MIN(");
      Generate(source, shape, depth + 1);
      shape.Add(",");
      Generate(source, shape, depth + 1);
      shape.Add(")");
      return;
    default:
      operand();
      shape.Add(source.Below(2) == 0 ? "MOD" : "DIV");
      operand();
      return;
  }
}

double NumberFrom(ByteSource& source) {
  const unsigned b = source.Next();
  if (b < 192) return kNumbers[b % std::size(kNumbers)];
  return (b - 192) * 0.37 + 0.01;
}

std::string Bits(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g (0x%016llx)", v,
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(v)));
  return buffer;
}

}  // namespace

void CheckRowEvaluation(std::string_view bytes) {
  ByteSource source(bytes);
  Shape shape;
  Generate(source, shape, 0);
  std::vector<double> variants[2];
  for (std::vector<double>& values : variants) {
    for (std::size_t i = 0; i < shape.numbers(); ++i) values.push_back(NumberFrom(source));
  }

  TParser parser;
  double& r = parser.AssignVariable("R", 8.31441);
  double& p = parser.AssignVariable("P", 1);
  double& sid = parser.AssignVariable("SID", 0);
  parser.SetRowVariables({"X", "SID"}, {"T", "P", "Y"});
  const auto new_points = [&] {
    const std::size_t m = 1 + source.Below(9);
    std::vector<double> xs, sids;
    for (std::size_t k = 0; k < m; ++k) {
      const unsigned b = source.Next();
      const double x = b == 0 ? 0 : b == 255 ? 1 : b / 255.0;
      xs.push_back(x);
      sids.push_back(x > 0 && x < 1 ? -8.31441 * (x * std::log(x) + (1 - x) * std::log(1 - x))
                                    : 0.0);
    }
    return RowPoints({std::move(xs), std::move(sids)});
  };
  RowPoints points = new_points();
  parser.T() = 300 + source.Next() * 7.0;

  std::string text;
  const auto compile = [&](int variant) {
    text = shape.Text(variants[variant]);
    try {
      parser.SetExpression(text);
      return true;
    } catch (const EMathParserError&) {
    } catch (const EArithmeticError&) {
    }
    return false;
  };
  if (!compile(0)) return;

  for (int step = 0; step < 12; ++step) {
    const std::size_t m = points.size();
    const auto fail = [&](const std::string& what, std::size_t k) {
      throw std::logic_error(what + " at point " + std::to_string(k) +
                             " (X = " + Bits(points.Values(0)[k]) + ") of " + text);
    };
    // The whole list, point by point.
    std::vector<std::optional<double>> whole(m);
    std::optional<std::size_t> first_fault;
    for (std::size_t k = 0; k < m; ++k) {
      parser.X() = points.Values(0)[k];
      sid = points.Values(1)[k];
      try {
        whole[k] = static_cast<double>(parser.Value());
      } catch (const EArithmeticError&) {
        if (!first_fault) first_fault = k;
      }
    }
    // The walk with the per-row operations run once.
    RowEvaluator& rows = parser.Rows();
    rows.BeginRow();
    for (std::size_t k = 0; k < m; ++k) {
      parser.X() = points.Values(0)[k];
      sid = points.Values(1)[k];
      try {
        const double v = rows.EvaluatePoint();
        if (first_fault == k) fail("the walk does not fault", k);
        if (std::bit_cast<std::uint64_t>(v) != std::bit_cast<std::uint64_t>(*whole[k])) {
          fail("the walk gives " + Bits(v) + " against " + Bits(*whole[k]), k);
        }
      } catch (const EArithmeticError&) {
        if (first_fault != k) fail("the walk faults", k);
        break;
      }
    }
    // The whole row at once.
    std::vector<double> bulk(m);
    const bool done = rows.EvaluateRow(points, bulk);
    if (done && first_fault) fail("the row is done although a point faults", *first_fault);
    if (!done && !first_fault && rows.DoesRows())
      fail("the row is refused although no point faults", 0);
    for (std::size_t k = 0; done && k < m; ++k) {
      if (std::bit_cast<std::uint64_t>(bulk[k]) != std::bit_cast<std::uint64_t>(*whole[k])) {
        fail("the row gives " + Bits(bulk[k]) + " against " + Bits(*whole[k]), k);
      }
    }

    if (source.Done()) return;
    switch (source.Below(6)) {
      case 0:
      case 1:  // a switch to the other piece, or back
        if (!compile(source.Below(2))) return;
        break;
      case 2:
        parser.T() = 300 + source.Next() * 7.0;
        p = source.Below(2) == 0 ? 1 : 1e5;
        parser.Y() = source.Next() / 16.0;
        break;
      case 3:
        r = source.Below(2) == 0 ? 8.31441 : 8.314;
        parser.A() = source.Next() / 8.0;
        break;
      case 4:
        points = new_points();
        break;
      default:  // the same values once more
        break;
    }
  }
}

void CompileAndEvaluate(std::string_view text) {
  TParser parser;
  parser.AssignVariable("T", 1000);
  parser.AssignVariable("X", 0.25);
  parser.AssignVariable("SID", 4.67);
  parser.AssignVariable("R", 8.31441);
  try {
    parser.SetExpression(text);
  } catch (const EMathParserError&) {
    return;
  } catch (const EArithmeticError&) {  // a literal beyond the double range
    return;
  }
  try {
    (void)parser.Value();
  } catch (const EArithmeticError&) {
  }
}

std::string MakeScratchDatabase() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("binodal_fuzz_db_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  TDM::CreateEmptyDatabase(folder.string());
  return folder.string() + "/";
}

void UploadFile(std::string_view bytes, const std::string& folder) {
  const std::string path = folder + "input.txt";
  WriteWholeFile(path, bytes);
  SilentDialogs dialogs;
  TDM dm(dialogs);
  if (!dm.Start(folder)) throw std::logic_error("scratch database does not open");
  for (TStoreTable* table : dm.Tables()) table->SetReadOnly(false);
  (void)UploadSystem(dm, path, dialogs);
  (void)UploadStabilityParameters(dm, path, dialogs);
}

}  // namespace binodal::fuzz
