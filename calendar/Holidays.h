// Japanese public holidays under the holiday law as it stood in each year
// from its start on 1948-07-20 to 2099: the named holidays of the law
// (fixed days, the Monday rules, both equinoxes, the one-off days and the
// moved days of 2020 and 2021), the substitute holidays and the citizens'
// holidays between two named ones.
#pragma once

#include <string>
#include <vector>

#include "calendar/Date.h"

struct ktHoliday {
  ktDate Date;
  std::string Name;  // code page 932
};

// The holidays of a year in date order; none outside 1948-2099.
std::vector<ktHoliday> ktHolidaysOfYear(int year);
