#include "data/convert.h"

#include <cmath>
#include <cstdio>

#include "data/files.h"
#include "util/date.h"

namespace velt {

std::string ADJNUM(const std::string& cText) {
    if (cText.find(',') == std::string::npos) return cText;
    std::string out;
    out.reserve(cText.size());
    for (char c : cText) {
        if (c == '.') continue;
        out += c == ',' ? '.' : c;
    }
    return out;
}

double readNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::string digits;
    bool dot = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c == '.' && !dot) {
            dot = true;
            digits += c;
        } else {
            break;
        }
    }
    if (digits.empty() || digits == ".") return 0;
    double value = std::strtod(digits.c_str(), nullptr);
    return negative ? -value : value;
}

namespace {

// The value rounded half away from zero to `decimals`, as the stored text shows it.
double roundTo(double value, int decimals) {
    double scale = std::pow(10.0, decimals);
    double scaled = value * scale;
    // A value such as 2.675 is held as 2.67499..., yet written as 2.68.
    double r = std::round(scaled + std::copysign(1e-7, scaled));
    double out = r / scale;
    return out == 0 ? 0.0 : out;
}

std::string plainNumber(double value, int decimals) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, roundTo(value, decimals));
    return buffer;
}

}  // namespace

std::string numberText(double value, int width, int decimals) {
    if (!std::isfinite(value)) return std::string(static_cast<size_t>(width), '*');
    std::string text = plainNumber(value, decimals);
    if (static_cast<int>(text.size()) > width) return std::string(static_cast<size_t>(width), '*');
    return std::string(static_cast<size_t>(width) - text.size(), ' ') + text;
}

Number fitNumber(double value, int width, int decimals) {
    std::string text = numberText(value, width, decimals);
    double back = text.find('*') != std::string::npos ? 0 : readNumber(text);
    return Number::ofField(back, width, decimals);
}

Value emptyValue(const FieldSpec& field) {
    switch (field.type) {
        case 'N':
        case 'F':
            return Value(Number::ofField(0, field.width, field.decimals));
        case 'D':
            return Value(Date());
        case 'L':
            return Value(false);
        default:
            return Value(std::string());
    }
}

namespace {

std::string trimRight(const std::string& text) {
    size_t e = text.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : text.substr(0, e + 1);
}

bool onlyBlanks(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string trimAll(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

Date textToDate(const std::string& text) {
    std::string t = trimAll(text);
    Date d = Date::parse(t);
    if (d.isEmpty()) d = Date::fromDtos(t.substr(0, 8));
    return d;
}

std::string replaceLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Float fields convert as numbers.
char kindOf(char type) {
    return type == 'F' ? 'N' : type;
}

}  // namespace

Value CONVDATO(const Value& xValue, const FieldSpec& aOldField, const FieldSpec& aNewField) {
    const char from = kindOf(aOldField.type);
    const char to = kindOf(aNewField.type);
    const bool fromText = from == 'C' || from == 'M';
    auto fitted = [&](double n) {
        return Value(fitNumber(n, aNewField.width, aNewField.decimals));
    };

    if (from == 'C' && to == 'M') return Value(trimRight(xValue.text()));
    if (fromText && to == 'D') return Value(textToDate(xValue.text()));
    if (fromText && to == 'N') return fitted(readNumber(ADJNUM(xValue.text())));
    if (fromText && to == 'L') {
        const std::string& t = xValue.text();
        bool isFalse = onlyBlanks(t) || upperAscii(t.substr(0, 3)) == ".F.";
        return Value(!isFalse);
    }
    if (from == 'D' && to == 'N') {
        Date d = xValue.date();
        return fitted(d.isEmpty() ? 0.0 : std::strtod(d.dtos().c_str(), nullptr));
    }
    if (from == 'D' && to == 'L') return Value(!xValue.date().isEmpty());
    if (from == 'N' && to == 'L') return Value(xValue.num() != 0);
    if (from == 'N' && to == 'N') return fitted(xValue.num());
    if (from == 'M' && to == 'C') return Value(replaceLineBreaks(xValue.text()));
    if (from == 'D' && (to == 'C' || to == 'M')) {
        Date d = xValue.date();
        return Value(d.isEmpty() ? std::string(8, ' ') : d.toString());
    }
    if (from == 'N' && (to == 'C' || to == 'M')) {
        double n = xValue.num();
        return Value(n == 0 ? std::string() : plainNumber(n, aOldField.decimals));
    }
    if (from == 'L' && (to == 'C' || to == 'M'))
        return Value(xValue.logical() ? std::string(".T.") : std::string());
    if (from == 'N' && to == 'D') {
        std::string digits = plainNumber(xValue.num(), aOldField.decimals);
        return Value(Date::fromDtos(digits.substr(0, 8)));
    }
    if (from == 'L' && to == 'D') return Value(Date());
    if (from == 'L' && to == 'N') return fitted(xValue.logical() ? 1 : 0);
    if (from == to) return xValue;
    // A stored type the catalogue never uses: the field starts empty.
    return emptyValue(aNewField);
}

}  // namespace velt
