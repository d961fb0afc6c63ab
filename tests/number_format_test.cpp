#include "common/number_format.h"

#include <locale.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace binodal {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct FormatCase {
  const char* pattern;
  double value;
  const char* expected;
};

void ExpectFormats(const FormatCase* begin, const FormatCase* end, NumberSeparators separators) {
  for (const FormatCase* c = begin; c != end; ++c) {
    EXPECT_EQ(FormatFloat(c->pattern, c->value, separators), c->expected)
        << "pattern \"" << c->pattern << "\", value " << c->value;
  }
}

TEST(FormatFloatTest, FixedPatterns) {
  const FormatCase cases[] = {
      {"0.########", 298.15, "298.15"},
      {"0.######", 1.0 / 3, "0.333333"},
      {"0.####", -1.23456, "-1.2346"},
      {"0.###", 2, "2"},
      {"0.###", 0, "0"},
      {"0.###", -0.0, "0"},
      // Rounding starts from the shortest text, half away from zero.
      {"0.###", 1.0005, "1.001"},
      {"0.###", 0.0005, "0.001"},
      {"0.###", -0.0005, "-0.001"},
      {"0.##", 2.675, "2.68"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.49999999999999994, "0"},
      {"0.###", -0.0001, "0"},
      {"0.###", 5e-324, "0"},
      // Carries into a new integer digit.
      {"0.###", 9.9996, "10"},
      {"0.###", 99.9999, "100"},
      {"0.###", 0.9999, "1"},
      {"0.###", 1e20, "100000000000000000000"},
      {"0.#", 1.5e16, "15000000000000000"},
      // '0' digits are always written, '#' digits only when significant.
      {"00.00", 1.5, "01.50"},
      {"0.00##", 1.5, "1.50"},
      {"0.00##", 1.23456, "1.2346"},
      {"000", 1234.5, "1235"},
      {"#.##", 0.5, ".5"},
      {"#.##", 0.001, "0"},
      {"0.", 2.5, "3"},
      // Grouping.
      {"#,##0.##", 1234567.891, "1,234,567.89"},
      {"#,##0.##", 0.5, "0.5"},
      {"#,##0.##", 12, "12"},
      {"#,##0.##", 123456, "123,456"},
      {"#,##0.##", 999.999, "1,000"},
      {"#,##0.##", -1234.5, "-1,234.5"},
      {"#,##0.##", -0.001, "0"},
      {"0,", 1234, "1,234"},
      // Literals stay where they stand; the sign goes before the digits.
      {"0.## K", 1.5, "1.5 K"},
      {"T=0.0", -3, "T=-3.0"},
  };
  ExpectFormats(std::begin(cases), std::end(cases), {});
}

TEST(FormatFloatTest, ScientificPatterns) {
  const FormatCase cases[] = {
      {"0.####e-00", 1.5e-7, "1.5e-07"},
      {"0.####e-00", -1.5e-7, "-1.5e-07"},
      {"0.####e-00", 12345, "1.2345e04"},
      {"0.####e-00", 0.00012345678, "1.2346e-04"},
      {"0.####e-00", 1, "1e00"},
      {"0.####e-00", 0, "0e00"},
      {"0.####e-00", -0.0, "0e00"},
      // Carry into the exponent, both directions.
      {"0.####e-00", 9.99996e-5, "1e-04"},
      {"0.####e-00", 9.99996, "1e01"},
      {"0.####e-00", -99999.5, "-1e05"},
      {"0.####e-00", 1e-300, "1e-300"},
      {"0.####e-00", 1e100, "1e100"},
      {"0.####e-00", 5e-324, "5e-324"},  // shortest text of the smallest denormal
      {"0.###e-00", DBL_MAX, "1.798e308"},
      {"0.###e-00", 123456, "1.235e05"},
      {"0.#### e-00", 1.5e-7, "1.5 e-07"},
      {"0.#### e-00", 12345, "1.2345 e04"},
      {"0.00E+000", 1.5, "1.50E+000"},
      {"0.00E+000", 0, "0.00E+000"},
      {"0.##E+0", 0.5, "5E-1"},
      {"0.##E-0", 2e-10, "2E-10"},
      // The mantissa always has one integer digit.
      {"#,##0.#e-00", 12345, "1.2e04"},
      {"#.#e-0", 0, "0e0"},
      {"x = 0.0e-00 m", -2.25e3, "x = -2.3e03 m"},
  };
  ExpectFormats(std::begin(cases), std::end(cases), {});
}

