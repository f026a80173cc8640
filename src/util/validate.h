// Checks of Italian identifiers (fiscal code, VAT number, IBAN), e-mail addresses and digit
// strings. Pure functions over Windows-1252 text.
#pragma once

#include <string_view>

namespace velt {

// A personal fiscal code of 16 characters with its check letter; a text of any other length
// (trailing blanks aside) is checked as a VAT number.
bool ISCOD(std::string_view text);
// A VAT number: 11 digits with the check digit; eleven zeros are refused.
bool ISIVA(std::string_view text);
// An IBAN of the Italian length, 27 characters in upper case, with its ISO 7064 MOD 97-10 check.
bool ISIBAN(std::string_view text);
// A plausible e-mail address: no blank inside, one "@", a dot after it, not ending in a dot.
bool ISEMAIL(std::string_view text);
// Not empty and made only of the digits 0-9.
bool ISNUMBER(std::string_view text);

}  // namespace velt
