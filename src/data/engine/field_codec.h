// How field values are stored in a row: C blank-padded text, N right-aligned decimal text with
// '.' (blanks when empty), D "yyyymmdd" or eight blanks, L "T"/"F" (blank reads false), M the
// memo's first block right-aligned in 10 characters (blanks when empty).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/engine/dbf_file.h"
#include "util/value.h"

namespace velt::engine {

// The value of a C, N, D or L field (a memo field gives its block number as a Number).
Value decodeField(const FieldInfo& field, std::string_view bytes);

enum class EncodeResult { Ok, WrongType, TooWide };

// The stored bytes of `value` for a C, N, D or L field, exactly field.width long. Text is cut or
// padded; a number too wide for the field is stored as asterisks (it reads back as 0) and
// reported as TooWide; a value of the wrong kind gives WrongType and leaves `out` alone.
EncodeResult encodeField(const FieldInfo& field, const Value& value, std::string& out);

// A number as right-aligned text of `width` with `decimals` decimals, rounded half away from
// zero; empty when it does not fit.
std::string formatNumber(double value, int width, int decimals);

// A memo field's stored block number (0 when blank or not a number).
std::uint32_t memoBlockOf(std::string_view bytes);
std::string memoBlockText(std::uint32_t block);  // 10 characters

}  // namespace velt::engine
