// Calendar questions: leap years, days of a month, months added to a date, Easter, Italian
// public holidays, Italian names of weekdays and months. An argument that may be a date or a year
// has both overloads; the empty date answers false, 0, the empty date or the empty text.
#pragma once

#include <string>

#include "util/date.h"

namespace velt {

bool ISLEAP(int year);
bool ISLEAP(const Date& date);
// Days of the date's month; 0 for the empty date.
int MDAYS(const Date& date);
// The same day number `months` months later (earlier when negative); a day the target month does
// not have (31 January + 1) gives the empty date.
Date ADDMONTH(const Date& date, int months);
// Easter Sunday of the year (Gregorian computus).
Date EASTER(int year);
Date EASTER(const Date& date);
// A public holiday in Italy, a Sunday, or a Saturday unless `saturdayCounts` is false.
bool ISFEST(const Date& date, bool saturdayCounts = true);
// "Domenica" ... "Sabato" (Windows-1252).
std::string CDAY(const Date& date);
// "Gennaio" ... "Dicembre"; empty text for the empty date or a month outside 1-12.
std::string CMNT(int month);
std::string CMNT(const Date& date);

}  // namespace velt
