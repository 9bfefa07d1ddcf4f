// Number texts of the dialog's edit fields: parsing with the position of the
// first character that cannot be read, and the fixed formats the controls
// show. Plain functions, no Qt.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::dialog {

/// Parses a decimal integer: leading blanks, an optional sign, digits.
/// Answers 0 on success, else the 1-based position of the first character
/// that cannot be read (one past the end when the text stops too early, as
/// for an empty text or a lone sign; the first digit that overflows).
int ParseInteger(const std::string& text, int32_t& value);
/// Parses a real number: leading blanks, an optional sign, digits with an
/// optional point and fraction (at least one digit in all), an optional
/// exponent. Same answer as ParseInteger.
int ParseReal(const std::string& text, double& value);

/// Decimal text of an integer, a minus sign where negative.
std::string IntegerText(int64_t value);
/// Fixed-point text with the given number of decimals, a point as separator.
std::string FixedText(double value, int decimals);
/// Two decimals up to 1.98, one above: 1.98 stays "1.98", 1.99 gives "2.0".
std::string FactorText(double value);

}  // namespace velmora::dialog
