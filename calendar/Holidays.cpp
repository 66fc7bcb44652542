#include "calendar/Holidays.h"

#include <algorithm>
#include <set>

#include "platform/Text.h"

namespace {

constexpr ktDate kLawStart{1948, 7, 20};
// Substitute holidays began with the amendment of 1973-04-12, the
// citizens' holiday with that of 1985-12-27.
constexpr ktDate kSubstitutesStart{1973, 4, 12};
constexpr ktDate kCitizensHolidayStart{1985, 12, 27};
// From 2007 a substitute holiday is the next day that is not a holiday
// (before, only the Monday), and a citizens' holiday may fall on any day.
constexpr int kRulesOf2007 = 2007;
constexpr int kLastYear = 2099;
constexpr int kOpen = 9999;

struct FixedDay {
  const std::string& name;
  int month;
  int day;
  int firstYear;
  int lastYear;
};

struct MondayRule {
  const std::string& name;
  int month;
  int nth;  // the nth Monday of the month
  int firstYear;
  int lastYear;
};

// The one-off days and the days moved for the Olympic Games of 2020 (held in 2021).
struct DatedDay {
  const std::string& name;
  ktDate date;
};

const std::vector<FixedDay>& FixedDays() {
  static const std::vector<FixedDay> days{
      {SJ("元日"), 1, 1, 1949, kOpen},
      {SJ("成人の日"), 1, 15, 1949, 1999},
      {SJ("建国記念の日"), 2, 11, 1967, kOpen},
      {SJ("天皇誕生日"), 2, 23, 2020, kOpen},
      {SJ("天皇誕生日"), 4, 29, 1949, 1988},
      {SJ("みどりの日"), 4, 29, 1989, 2006},
      {SJ("昭和の日"), 4, 29, 2007, kOpen},
      {SJ("憲法記念日"), 5, 3, 1949, kOpen},
      {SJ("みどりの日"), 5, 4, 2007, kOpen},
      {SJ("こどもの日"), 5, 5, 1949, kOpen},
      {SJ("海の日"), 7, 20, 1996, 2002},
      {SJ("山の日"), 8, 11, 2016, 2019},
      {SJ("山の日"), 8, 11, 2022, kOpen},
      {SJ("敬老の日"), 9, 15, 1966, 2002},
      {SJ("体育の日"), 10, 10, 1966, 1999},
      {SJ("文化の日"), 11, 3, 1948, kOpen},
      {SJ("勤労感謝の日"), 11, 23, 1948, kOpen},
      {SJ("天皇誕生日"), 12, 23, 1989, 2018},
  };
  return days;
}

const std::vector<MondayRule>& MondayRules() {
  static const std::vector<MondayRule> rules{
      {SJ("成人の日"), 1, 2, 2000, kOpen},
      {SJ("海の日"), 7, 3, 2003, 2019},
      {SJ("海の日"), 7, 3, 2022, kOpen},
      {SJ("敬老の日"), 9, 3, 2003, kOpen},
      {SJ("体育の日"), 10, 2, 2000, 2019},
      {SJ("スポーツの日"), 10, 2, 2022, kOpen},
  };
  return rules;
}

const std::vector<DatedDay>& DatedDays() {
  static const std::vector<DatedDay> days{
      {SJ("皇太子明仁親王の結婚の儀"), {1959, 4, 10}},
      {SJ("昭和天皇の大喪の礼"), {1989, 2, 24}},
      {SJ("即位礼正殿の儀"), {1990, 11, 12}},
      {SJ("皇太子徳仁親王の結婚の儀"), {1993, 6, 9}},
      {SJ("天皇の即位の日"), {2019, 5, 1}},
      {SJ("即位礼正殿の儀"), {2019, 10, 22}},
      {SJ("海の日"), {2020, 7, 23}},
      {SJ("スポーツの日"), {2020, 7, 24}},
      {SJ("山の日"), {2020, 8, 10}},
      {SJ("海の日"), {2021, 7, 22}},
      {SJ("スポーツの日"), {2021, 7, 23}},
      {SJ("山の日"), {2021, 8, 8}},
  };
  return days;
}

ktDate DateOf(int year, int month, int day) {
  return ktDate{static_cast<uint16_t>(year), static_cast<uint8_t>(month), static_cast<uint8_t>(day)};
}

ktDate NthMonday(int year, int month, int nth) {
  const int firstWeekday = ktDayOfWeek(DateOf(year, month, 1));
  const int firstMonday = 1 + (8 - firstWeekday) % 7;
  return DateOf(year, month, firstMonday + 7 * (nth - 1));
}

// The holidays that the law names (国民の祝日), in date order.
std::vector<ktHoliday> NamedHolidays(int year) {
  std::vector<ktHoliday> named;
  for (const FixedDay& f : FixedDays())
    if (year >= f.firstYear && year <= f.lastYear) named.push_back({DateOf(year, f.month, f.day), f.name});
  for (const MondayRule& m : MondayRules())
    if (year >= m.firstYear && year <= m.lastYear) named.push_back({NthMonday(year, m.month, m.nth), m.name});
  for (const DatedDay& d : DatedDays())
    if (d.date.Year == year) named.push_back({d.date, d.name});
  if (year >= 1949) named.push_back({ktVernalEquinox(year), SJ("春分の日")});
  named.push_back({ktAutumnalEquinox(year), SJ("秋分の日")});
  std::erase_if(named, [](const ktHoliday& h) { return h.Date < kLawStart; });
  std::sort(named.begin(), named.end(), [](const ktHoliday& a, const ktHoliday& b) { return a.Date < b.Date; });
  return named;
}

class DaySet {
 public:
  void Add(ktDate date) { days_.insert(ktDayNumber(date)); }
  bool Has(int dayNumber) const { return days_.contains(dayNumber); }

