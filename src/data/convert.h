// Value conversion of the table upgrade: a stored value carried from an old field definition to
// the catalogue's, and the helpers it rests on.
#pragma once

#include <string>

#include "data/catalogue.h"
#include "util/value.h"

namespace velt {

// The value converted from the old field's type to the new field's type.
Value CONVDATO(const Value& xValue, const FieldSpec& aOldField, const FieldSpec& aNewField);

// Number text with Italian separators made plain: with a comma, every "." is removed and the
// commas become "."; without one, the text is returned unchanged.
std::string ADJNUM(const std::string& cText);

// The leading numeric part of a text (blanks, sign, digits, one "."), 0 when there is none.
double readNumber(const std::string& text);

// The number written with the field's width and decimals and read back: rounded to the
// decimals, 0 when it does not fit the width.
Number fitNumber(double value, int width, int decimals);

// The number as the field stores it, right-aligned in `width`; asterisks when it does not fit.
std::string numberText(double value, int width, int decimals);

// The empty value of a field type (blank text, 0, empty date, false).
Value emptyValue(const FieldSpec& field);

}  // namespace velt
