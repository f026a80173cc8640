#include "util/date.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace velt {
namespace {

// Days from 1 January of year 1 to the given civil date, counting that day as 1.
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    // 719162 days separate 0001-01-01 from 1970-01-01; +1 so that 0001-01-01 is day 1.
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468 + 719162 + 1;
}

struct Ymd {
    int y, m, d;
};

Ymd civilFromDays(std::int64_t n) {
    std::int64_t z = n - 1 - 719162 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int y = static_cast<int>(yoe) + static_cast<int>(era * 400);
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {y + (m <= 2), m, d};
}

// Reads the digits of text[pos, pos+len); -1 unless they are all digits (blanks lead allowed).
int readNumber(std::string_view text, size_t pos, size_t len) {
    if (pos + len > text.size()) return -1;
    int value = 0;
    bool any = false;
    for (size_t i = pos; i < pos + len; ++i) {
        char c = text[i];
        if (c == ' ' && !any) continue;
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        value = value * 10 + (c - '0');
        any = true;
    }
    return any ? value : -1;
}

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidYmd(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

Date Date::fromYmd(int year, int month, int day) {
    if (!isValidYmd(year, month, day)) return Date();
    return Date(daysFromCivil(year, month, day));
}

Date Date::fromDayNumber(std::int64_t dayNumber) {
    if (dayNumber <= 0 || dayNumber > daysFromCivil(9999, 12, 31)) return Date();
    return Date(dayNumber);
}

Date Date::today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

Date Date::fromDtos(std::string_view text) {
    if (text.size() < 8) return Date();
    int y = readNumber(text, 0, 4), m = readNumber(text, 4, 2), d = readNumber(text, 6, 2);
    if (y < 0 || m < 0 || d < 0) return Date();
    return fromYmd(y, m, d);
}

Date Date::parse(std::string_view text) {
    // Accept the day and month of one or two digits, separated by "/", then a year of 2 or 4.
    size_t first = text.find('/');
    if (first == std::string_view::npos) return Date();
    size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos) return Date();
    std::string_view yearText = text.substr(second + 1);
    while (!yearText.empty() && yearText.back() == ' ') yearText.remove_suffix(1);
    int d = readNumber(text, 0, first);
    int m = readNumber(text, first + 1, second - first - 1);
    int y = readNumber(yearText, 0, yearText.size());
    if (d < 0 || m < 0 || y < 0) return Date();
    size_t yearDigits = 0;
    for (char c : yearText)
        if (c != ' ') ++yearDigits;
    if (yearDigits <= 2) {
        int century = kEpoch / 100 * 100;
        y += century;
        if (y < kEpoch) y += 100;
    }
    return fromYmd(y, m, d);
}

int Date::year() const { return isEmpty() ? 0 : civilFromDays(dayNumber_).y; }
int Date::month() const { return isEmpty() ? 0 : civilFromDays(dayNumber_).m; }
int Date::day() const { return isEmpty() ? 0 : civilFromDays(dayNumber_).d; }

int Date::dayOfWeek() const {
    if (isEmpty()) return 0;
    // Day 1 (0001-01-01) was a Monday.
    return static_cast<int>((dayNumber_ % 7) + 1);
}

std::string Date::dtos() const {
    if (isEmpty()) return std::string(8, ' ');
    Ymd v = civilFromDays(dayNumber_);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", v.y, v.m, v.d);
    return buf;
}

std::string Date::toString() const {
    if (isEmpty()) return "  /  /    ";
    Ymd v = civilFromDays(dayNumber_);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", v.d, v.m, v.y);
    return buf;
}

Date Date::operator+(std::int64_t days) const {
    if (isEmpty()) return Date();
    return fromDayNumber(dayNumber_ + days);
}

}  // namespace velt
