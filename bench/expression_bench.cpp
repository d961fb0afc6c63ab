// Compile and evaluation costs of the expression engine.
#include <benchmark/benchmark.h>

#include <string>

#include "expression/parser.h"
#include "expression/parser_errors.h"

namespace {

using binodal::TParser;

std::string Chain(int signs, const std::string& op) {
  std::string text = "A";
  for (int i = 0; i < signs; ++i) text += op + "B" + std::to_string(i % 10);
  return text;
}

void CompileChain(benchmark::State& state, const std::string& op) {
  TParser parser;
  for (int i = 0; i < 10; ++i) parser.AssignVariable("B" + std::to_string(i), 1);
  const std::string text = Chain(static_cast<int>(state.range(0)), op);
  for (auto _ : state) {
    try {
      parser.SetExpression(text);  // beyond 20 signs the chain nests too deep and is refused
    } catch (const binodal::ETooManyNestings&) {
    }
    benchmark::DoNotOptimize(parser.ParseFailed());
  }
  state.SetLabel(parser.ParseFailed() ? "refused: too many nestings" : "compiled");
}

void BM_CompileMinusChain(benchmark::State& state) { CompileChain(state, "-"); }
void BM_CompileSlashChain(benchmark::State& state) { CompileChain(state, "/"); }
// Chains that nest too deep are refused before the trial splitting, in time
// linear in their length (5,000 terms took more than 10 s when they were split).
BENCHMARK(BM_CompileMinusChain)
    ->Arg(10)
    ->Arg(20)
    ->Arg(40)
    ->Arg(200)
    ->Arg(5000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileSlashChain)
    ->Arg(10)
    ->Arg(20)
    ->Arg(40)
    ->Arg(200)
    ->Arg(5000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

// Forty "-" signs that do compile: four bracketed groups of ten terms.
void BM_CompileGroupedMinus(benchmark::State& state) {
  TParser parser;
  for (int i = 0; i < 10; ++i) parser.AssignVariable("B" + std::to_string(i), 1);
  std::string text;
  for (int g = 0; g < 4; ++g) text += (g ? "-(" : "(") + Chain(9, "-") + ")";
  for (auto _ : state) {
    parser.SetExpression(text);
    benchmark::DoNotOptimize(parser.Compiled().operations().size());
  }
}
BENCHMARK(BM_CompileGroupedMinus)->Unit(benchmark::kMicrosecond);

// The Ag-Cu liquid with its stability parameters written out (low-temperature pieces).
const char* const kAgCuLiquid =
    "(1-X)*(3815.781+109.310587*T-23.8463314*T*LN(T)-0.001790585*T^2-3.98587E-07*T^3"
    "-12011*T^(-1)-1.0322E-20*T^7)"
    "+X*(5194.382+120.97516*T-24.112392*T*LN(T)-0.00265684*T^2+1.29223E-07*T^3"
    "+52478*T^(-1)-5.83932E-21*T^7)"
    "+8.31441*T*(X*LN(X)+(1-X)*LN(1-X))"
    "+X*(1-X)*((17534.6-4.45479*T)+(2251.3-2.6733*T)*(1-2*X)+492.7*(1-2*X)^2)";

void BM_CompileAgCuLiquid(benchmark::State& state) {
  TParser parser;
  for (auto _ : state) {
    parser.SetExpression(kAgCuLiquid);
    benchmark::DoNotOptimize(parser.Compiled().operations().size());
  }
}
BENCHMARK(BM_CompileAgCuLiquid)->Unit(benchmark::kMicrosecond);

void BM_ValueAgCuLiquid(benchmark::State& state) {
  TParser parser;
  parser.SetExpression(kAgCuLiquid);
  parser.T() = 1000;
  double x = 0.001;
  for (auto _ : state) {
    parser.X() = x;
    benchmark::DoNotOptimize(parser.Value());
    x = x < 0.998 ? x + 0.001 : 0.001;
  }
  state.counters["operations"] = static_cast<double>(parser.Compiled().operations().size());
  state.counters["ns_per_operation"] =
      benchmark::Counter(static_cast<double>(state.iterations()) *
                             static_cast<double>(parser.Compiled().operations().size()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ValueAgCuLiquid);

}  // namespace