TEST(FormatFloatTest, UsesTheGivenSeparators) {
  const FormatCase cases[] = {
      {"#,##0.##", 1234567.891, "1.234.567,89"},
      {"0.###", 0.5, "0,5"},
      {"0.###", 2, "2"},
      {"0.####e-00", 1.5e-7, "1,5e-07"},
  };
  ExpectFormats(std::begin(cases), std::end(cases), {',', '.'});
  EXPECT_EQ(FormatFloat("#,##0", 1234567, {'.', ' '}), "1 234 567");
}

TEST(FormatFloatTest, WritesNonFiniteValuesInEveryPattern) {
  for (const char* pattern : {"0.###", "#,##0.##", "0.####e-00", "0.00E+000"}) {
    EXPECT_EQ(FormatFloat(pattern, kNaN), "NAN") << pattern;
    EXPECT_EQ(FormatFloat(pattern, -kNaN), "NAN") << pattern;
    EXPECT_EQ(FormatFloat(pattern, kInf), "INF") << pattern;
    EXPECT_EQ(FormatFloat(pattern, -kInf), "-INF") << pattern;
  }
}

TEST(FormatFloatTest, RejectsPatternsOutsideTheGrammar) {
  for (const char* pattern :
       {"", "abc", ".##", ",", "0.#0", "0.0.0", "0 .0", "0.0e", "0.0e00", "0.0e-", "0.0e-#",
        "0.0e-00e-00", "0.0e-00.0", "0-", "+0.0", "0.0 e-00 0"}) {
    EXPECT_THROW((void)FormatFloat(pattern, 1), std::invalid_argument) << '"' << pattern << '"';
  }
}

TEST(FormatFloatTest, LargestValueWritesEveryIntegerDigit) {
  const std::string text = FormatFloat("#,##0.###", DBL_MAX);
  EXPECT_EQ(text.size(), 309u + 102u);
  EXPECT_EQ(text.substr(0, 22), "179,769,313,486,231,57");
  EXPECT_EQ(text.find_first_not_of("0,", 22), std::string::npos);
}

// Whether `text` is [-]d[.ddd]e[-]dd with a mantissa in [1, 10), at most four
// fraction digits and no trailing zero.
bool IsNormalScientific(std::string_view text) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!text.empty() && text[0] == '-') text.remove_prefix(1);
  const size_t e = text.find('e');
  if (e == std::string_view::npos || text[0] < '1' || text[0] > '9') return false;
  const std::string_view mantissa = text.substr(0, e);
  if (mantissa.size() > 1 &&
      (mantissa[1] != '.' || mantissa.size() < 3 || mantissa.size() > 6 || mantissa.back() == '0' ||
       !std::all_of(mantissa.begin() + 2, mantissa.end(), digit))) {
    return false;
  }
  std::string_view exponent = text.substr(e + 1);
  if (!exponent.empty() && exponent[0] == '-') exponent.remove_prefix(1);
  return exponent.size() >= 2 && std::all_of(exponent.begin(), exponent.end(), digit);
}

