#include "util/calendar.h"

namespace velt {

bool ISLEAP(int year) {
    return isLeapYear(year);
}
bool ISLEAP(const Date& date) {
    return !date.isEmpty() && isLeapYear(date.year());
}

int MDAYS(const Date& date) {
    return date.isEmpty() ? 0 : daysInMonth(date.year(), date.month());
}

Date ADDMONTH(const Date& date, int months) {
    if (date.isEmpty()) return Date();
    // Month counted from 0 so that the carry into the year is a floor division.
    long total = static_cast<long>(date.year()) * 12 + (date.month() - 1) + months;
    long year = total >= 0 ? total / 12 : (total - 11) / 12;
    int month = static_cast<int>(total - year * 12) + 1;
    if (year < 1 || year > 9999) return Date();
    return Date::fromYmd(static_cast<int>(year), month, date.day());
}

Date EASTER(int y) {
    if (y < 1 || y > 9999) return Date();
    int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4;
    int f = (b + 8) / 25, g = (b - f + 1) / 3;
    int h = (19 * a + b - d - g + 15) % 30;
    int i = c / 4, k = c % 4;
    int l = (32 + 2 * e + 2 * i - h - k) % 7;
    int m = (a + 11 * h + 22 * l) / 451;
    int n = h + l - 7 * m + 114;
    return Date::fromYmd(y, n / 31, n % 31 + 1);
}

Date EASTER(const Date& date) {
    return date.isEmpty() ? Date() : EASTER(date.year());
}

bool ISFEST(const Date& date, bool saturdayCounts) {
    if (date.isEmpty()) return false;
    static const int kHolidays[][2] = {{1, 1},  {6, 1},  {25, 4}, {1, 5},   {2, 6},
                                       {15, 8}, {1, 11}, {8, 12}, {25, 12}, {26, 12}};
    for (const auto& h : kHolidays)
        if (date.day() == h[0] && date.month() == h[1]) return true;
    if (date == EASTER(date.year()) + 1) return true;
    int weekday = date.dayOfWeek();
    return weekday == 1 || (saturdayCounts && weekday == 7);
}

std::string CDAY(const Date& date) {
    static const char* const kDays[] = {"Domenica",   "Luned\xEC",  "Marted\xEC", "Mercoled\xEC",
                                        "Gioved\xEC", "Venerd\xEC", "Sabato"};
    return date.isEmpty() ? std::string() : kDays[date.dayOfWeek() - 1];
}

std::string CMNT(int month) {
    static const char* const kMonths[] = {"Gennaio",   "Febbraio", "Marzo",    "Aprile",
                                          "Maggio",    "Giugno",   "Luglio",   "Agosto",
                                          "Settembre", "Ottobre",  "Novembre", "Dicembre"};
    return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string();
}

std::string CMNT(const Date& date) {
    return CMNT(date.month());
}

}  // namespace velt
