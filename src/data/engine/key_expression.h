// The small expression language of index key and condition texts, so that an index file opened
// later (its tags store only the texts) can still be kept up to date. It covers what index
// expressions of dBase-format tools use: field names (optionally "FIELD ->" or "alias ->"),
// text, number and logical literals, + and -, comparisons (= begins-with, ==, !=, <>, #, <, <=,
// >, >=), !, .NOT., .AND., .OR., parentheses, and the functions DTOS, UPPER, LOWER, TRIM,
// RTRIM, LTRIM, ALLTRIM, STR, SUBSTR, LEFT, RIGHT, DELETED and RECNO. Names are not
// case-sensitive. A text that uses anything else does not compile.
#pragma once

#include <optional>
#include <string>

#include "data/engine/work_area.h"

namespace velt::engine {

// Compiles `text` against the fields of the work area's table; nullopt when it cannot.
std::optional<KeyFunction> compileExpression(const std::string& text, const WorkArea& area);

}  // namespace velt::engine
