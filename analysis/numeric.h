// SPDX-License-Identifier: GPL-3.0-or-later
// The numeric conventions every layer uses: rounding ties to even (and a computed signal
// to samples halves away from zero), conversions that never wrap, bounds-checked indexing and floating arithmetic that never yields an
// infinity or a NaN. Each failure raises RuntimeError with the platform's wording,
// which is what the error dialog shows.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ErrorText {
inline constexpr const char* Overflow = "Overflow";
inline constexpr const char* SubscriptOutOfRange = "Subscript out of range";
inline constexpr const char* DivisionByZero = "Division by zero";
inline constexpr const char* TypeMismatch = "Type mismatch";
inline constexpr const char* InvalidCall = "Invalid procedure call or argument";
inline constexpr const char* InvalidPropertyValue = "Invalid property value";
}  // namespace ErrorText

// The one run-time error type; what() is the description shown to the user.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& description) : std::runtime_error(description) {}
  std::string Description() const { return what(); }
};

// Nearest integer value, exact halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// A computed signal value as a sample: to the nearest whole number, halves away from zero
// (std::lround, the C library's rule, which every signal in the analysis and its tests
// is rounded by; ties to even is the platform's rule for its own conversions, below), and
// held to the 16-bit range.
std::int16_t ToSample(double value);

// Rounded (ties to even) and range-checked conversions; "Overflow" outside the range
// and for NaN.
std::int8_t ToInt8(double value);
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);
std::uint8_t ToByte(double value);

// "Overflow" for an infinite or NaN result; returns the value otherwise.
double CheckedResult(double value);
// a / b with "Division by zero" for b == 0 and "Overflow" for a non-finite result.
double Divide(double numerator, double denominator);
// Natural logarithm; "Invalid procedure call or argument" for zero or negative input.
double Log(double value);

// Text to number: surrounding blanks allowed, decimal point always '.';
// anything else (empty text, words, "inf", "nan") is "Type mismatch".
double TextToNumber(std::string_view text);

// Checked element access: "Subscript out of range" for an index outside the array.
template <typename T, typename Index>
T& At(std::vector<T>& array, Index index) {
  if (index < 0 || static_cast<unsigned long long>(index) >= array.size())
    throw RuntimeError(ErrorText::SubscriptOutOfRange);
  return array[static_cast<std::size_t>(index)];
}

template <typename T, typename Index>
const T& At(const std::vector<T>& array, Index index) {
  if (index < 0 || static_cast<unsigned long long>(index) >= array.size())
    throw RuntimeError(ErrorText::SubscriptOutOfRange);
  return array[static_cast<std::size_t>(index)];
}
