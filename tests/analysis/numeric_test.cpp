// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "support/error_of.h"

namespace {

TEST(RoundHalfEven, ExactHalvesGoToTheEvenNeighbour) {
  const struct { double in, out; } cases[] = {
      {0.5, 0.0},       {1.5, 2.0},       {2.5, 2.0},  {-0.5, -0.0}, {-1.5, -2.0},
      {-2.5, -2.0},     {2.4999999, 2.0}, {2.5000001, 3.0}, {-7.0, -7.0}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

struct ConversionCase {
  const char* name;
  std::function<double(double)> convert;
  double input;
  double expected;  // ignored when an error is expected
  const char* error;
};

void PrintTo(const ConversionCase& c, std::ostream* out) { *out << c.name; }

std::string CaseName(const ::testing::TestParamInfo<ConversionCase>& param) {
  std::string name = param.param.name;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

class CheckedConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(CheckedConversion, ConvertsOrOverflows) {
  const ConversionCase& c = GetParam();
  double result = 0;
  EXPECT_EQ(ErrorOf([&] { result = c.convert(c.input); }), c.error);
  if (std::string(c.error).empty()) {
    EXPECT_EQ(result, c.expected);
  }
}

const auto int8 = [](double v) { return static_cast<double>(ToInt8(v)); };
const auto int16 = [](double v) { return static_cast<double>(ToInt16(v)); };
const auto int32 = [](double v) { return static_cast<double>(ToInt32(v)); };
const auto byte = [](double v) { return static_cast<double>(ToByte(v)); };
const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Table, CheckedConversion,
    ::testing::Values(
        ConversionCase{"int8 top", int8, 127.49, 127, ""},
        ConversionCase{"int8 above", int8, 127.5, 0, "Overflow"},
        ConversionCase{"int8 bottom tie", int8, -128.5, -128, ""},
        ConversionCase{"int16 top", int16, 32767.4, 32767, ""},
        ConversionCase{"int16 above", int16, 32768, 0, "Overflow"},
        ConversionCase{"int16 bottom tie", int16, -32768.5, -32768, ""},
        ConversionCase{"int16 below", int16, -32769, 0, "Overflow"},
        ConversionCase{"int16 tie to even", int16, 2.5, 2, ""},
        ConversionCase{"int32 top", int32, 2147483647.0, 2147483647.0, ""},
        ConversionCase{"int32 above", int32, 2147483648.0, 0, "Overflow"},
        ConversionCase{"int32 nan", int32, nan, 0, "Overflow"},
        ConversionCase{"byte zero", byte, -0.5, 0, ""},
        ConversionCase{"byte negative", byte, -1, 0, "Overflow"},
        ConversionCase{"byte top tie goes up to 256", byte, 255.5, 0, "Overflow"},
        ConversionCase{"byte top", byte, 254.5, 254, ""}),
    CaseName);

TEST(CheckedArithmetic, RaisesThePlatformErrors) {
  EXPECT_EQ(ErrorOf([] { Divide(1.0, 0.0); }), "Division by zero");
  EXPECT_EQ(ErrorOf([] { Divide(0.0, 0.0); }), "Division by zero");
  EXPECT_EQ(ErrorOf([] { Divide(1e308, 1e-308); }), "Overflow");
  EXPECT_DOUBLE_EQ(Divide(1.0, 4.0), 0.25);
  EXPECT_EQ(ErrorOf([] { Log(0.0); }), "Invalid procedure call or argument");
  EXPECT_EQ(ErrorOf([] { Log(-1.0); }), "Invalid procedure call or argument");
  EXPECT_EQ(ErrorOf([] { Log(nan); }), "Invalid procedure call or argument");
  EXPECT_DOUBLE_EQ(Log(std::exp(2.0)), 2.0);
  EXPECT_EQ(ErrorOf([] { CheckedResult(std::numeric_limits<double>::infinity()); }), "Overflow");
}

TEST(CheckedIndexing, OutsideTheArrayIsSubscriptOutOfRange) {
  std::vector<int> array{1, 2, 3};
  EXPECT_EQ(At(array, 2), 3);
  EXPECT_EQ(ErrorOf([&] { At(array, 3); }), "Subscript out of range");
  EXPECT_EQ(ErrorOf([&] { At(array, -1); }), "Subscript out of range");
  const std::vector<int> empty;
  EXPECT_EQ(ErrorOf([&] { At(empty, 0); }), "Subscript out of range");
}

TEST(TextToNumber, AcceptsDecimalTextOnly) {
  const struct { const char* text; double value; const char* error; } cases[] = {
      {"0", 0, ""},          {"2", 2, ""},           {" -1 ", -1, ""},
      {"+3", 3, ""},         {"1.5", 1.5, ""},       {"2.5e1", 25, ""},
      {"40000", 40000, ""},  {"", 0, "Type mismatch"}, {"  ", 0, "Type mismatch"},
      {"abc", 0, "Type mismatch"}, {"1,5", 0, "Type mismatch"}, {"inf", 0, "Type mismatch"},
      {"nan", 0, "Type mismatch"}, {"1.2.3", 0, "Type mismatch"}, {"--1", 0, "Type mismatch"},
      {"1e999", 0, "Overflow"}};
  for (const auto& c : cases) {
    double value = 0;
    EXPECT_EQ(ErrorOf([&] { value = TextToNumber(c.text); }), c.error) << '"' << c.text << '"';
    if (std::string(c.error).empty()) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

}  // namespace
