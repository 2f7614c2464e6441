// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/numeric.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

std::int16_t ToSample(double value) {
  return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

double RoundHalfEven(double value) {
  // nearbyint rounds in the current rounding mode, which is to-nearest-even by default.
  return std::nearbyint(value);
}

namespace {
template <typename Int>
Int RoundToRange(double value) {
  const double rounded = RoundHalfEven(value);
  if (std::isnan(rounded) || rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max()))
    throw RuntimeError(ErrorText::Overflow);
  return static_cast<Int>(rounded);
}
}  // namespace

std::int8_t ToInt8(double value) { return RoundToRange<std::int8_t>(value); }
std::int16_t ToInt16(double value) { return RoundToRange<std::int16_t>(value); }
std::int32_t ToInt32(double value) { return RoundToRange<std::int32_t>(value); }
std::uint8_t ToByte(double value) { return RoundToRange<std::uint8_t>(value); }

double CheckedResult(double value) {
  if (!std::isfinite(value)) throw RuntimeError(ErrorText::Overflow);
  return value;
}

double Divide(double numerator, double denominator) {
  if (denominator == 0.0) throw RuntimeError(ErrorText::DivisionByZero);
  return CheckedResult(numerator / denominator);
}

double Log(double value) {
  if (!(value > 0.0)) throw RuntimeError(ErrorText::InvalidCall);
  return CheckedResult(std::log(value));
}

double TextToNumber(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) throw RuntimeError(ErrorText::TypeMismatch);
  // Only sign, digits, a point and an exponent: "inf" and "nan" are not numbers here.
  for (char c : text) {
    const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' ||
                         c == 'e' || c == 'E';
    if (!allowed) throw RuntimeError(ErrorText::TypeMismatch);
  }
  // from_chars ignores the C locale (a Qt program may run with a comma locale).
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) throw RuntimeError(ErrorText::Overflow);
  if (error != std::errc() || end != text.data() + text.size())
    throw RuntimeError(ErrorText::TypeMismatch);
  return value;
}
