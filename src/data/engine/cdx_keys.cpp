#include <bit>
#include <cstring>

#include "data/engine/cdx_file.h"

namespace velt::engine {

namespace {
// Julian day number of the day before 1 January of year 1 (Gregorian), the origin of Date's
// day numbers.
constexpr std::int64_t kJulianOffset = 1721425;
constexpr std::uint64_t kSignBit = 1ull << 63;
}  // namespace

std::string CdxKeys::character(std::string_view text, int keyLength) {
    std::string key(text.substr(0, static_cast<std::size_t>(keyLength)));
    key.resize(static_cast<std::size_t>(keyLength), ' ');
    return key;
}

std::string CdxKeys::number(double value) {
    if (value == 0) value = 0;  // -0.0 keys as 0
    auto bits = std::bit_cast<std::uint64_t>(value);
    bits = (bits & kSignBit) ? ~bits : bits ^ kSignBit;
    std::string key(8, '\0');
    for (int i = 0; i < 8; ++i) key[i] = static_cast<char>(bits >> (56 - 8 * i));
    return key;
}

std::string CdxKeys::date(const Date& date) {
    return number(date.isEmpty() ? 0.0 : static_cast<double>(date.dayNumber() + kJulianOffset));
}

std::string CdxKeys::logical(bool value) {
    return value ? "T" : "F";
}

std::string CdxKeys::encode(const Value& value, CdxKeyType type, int keyLength) {
    switch (type) {
        case CdxKeyType::Character:
            return character(value.text(), keyLength);
        case CdxKeyType::Number:
            return number(value.num());
        case CdxKeyType::Date:
            return date(value.date());
        case CdxKeyType::Logical:
            return logical(value.logical());
    }
    return character({}, keyLength);
}

double CdxKeys::decodeNumber(std::string_view key) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits = (bits << 8) | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0);
    bits = (bits & kSignBit) ? bits ^ kSignBit : ~bits;
    return std::bit_cast<double>(bits);
}

Date CdxKeys::decodeDate(std::string_view key) {
    double jd = decodeNumber(key);
    if (jd <= kJulianOffset) return Date();
    return Date::fromDayNumber(static_cast<std::int64_t>(jd) - kJulianOffset);
}

}  // namespace velt::engine