// Random values through the patterns and back: the text must be within the
// pattern's rounding of the value, and scientific mantissas in [1, 10).
TEST(FormatFloatTest, RoundTripsWithinThePatternsPrecision) {
  std::mt19937_64 random(20240521);
  std::uniform_real_distribution<double> fixed_range(-1e4, 1e4);
  std::uniform_real_distribution<double> exponent_range(-300, 300);
  for (int i = 0; i < 20000; ++i) {
    const double fixed = fixed_range(random);
    const std::string fixed_text = FormatFloat("0.########", fixed);
    // Half a unit of the last place, plus the ulps of the shortest text.
    EXPECT_NEAR(ReadDecimal(fixed_text).value, fixed, 5e-9 + 1e-11) << fixed_text;

    const double wide = std::copysign(std::pow(10.0, exponent_range(random)), fixed);
    const std::string wide_text = FormatFloat("0.####e-00", wide);
    EXPECT_TRUE(IsNormalScientific(wide_text)) << wide_text;
    EXPECT_NEAR(ReadDecimal(wide_text).value / wide, 1.0, 5.0001e-5) << wide_text;
  }
}

TEST(FormatGeneralTest, WritesUpToFifteenSignificantDigits) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {298.15, "298.15"},
      {0.5, "0.5"},
      {995, "995"},
      {-3, "-3"},
      {0, "0"},
      {-0.0, "0"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {-2.0 / 3, "-0.666666666666667"},
      {12345678901234.56, "12345678901234.6"},
      {1234567.125, "1234567.125"},
      {0.000012345, "0.000012345"},
      // Thresholds of the scientific form.
      {1e-5, "0.00001"},
      {-1e-5, "-0.00001"},
      {9.99999999999999e-6, "9.99999999999999E-6"},
      {9.999999999999999e-6, "0.00001"},  // rounds up to 1e-5
      {999999999999999, "999999999999999"},
      {999999999999999.9, "1E15"},  // rounds up to 16 integer digits
      {1e15, "1E15"},
      // Scientific form.
      {1e-6, "1E-6"},
      {1.5e-7, "1.5E-7"},
      {-1.5e-300, "-1.5E-300"},
      {1e20, "1E20"},
      {123456789012345678.0, "1.23456789012346E17"},
      {DBL_MAX, "1.79769313486232E308"},
      {5e-324, "5E-324"},
      {kNaN, "NAN"},
      {kInf, "INF"},
      {-kInf, "-INF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatGeneral(c.value), c.expected) << c.value;
  }
  EXPECT_EQ(FormatGeneral(0.5, ','), "0,5");
  EXPECT_EQ(FormatGeneral(-1.5e-7, ','), "-1,5E-7");
  EXPECT_EQ(FormatGeneral(1234.5, ','), "1234,5");
}

TEST(FormatGeneralTest, RoundTripsToFifteenDigits) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent_range(-320, 308);
  std::uniform_real_distribution<double> mantissa_range(1, 10);
  for (int i = 0; i < 20000; ++i) {
    const double value =
        mantissa_range(random) * std::pow(10.0, std::floor(exponent_range(random)));
    if (value == 0 || !std::isfinite(value) || std::fpclassify(value) == FP_SUBNORMAL) continue;
    const std::string text = FormatGeneral(value);
    const DecimalReading reading = ReadDecimal(text);
    EXPECT_TRUE(reading.ok) << text;
    EXPECT_NEAR(reading.value / value, 1.0, 5.1e-15) << text;
  }
}

