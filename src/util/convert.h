// Values as text: the display text of any value, and the literal that denotes a value inside a
// filter expression.
#pragma once

#include <initializer_list>
#include <string>

#include "util/value.h"

namespace velt {

// Display text: text unchanged, dates "dd/mm/yyyy", logicals ".T."/".F.", numbers in plain
// decimal text, lists and maps element by element on separate lines (cut after 1000
// characters), objects by class name, pointers in hexadecimal, no value as "NIL".
std::string CVALTOCHAR(const Value& value);

// The literal of a filter expression that reads back as the value: a quoted text (inner double
// quotes joined in as ["] pieces), CTOD( "dd/mm/yyyy" ) for a date, the plain text of a number,
// "" for any empty value. Values of other kinds come back unchanged.
Value MKSTR(const Value& value);

// The first argument that has a value; no value when none has.
Value IFNIL(std::initializer_list<Value> values);
template <typename... Ts>
Value IFNIL(const Ts&... values) {
    return IFNIL({Value(values)...});
}

}  // namespace velt
