#include "data/engine/field_codec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velt::engine {

std::string formatNumber(double value, int width, int decimals) {
    if (!std::isfinite(value)) return {};
    double scale = std::pow(10.0, decimals);
    double scaled = value * scale;
    // Half away from zero, with a nudge for decimal values that binary stores just below .5.
    double rounded = std::round(scaled + std::copysign(std::fabs(scaled) * 1e-13, scaled));
    double v = rounded / scale;
    if (v == 0) v = 0;  // no "-0"
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
    if (n < 0 || n > width) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

Value decodeField(const FieldInfo& field, std::string_view bytes) {
    switch (field.type) {
        case 'C':
            return Value(std::string(bytes));
        case 'N': {
            std::string text(bytes);
            char* end = nullptr;
            double v = std::strtod(text.c_str(), &end);
            if (end == text.c_str()) v = 0;
            return Value(Number::ofField(v, field.width, field.decimals));
        }
        case 'D':
            return Value(Date::fromDtos(bytes));
        case 'L': {
            char c = bytes.empty() ? ' ' : bytes[0];
            return Value(c == 'T' || c == 't' || c == 'Y' || c == 'y');
        }
        case 'M':
            return Value(Number{static_cast<double>(memoBlockOf(bytes))});
        default:
            return Value(std::string(bytes));
    }
}

EncodeResult encodeField(const FieldInfo& field, const Value& value, std::string& out) {
    const auto width = static_cast<std::size_t>(field.width);
    switch (field.type) {
        case 'C': {
            if (!value.isText()) return EncodeResult::WrongType;
            out = value.text().substr(0, width);
            out.resize(width, ' ');
            return EncodeResult::Ok;
        }
        case 'N': {
            if (!value.isNumber()) return EncodeResult::WrongType;
            std::string text = formatNumber(value.num(), field.width, field.decimals);
            if (text.empty()) {
                out.assign(width, '*');
                return EncodeResult::TooWide;
            }
            out = text;
            return EncodeResult::Ok;
        }
        case 'D': {
            if (!value.isDate()) return EncodeResult::WrongType;
            out = value.date().dtos();
            return EncodeResult::Ok;
        }
        case 'L': {
            if (!value.isLogical()) return EncodeResult::WrongType;
            out.assign(1, value.logical() ? 'T' : 'F');
            return EncodeResult::Ok;
        }
        default:
            return EncodeResult::WrongType;
    }
}

std::uint32_t memoBlockOf(std::string_view bytes) {
    std::uint64_t v = 0;
    bool any = false;
    for (char c : bytes) {
        if (c == ' ' && !any) continue;
        if (c < '0' || c > '9') break;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
        any = true;
        if (v > 0xFFFFFFFFull) return 0;
    }
    return static_cast<std::uint32_t>(v);
}

std::string memoBlockText(std::uint32_t block) {
    if (block == 0) return std::string(10, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%10u", block);
    return buf;
}

}  // namespace velt::engine
