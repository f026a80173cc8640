#include "util/validate.h"

#include <algorithm>
#include <string>

namespace velt {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isAsciiLetter(char c) {
    return isUpper(c) || (c >= 'a' && c <= 'z');
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view trimRight(std::string_view s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

std::string_view trim(std::string_view s) {
    s = trimRight(s);
    size_t start = s.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

}  // namespace

bool ISCOD(std::string_view text) {
    std::string code(text);
    std::transform(code.begin(), code.end(), code.begin(), upper);
    if (trimRight(code).size() != 16) return ISIVA(code);
    if (!isUpper(code[11])) return false;
    // The value of a character in an odd place (1st, 3rd, ...), by its letter or digit index.
    static const int kOdd[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                 20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        char c = code[static_cast<size_t>(i)];
        int v;
        if (isUpper(c))
            v = c - 'A';
        else if (isDigit(c))
            v = c - '0';
        else
            return false;
        sum += (i % 2 == 0) ? kOdd[v] : v;
    }
    char check = code[15];
    return isUpper(check) && sum % 26 == check - 'A';
}

bool ISIVA(std::string_view text) {
    std::string_view number = trimRight(text);
    if (number.size() != 11 || number == "00000000000") return false;
    // Letters would give digit values outside 0-9 and could pass the check by chance.
    if (!std::all_of(number.begin(), number.end(), isDigit)) return false;
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        int v = number[static_cast<size_t>(i)] - '0';
        if (i % 2 == 0) {
            sum += v;
        } else {
            int twice = 2 * v;
            sum += twice / 10 + twice % 10;
        }
    }
    return (10 - sum % 10) % 10 == number[10] - '0';
}

bool ISIBAN(std::string_view text) {
    std::string_view iban = trim(text);
    if (iban.size() != 27) return false;
    // Anything but digits and upper-case letters (a lower-case IBAN, a blank, a dash) is refused
    // before the check, which could otherwise be met by chance.
    if (!std::all_of(iban.begin(), iban.end(), [](char c) { return isDigit(c) || isUpper(c); }))
        return false;
    std::string rotated = std::string(iban.substr(4)) + std::string(iban.substr(0, 4));
    std::string digits;
    for (char c : rotated) {
        if (isDigit(c))
            digits += c;
        else
            digits += std::to_string(c - 'A' + 10);
    }
    // Remainder modulo 97, eight digits at a time behind the previous remainder.
    std::string remainder;
    for (size_t at = 0; at < digits.size(); at += 8) {
        std::string piece = remainder + digits.substr(at, 8);
        remainder = std::to_string(std::stoull(piece) % 97);
    }
    return remainder == "1";
}

bool ISEMAIL(std::string_view text) {
    std::string_view address = trimRight(text);
    if (address.find(' ') != std::string_view::npos) return false;
    if (!address.empty() && address.back() == '.') return false;
    if (text.find('.') == std::string_view::npos) return false;
    if (std::count(text.begin(), text.end(), '@') != 1) return false;
    if (text.find('.', text.find('@')) == std::string_view::npos) return false;
    for (char c : text) {
        if (c == ' ' || c == '.' || c == '@' || c == '_' || c == '-' || c == '\'') continue;
        if (!isAsciiLetter(c) && !isDigit(c)) return false;
    }
    return true;
}

bool ISNUMBER(std::string_view text) {
    if (trim(text).empty()) return false;
    return std::all_of(text.begin(), text.end(), isDigit);
}

}  // namespace velt
