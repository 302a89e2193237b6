// Local date-times as days since 1899-12-30 00:00.
#include <cmath>
#include <ctime>
#include <limits>

#include "text/text_ops.h"

namespace velmorin {
namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr long long kEpochDay = -25569;  // 1899-12-30 counted from 1970-01-01
constexpr DateTime kEarliest = -657434;  // 100-01-01 00:00:00

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  long long era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Civil {
  long long year;
  unsigned month, day;
};

Civil civilFromDays(long long z) {
  z += 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  unsigned d = doy - (153 * mp + 2) / 5 + 1;
  unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<long long>(yoe) + era * 400 + (m <= 2), m, d};
}

DateTime fromFields(long long y, unsigned mo, unsigned d, int h, int mi, int s) {
  long long days = daysFromCivil(y, mo, d) - kEpochDay;
  return static_cast<double>(days) +
         static_cast<double>(h * 3600 + mi * 60 + s) / static_cast<double>(kSecondsPerDay);
}

Civil dateOf(DateTime t) {
  // Whole seconds first, so that a time just before midnight stays on its day.
  long long secs = std::llround(t * static_cast<double>(kSecondsPerDay));
  long long days = secs >= 0 ? secs / kSecondsPerDay : -((-secs + kSecondsPerDay - 1) / kSecondsPerDay);
  return civilFromDays(days + kEpochDay);
}

unsigned daysInMonth(long long y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Reads 1..maxDigits decimal digits at i.
bool readNumber(const Text& t, std::size_t& i, std::size_t maxDigits, int& value) {
  std::size_t begin = i;
  value = 0;
  while (i < t.size() && i - begin < maxDigits && t[i] >= '0' && t[i] <= '9')
    value = value * 10 + (t[i++] - '0');
  return i > begin && (i == t.size() || t[i] < '0' || t[i] > '9');
}

void skipSpaces(const Text& t, std::size_t& i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
}

// Saturating truncation toward zero into the 32-bit range.
double truncate32(double x) {
  if (std::isnan(x)) return 0;
  double t = std::trunc(x);
  if (t > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (t < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return t;
}

}  // namespace

DateTime currentDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return fromFields(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday), local.tm_hour, local.tm_min,
                    local.tm_sec);
}

DateTime textToDateTime(const Text& t) {
  // year-month-day, "-" or "/" between them, optionally followed by hour:minute[:second].
  std::size_t i = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  skipSpaces(t, i);
  if (!readNumber(t, i, 4, y) || i >= t.size() || (t[i] != '-' && t[i] != '/')) return kEarliest;
  char sep = t[i++];
  if (!readNumber(t, i, 2, mo) || i >= t.size() || t[i] != sep) return kEarliest;
  ++i;
  if (!readNumber(t, i, 2, d)) return kEarliest;
  std::size_t afterDate = i;
  skipSpaces(t, i);
  if (i < t.size() && i > afterDate) {
    if (!readNumber(t, i, 2, h) || i >= t.size() || t[i] != ':') return kEarliest;
    ++i;
    if (!readNumber(t, i, 2, mi)) return kEarliest;
    if (i < t.size() && t[i] == ':') {
      ++i;
      if (!readNumber(t, i, 2, s)) return kEarliest;
    }
    skipSpaces(t, i);
  }
  if (i != t.size()) return kEarliest;
  if (y < 100 || mo < 1 || mo > 12 || d < 1 ||
      static_cast<unsigned>(d) > daysInMonth(y, static_cast<unsigned>(mo)) || h > 23 ||
      mi > 59 || s > 59)
    return kEarliest;
  return fromFields(y, static_cast<unsigned>(mo), static_cast<unsigned>(d), h, mi, s);
}

double dateTimeDifference(DateTime a, DateTime b, int unit) {
  if (unit < 1) unit = 1;
  if (unit > 8) unit = 8;
  if (a == b) return 0;
  constexpr double kNudge = 5.787037037037037e-6;
  double d = a - b;
  switch (unit) {
    case 1:
    case 2:
    case 3: {
      Civil ca = dateOf(a), cb = dateOf(b);
      double years = static_cast<double>(ca.year - cb.year);
      if (unit == 1) return years;
      if (unit == 2)
        return 4 * years + static_cast<double>((ca.month - 1) / 3) -
               static_cast<double>((cb.month - 1) / 3);
      return 12 * years + static_cast<double>(ca.month) - static_cast<double>(cb.month);
    }
    case 4:
      return truncate32((d * 86400 + kNudge) / 604800);
    case 5:
      return d;
    case 6:
      return truncate32(d * 24 + kNudge);
    case 7:
      return truncate32(d * 1440 + kNudge);
    default:
      return truncate32(d * 86400 + kNudge);
  }
}

}  // namespace velmorin