 private:
  std::set<int> days_;
};

// A named holiday on a Sunday gives the Monday after it, from 2007 the
// first day after it that is not a named holiday.
std::vector<ktHoliday> SubstituteHolidays(int year, const std::vector<ktHoliday>& named, const DaySet& namedDays) {
  std::vector<ktHoliday> substitutes;
  for (const ktHoliday& h : named) {
    if (h.Date < kSubstitutesStart || ktDayOfWeek(h.Date) != 0) continue;
    int day = ktDayNumber(h.Date) + 1;
    if (year >= kRulesOf2007)
      while (namedDays.Has(day)) ++day;
    else if (namedDays.Has(day))
      continue;
    substitutes.push_back({ktDateFromDayNumber(day), SJ("振替休日")});
  }
  return substitutes;
}

// A day between two named holidays that is not one itself; before 2007
// not a Sunday nor a substitute holiday.
std::vector<ktHoliday> CitizensHolidays(int year, const DaySet& namedDays, const DaySet& substituteDays) {
  std::vector<ktHoliday> citizens;
  const int first = ktDayNumber(std::max(DateOf(year, 1, 1), kCitizensHolidayStart));
  const int last = ktDayNumber(DateOf(year, 12, 31));
  for (int day = first; day <= last; ++day) {
    if (namedDays.Has(day) || !namedDays.Has(day - 1) || !namedDays.Has(day + 1)) continue;
    if (year < kRulesOf2007 && (ktDayOfWeek(day) == 0 || substituteDays.Has(day))) continue;
    citizens.push_back({ktDateFromDayNumber(day), SJ("国民の休日")});
  }
  return citizens;
}

}  // namespace

std::vector<ktHoliday> ktHolidaysOfYear(int year) {
  if (year < kLawStart.Year || year > kLastYear) return {};
  std::vector<ktHoliday> holidays = NamedHolidays(year);
  DaySet namedDays;
  for (const ktHoliday& h : holidays) namedDays.Add(h.Date);
  const std::vector<ktHoliday> substitutes = SubstituteHolidays(year, holidays, namedDays);
  DaySet substituteDays;
  for (const ktHoliday& h : substitutes) substituteDays.Add(h.Date);
  const std::vector<ktHoliday> citizens = CitizensHolidays(year, namedDays, substituteDays);
  holidays.insert(holidays.end(), substitutes.begin(), substitutes.end());
  holidays.insert(holidays.end(), citizens.begin(), citizens.end());
  std::sort(holidays.begin(), holidays.end(), [](const ktHoliday& a, const ktHoliday& b) { return a.Date < b.Date; });
  return holidays;
}
