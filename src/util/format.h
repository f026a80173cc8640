// Numbers as display text with the Italian conventions, through the picture language:
// an optional flag word ("@E" decimal comma and thousands dot, "@Z" blank when zero) followed by
// a blank and a mask of "9" digit positions, "," thousands marks and one "." decimal point.
// Rounding is half away from zero on the decimal form of the value, so 2.675 shows as 2,68.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/value.h"

namespace velt {

// `value` in the number picture (for example "@ZE 99,999,999.99"). The result is as long as the
// mask; a value that does not fit shows as asterisks. Without a mask: the plain decimal text.
std::string formatNumber(double value, std::string_view picture);

// Any value through a picture: numbers as above; text with "@!" upper-cased and, with a mask,
// shown position by position ("9", "#", "A", "N", "X", "L", "Y" show the character, "!" shows it
// upper-cased, any other mask character shows itself); dates "dd/mm/yyyy"; logicals "T"/"F".
std::string TRANSFORM(const Value& value, std::string_view picture);

// The plain decimal text of a number: point as decimal separator, no thousands marks, no blanks.
// `decimals` >= 0 rounds to exactly that many; Number::kAnyDecimals gives as many as the value
// needs (up to 15 significant digits, trailing zeros dropped).
std::string numberText(double value, int decimals = Number::kAnyDecimals);
std::string numberText(const Number& n);

// d nines grouped in threes from the right: 7 gives "9,999,999". d is brought into 1..15.
std::string digitMask(int digits);

// Whole numbers in "@E" (ZSTR: "@ZE") with d integer digits (default: the number's width).
std::string NSTR(const Number& n, std::optional<int> digits = std::nullopt);
std::string NSTR(double n, std::optional<int> digits = std::nullopt);
std::string ZSTR(const Number& n, std::optional<int> digits = std::nullopt);
std::string ZSTR(double n, std::optional<int> digits = std::nullopt);
// The absolute value, then one sign character: " " or "-". Zero is blank unless showZero.
std::string SSTR(const Number& n, std::optional<int> digits = std::nullopt, bool showZero = false);
std::string SSTR(double n, std::optional<int> digits = std::nullopt, bool showZero = false);

// Two decimals with t total digits (t - 2 integer digits; default from the number's width).
std::string ENSTR(const Number& n, std::optional<int> totalDigits = std::nullopt);
std::string ENSTR(double n, std::optional<int> totalDigits = std::nullopt);
std::string EZSTR(const Number& n, std::optional<int> totalDigits = std::nullopt);
std::string EZSTR(double n, std::optional<int> totalDigits = std::nullopt);
std::string ESSTR(const Number& n, std::optional<int> totalDigits = std::nullopt,
                  bool showZero = false);
std::string ESSTR(double n, std::optional<int> totalDigits = std::nullopt, bool showZero = false);

}  // namespace velt
