// The fuzz targets' seed corpora, run as ordinary tests: every seed must be
// handled without a crash, a sanitizer report or an escaping exception.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "common/file_io.h"
#include "fuzz_bodies.h"

namespace binodal {
namespace {

std::vector<std::filesystem::path> Seeds(const char* corpus) {
  std::vector<std::filesystem::path> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(corpus))
    seeds.push_back(entry.path());
  return seeds;
}

TEST(FuzzCorpus, ExpressionSeedsCompileOrFailCleanly) {
  const auto seeds = Seeds(BINODAL_FUZZ_CORPUS "/expression_compiler");
  ASSERT_FALSE(seeds.empty());
  for (const auto& seed : seeds) {
    EXPECT_NO_THROW(fuzz::CompileAndEvaluate(ReadWholeFile(seed.string()))) << seed;
  }
}

TEST(FuzzCorpus, RowEvaluationSeedsAgreeWithWholeRuns) {
  const auto seeds = Seeds(BINODAL_FUZZ_CORPUS "/row_evaluation");
  ASSERT_FALSE(seeds.empty());
  for (const auto& seed : seeds) {
    EXPECT_NO_THROW(fuzz::CheckRowEvaluation(ReadWholeFile(seed.string()))) << seed;
  }
}

// Random expressions and piece switches, evaluated in bulk and one point at a
// time: the same bits everywhere.
TEST(RowEvaluationDifferential, RandomRecipesGiveTheSameBitsInBulkAndPointByPoint) {
  std::mt19937_64 random(20261211);
  for (int i = 0; i < 4000; ++i) {
    std::string recipe(8 + random() % 120, '\0');
    for (char& c : recipe) c = static_cast<char>(random());
    try {
      fuzz::CheckRowEvaluation(recipe);
    } catch (const std::logic_error& e) {
      ADD_FAILURE() << "recipe " << i << ": " << e.what();
    }
  }
}

TEST(FuzzCorpus, ExchangeSeedsUploadOrStopCleanly) {
  const std::string folder = fuzz::MakeScratchDatabase();
  const auto seeds = Seeds(BINODAL_FUZZ_CORPUS "/exchange_reader");
  ASSERT_FALSE(seeds.empty());
  for (const auto& seed : seeds) {
    EXPECT_NO_THROW(fuzz::UploadFile(ReadWholeFile(seed.string()), folder)) << seed;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace binodal
