// binodal-cli eval: compiles one expression and prints its value.
#include <charconv>
#include <exception>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "common/number_format.h"
#include "expression/parser.h"

namespace binodal::cli {
namespace {

constexpr std::string_view kEvalUsage =
    "Usage: binodal-cli eval [--ops] [--] EXPR [NAME=VALUE ...]\n"
    "\n"
    "Assigns each NAME=VALUE (new names become variables; a comma may stand for the decimal\n"
    "point), compiles EXPR and prints its value in the shortest text that reads back to the\n"
    "same double. Names are case-insensitive; the language has no blanks, so quote EXPR\n"
    "for the shell. EXPR may begin with a minus sign: binodal-cli eval -X^2 X=3\n"
    "\n"
    "  --ops   first print the compiled operations, one a line: token number and name\n"
    "  --      end of options\n"
    "\n"
    "Errors (a malformed expression, an invalid name or number, an arithmetic fault) are\n"
    "printed on stderr, and the exit status is 1.\n";

std::string ShortestText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

int RunEval(Args args, std::ostream& out, std::ostream& err) {
  bool show_ops = false;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    if (args[i] == "--ops") {
      show_ops = true;
    } else if (args[i] == "--help") {
      out << kEvalUsage;
      return 0;
    } else if (args[i] == "--") {
      ++i;
      break;
    } else if (args[i].starts_with("--")) {
      err << "binodal-cli eval: unknown option '" << args[i] << "'\n\n" << kEvalUsage;
      return 2;
    } else {
      break;
    }
  }
  if (i >= args.size()) {
    err << "binodal-cli eval: no expression given\n\n" << kEvalUsage;
    return 2;
  }
  const std::string_view expression = args[i++];

  try {
    TParser parser;
    for (; i < args.size(); ++i) {
      const std::string_view assignment = args[i];
      const std::size_t equals = assignment.find('=');
      if (equals == std::string_view::npos) {
        err << "binodal-cli eval: expected NAME=VALUE, got '" << assignment << "'\n";
        return 2;
      }
      const DecimalReading number = ReadDecimal(assignment.substr(equals + 1));
      if (!number.ok) {
        err << "Invalid number: " << assignment.substr(equals + 1) << '\n';
        return 1;
      }
      parser.AssignVariable(assignment.substr(0, equals), number.value);
    }
    parser.SetExpression(expression);
    if (show_ops) {
      const CompiledExpression& compiled = parser.Compiled();
      for (std::size_t k = 0; k < compiled.operations().size(); ++k) {
        const Token token = compiled.operations()[k].token;
        const std::string_view name = compiled.function_names()[k];
        out << static_cast<int>(token) << ' ' << (name.empty() ? TokenName(token) : name) << '\n';
      }
    }
    out << ShortestText(static_cast<double>(parser.Value())) << '\n';
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << '\n';
    return 1;
  }
}

}  // namespace binodal::cli
