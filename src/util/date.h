// Calendar dates as the whole program uses them: a day of the Gregorian calendar or the empty
// date. Shown as "dd/mm/yyyy", stored in tables as "yyyymmdd", two-digit years read in 1980-2079.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace velt {

class Date {
public:
    Date() = default;  // the empty date

    // An impossible day (31/02, month 13 ...) gives the empty date.
    static Date fromYmd(int year, int month, int day);
    static Date today();
    // "yyyymmdd"; blanks or an impossible date give the empty date.
    static Date fromDtos(std::string_view text);
    // "dd/mm/yyyy" or "dd/mm/yy" (two-digit years in the window starting at 1980).
    static Date parse(std::string_view text);
    // Day number counted from 1 January of year 1 (day 1); 0 is the empty date.
    static Date fromDayNumber(std::int64_t dayNumber);

    bool isEmpty() const { return dayNumber_ == 0; }
    int year() const;
    int month() const;
    int day() const;
    // 1 = Sunday ... 7 = Saturday; 0 for the empty date.
    int dayOfWeek() const;
    std::int64_t dayNumber() const { return dayNumber_; }

    std::string dtos() const;      // "yyyymmdd", eight blanks when empty
    std::string toString() const;  // "dd/mm/yyyy", "  /  /    " when empty

    // Arithmetic in days; the empty date stays empty.
    Date operator+(std::int64_t days) const;
    Date operator-(std::int64_t days) const { return *this + (-days); }
    std::int64_t operator-(const Date& other) const { return dayNumber_ - other.dayNumber_; }

    // The empty date sorts before every real date.
    auto operator<=>(const Date&) const = default;

    static constexpr int kEpoch = 1980;

private:
    explicit Date(std::int64_t dayNumber) : dayNumber_(dayNumber) {}
    std::int64_t dayNumber_ = 0;
};

bool isValidYmd(int year, int month, int day);
bool isLeapYear(int year);
int daysInMonth(int year, int month);

}  // namespace velt
