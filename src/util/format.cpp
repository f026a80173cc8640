#include "util/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/convert.h"

namespace velt {
namespace {

// A non-negative decimal number as two digit strings: whole part and fraction.
struct Decimal {
    std::string whole;     // no leading zeros; "0" for values below one
    std::string fraction;  // may be empty
    bool negative = false;

    bool isZero() const {
        return whole.find_first_not_of('0') == std::string::npos &&
               fraction.find_first_not_of('0') == std::string::npos;
    }
};

// The value as a person reads it: 15 significant digits, which hides the binary error of doubles
// (2.675 is stored as 2.67499999..., but reads 2.67500000000000).
Decimal toDecimal(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    std::string_view text(buf);
    Decimal d;
    if (text.front() == '-') {
        d.negative = true;
        text.remove_prefix(1);
    }
    std::string digits;
    size_t e = text.find('e');
    for (size_t i = 0; i < e; ++i)
        if (text[i] != '.') digits += text[i];
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    if (exponent >= 0) {
        size_t wholeLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() < wholeLen) digits.append(wholeLen - digits.size(), '0');
        d.whole = digits.substr(0, wholeLen);
        d.fraction = digits.substr(wholeLen);
    } else {
        d.whole = "0";
        d.fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    size_t nz = d.whole.find_first_not_of('0');
    d.whole = nz == std::string::npos ? "0" : d.whole.substr(nz);
    return d;
}

// Rounds half away from zero to `decimals` places (the sign is kept apart, so rounding the
// magnitude up is away from zero).
Decimal rounded(Decimal d, int decimals) {
    size_t keep = static_cast<size_t>(decimals);
    if (d.fraction.size() <= keep) {
        d.fraction.append(keep - d.fraction.size(), '0');
        return d;
    }
    bool up = d.fraction[keep] >= '5';
    d.fraction.resize(keep);
    if (!up) return d;
    std::string all = d.whole + d.fraction;
    int i = static_cast<int>(all.size()) - 1;
    while (i >= 0 && all[static_cast<size_t>(i)] == '9') all[static_cast<size_t>(i--)] = '0';
    if (i < 0)
        all.insert(all.begin(), '1');
    else
        ++all[static_cast<size_t>(i)];
    d.whole = all.substr(0, all.size() - keep);
    d.fraction = all.substr(all.size() - keep);
    size_t nz = d.whole.find_first_not_of('0');
    d.whole = nz == std::string::npos ? "0" : d.whole.substr(nz);
    return d;
}

struct Picture {
    bool european = false;
    bool blankZero = false;
    bool upper = false;
    std::string_view mask;
};

Picture parsePicture(std::string_view picture) {
    Picture p;
    if (!picture.empty() && picture.front() == '@') {
        size_t blank = picture.find(' ');
        std::string_view flags =
            picture.substr(1, blank == std::string_view::npos ? blank : blank - 1);
        for (char c : flags) {
            switch (c) {
                case 'E':
                case 'e':
                    p.european = true;
                    break;
                case 'Z':
                case 'z':
                    p.blankZero = true;
                    break;
                case '!':
                    p.upper = true;
                    break;
                default:
                    break;  // flags that only edit fields use
            }
        }
        p.mask = blank == std::string_view::npos ? std::string_view() : picture.substr(blank + 1);
    } else {
        p.mask = picture;
    }
    return p;
}

bool isDigitSlot(char c) {
    return c == '9' || c == '#';
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string formatText(const std::string& text, const Picture& p) {
    if (p.mask.empty()) {
        if (!p.upper) return text;
        std::string out = text;
        for (char& c : out) c = upperAscii(c);
        return out;
    }
    std::string out;
    out.reserve(p.mask.size());
    for (size_t i = 0; i < p.mask.size(); ++i) {
        char m = p.mask[i];
        char c = i < text.size() ? text[i] : ' ';
        switch (m) {
            case '9':
            case '#':
            case 'A':
            case 'N':
            case 'X':
            case 'L':
            case 'Y':
                out += p.upper ? upperAscii(c) : c;
                break;
            case '!':
                out += upperAscii(c);
                break;
            default:
                out += m;
                break;
        }
    }
    return out;
}

int clampDigits(int d) {
    return std::clamp(d, 1, 15);
}

int defaultDigits(const Number& n) {
    return n.intWidth == 20 ? 10 : n.intWidth;
}

int defaultTotal(const Number& n) {
    return n.intWidth == 10 ? 10 : n.intWidth + 2;
}

// The absolute value in the picture, then the sign of what is shown: a value that rounds to
// zero at `decimals` places gets no minus.
std::string withSign(double value, int decimals, const std::string& picture) {
    bool negative = value < 0 && !rounded(toDecimal(std::fabs(value)), decimals).isZero();
    return formatNumber(std::fabs(value), picture) + (negative ? "-" : " ");
}

}  // namespace

std::string numberText(double value, int decimals) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    Decimal d = toDecimal(value);
    if (decimals >= 0) {
        d = rounded(d, decimals);
    } else {
        size_t last = d.fraction.find_last_not_of('0');
        d.fraction.resize(last == std::string::npos ? 0 : last + 1);
    }
    std::string out = d.negative && !d.isZero() ? "-" : "";
    out += d.whole;
    if (!d.fraction.empty()) out += "." + d.fraction;
    return out;
}

std::string numberText(const Number& n) {
    return numberText(n.value, n.decimals);
}

std::string formatNumber(double value, std::string_view picture) {
    Picture p = parsePicture(picture);
    if (p.mask.empty()) {
        std::string out = numberText(value);
        if (p.blankZero && value == 0) return std::string(out.size(), ' ');
        if (p.european) std::replace(out.begin(), out.end(), '.', ',');
        return out;
    }
    const std::string_view mask = p.mask;
    const std::string stars(mask.size(), '*');
    if (!std::isfinite(value)) return stars;

    size_t point = mask.find('.');
    size_t intEnd = point == std::string_view::npos ? mask.size() : point;
    int intSlots = 0, fracSlots = 0;
    for (size_t i = 0; i < mask.size(); ++i)
        if (isDigitSlot(mask[i])) ++(i < intEnd ? intSlots : fracSlots);

    Decimal d = rounded(toDecimal(std::fabs(value)), fracSlots);
    if (d.isZero() && p.blankZero) return std::string(mask.size(), ' ');
    const bool negative = value < 0 && !d.isZero();
    std::string whole = d.whole == "0" && intSlots == 0 ? std::string() : d.whole;
    if (static_cast<int>(whole.size()) > intSlots) return stars;

    const char thousands = p.european ? '.' : ',';
    const char decimalPoint = p.european ? ',' : '.';
    std::string out(mask);
    // Whole part: digits from the right; a thousands mark only with a digit to its left.
    int next = static_cast<int>(whole.size()) - 1;
    int firstDigit = -1;
    for (int i = static_cast<int>(intEnd) - 1; i >= 0; --i) {
        char& c = out[static_cast<size_t>(i)];
        if (isDigitSlot(c)) {
            if (next >= 0) {
                c = whole[static_cast<size_t>(next--)];
                firstDigit = i;
            } else {
                c = ' ';
            }
        } else if (c == ',') {
            c = next >= 0 ? thousands : ' ';
        }
    }
    // Fraction: digits from the left.
    size_t f = 0;
    for (size_t i = intEnd; i < out.size(); ++i) {
        char& c = out[i];
        if (i == point)
            c = decimalPoint;
        else if (isDigitSlot(c))
            c = d.fraction[f++];
        else if (c == ',')
            c = thousands;
    }
    if (negative) {
        int at = firstDigit >= 0 ? firstDigit : static_cast<int>(intEnd);
        if (at == 0 || out[static_cast<size_t>(at - 1)] != ' ') return stars;
        out[static_cast<size_t>(at - 1)] = '-';
    }
    return out;
}

std::string TRANSFORM(const Value& value, std::string_view picture) {
    if (value.isNumber()) return formatNumber(value.num(), picture);
    if (value.isText()) return formatText(value.text(), parsePicture(picture));
    if (value.isDate()) return value.date().toString();
    if (value.isLogical()) return value.logical() ? "T" : "F";
    return CVALTOCHAR(value);
}

std::string digitMask(int digits) {
    int d = clampDigits(digits);
    std::string out;
    for (int i = 0; i < d; ++i) {
        if (i > 0 && (d - i) % 3 == 0) out += ',';
        out += '9';
    }
    return out;
}

std::string NSTR(const Number& n, std::optional<int> digits) {
    return formatNumber(n.value, "@E " + digitMask(digits.value_or(defaultDigits(n))));
}
std::string NSTR(double n, std::optional<int> digits) {
    return NSTR(Number{n}, digits);
}

std::string ZSTR(const Number& n, std::optional<int> digits) {
    return formatNumber(n.value, "@ZE " + digitMask(digits.value_or(defaultDigits(n))));
}
std::string ZSTR(double n, std::optional<int> digits) {
    return ZSTR(Number{n}, digits);
}

std::string SSTR(const Number& n, std::optional<int> digits, bool showZero) {
    std::string picture =
        (showZero ? "@E " : "@ZE ") + digitMask(digits.value_or(defaultDigits(n)));
    return withSign(n.value, 0, picture);
}
std::string SSTR(double n, std::optional<int> digits, bool showZero) {
    return SSTR(Number{n}, digits, showZero);
}

std::string ENSTR(const Number& n, std::optional<int> totalDigits) {
    return formatNumber(n.value,
                        "@E " + digitMask(totalDigits.value_or(defaultTotal(n)) - 2) + ".99");
}
std::string ENSTR(double n, std::optional<int> totalDigits) {
    return ENSTR(Number{n}, totalDigits);
}

std::string EZSTR(const Number& n, std::optional<int> totalDigits) {
    return formatNumber(n.value,
                        "@ZE " + digitMask(totalDigits.value_or(defaultTotal(n)) - 2) + ".99");
}
std::string EZSTR(double n, std::optional<int> totalDigits) {
    return EZSTR(Number{n}, totalDigits);
}

std::string ESSTR(const Number& n, std::optional<int> totalDigits, bool showZero) {
    std::string picture =
        (showZero ? "@E " : "@ZE ") + digitMask(totalDigits.value_or(defaultTotal(n)) - 2) + ".99";
    return withSign(n.value, 2, picture);
}
std::string ESSTR(double n, std::optional<int> totalDigits, bool showZero) {
    return ESSTR(Number{n}, totalDigits, showZero);
}

}  // namespace velt
