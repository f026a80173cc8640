// Windows-1252 <-> UTF-8. Tables, memos and text files hold Windows-1252 bytes; what the operator
// sees is Unicode. The whole 0x80-0x9F range is mapped (euro sign, curly quotes, dashes ...).
#pragma once

#include <string>
#include <string_view>

namespace velt {

std::string cp1252ToUtf8(std::string_view bytes);
// Characters Windows-1252 cannot hold become `replacement`; malformed UTF-8 bytes too.
std::string utf8ToCp1252(std::string_view utf8, char replacement = '?');

}  // namespace velt