TEST(ReadDecimalTest, ReadsTheLongestLeadingNumber) {
  const struct {
    const char* text;
    double value;
    bool ok;
  } cases[] = {
      {"1,5", 1.5, true},
      {"1.5", 1.5, true},
      {"  -2.5e3", -2500, true},
      {"\t+7", 7, true},
      {".5", 0.5, true},
      {"5.", 5, true},
      {",25", 0.25, true},
      {"805.644E23", 8.05644e25, true},
      {"2E-3", 0.002, true},
      {"1e+2", 100, true},
      {"007", 7, true},
      {"1,5,2", 1.5, false},
      {"1.5.2", 1.5, false},
      {"1,5.2", 1.5, false},
      {"12abc", 12, false},
      {"7 ", 7, false},
      {"1e", 1, false},
      {"1e+", 1, false},
      {"2.5E-x", 2.5, false},
      {"0x10", 0, false},
      {"abc", 0, false},
      {"", 0, false},
      {"   ", 0, false},
      {".", 0, false},
      {",", 0, false},
      {"-", 0, false},
      {"-.e5", 0, false},
      {"- 1", 0, false},
      {"--1", 0, false},
      // Beyond the range: overflow is an error, underflow is not.
      {"1e400", 0, false},
      {"-1e400", 0, false},
      {"1e400abc", 0, false},
      {"100000e304", 0, false},
      {"0.0001e312", 1e308, true},
      {"1e99999999999999999999", 0, false},
      {"1e-400", 0, true},
      {"10000e-330", 0, true},
      {"1e-99999999999999999999", 0, true},
      {"0e99999999", 0, true},
      {"4.9e-324", 5e-324, true},
      {"1e-310", 1e-310, true},
  };
  for (const auto& c : cases) {
    const DecimalReading reading = ReadDecimal(c.text);
    EXPECT_EQ(reading.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(reading.ok, c.ok) << '"' << c.text << '"';
  }
  EXPECT_TRUE(std::signbit(ReadDecimal("-0").value));
  EXPECT_TRUE(std::signbit(ReadDecimal("-1e-400").value));
}

// Sets environment variables for the lifetime of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> settings) {
    for (const auto& [name, value] : settings) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
      if (value) {
        setenv(name, value, 1);
      } else {
        unsetenv(name);
      }
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

bool LocaleAvailable(const char* name) {
  locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  freelocale(locale);
  return true;
}

TEST(LocaleSeparatorsTest, DefaultsWithoutAUsableLocale) {
  const std::string process_locale = setlocale(LC_ALL, nullptr);
  for (const char* name : {"C", "POSIX", "xx_XX.no-such-locale"}) {
    ScopedEnvironment environment({{"LC_ALL", name}, {"LC_NUMERIC", nullptr}, {"LANG", nullptr}});
    const NumberSeparators separators = LocaleSeparators();
    EXPECT_EQ(separators.decimal, '.') << name;
    EXPECT_EQ(separators.thousands, ',') << name;
  }
  {
    ScopedEnvironment environment(
        {{"LC_ALL", nullptr}, {"LC_NUMERIC", nullptr}, {"LANG", nullptr}});
    EXPECT_EQ(LocaleSeparators().decimal, '.');
  }
  EXPECT_EQ(setlocale(LC_ALL, nullptr), process_locale);
}

TEST(LocaleSeparatorsTest, FollowsLcAllThenLcNumericThenLang) {
  const char* german = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
    if (LocaleAvailable(name)) {
      german = name;
      break;
    }
  }
  if (german == nullptr) GTEST_SKIP() << "no German locale installed";
  const std::string process_locale = setlocale(LC_ALL, nullptr);
  const struct {
    const char* lc_all;
    const char* lc_numeric;
    const char* lang;
    char decimal;
  } cases[] = {
      {german, nullptr, nullptr, ','}, {nullptr, german, "C", ','}, {nullptr, nullptr, german, ','},
      {"C", german, german, '.'},      {nullptr, "C", german, '.'},
  };
  for (const auto& c : cases) {
    ScopedEnvironment environment(
        {{"LC_ALL", c.lc_all}, {"LC_NUMERIC", c.lc_numeric}, {"LANG", c.lang}});
    const NumberSeparators separators = LocaleSeparators();
    EXPECT_EQ(separators.decimal, c.decimal);
    EXPECT_EQ(separators.thousands, c.decimal == ',' ? '.' : ',');
  }
  EXPECT_EQ(setlocale(LC_ALL, nullptr), process_locale);
}

}  // namespace
}  // namespace binodal
