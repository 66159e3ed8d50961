// The local date and time in the user's short date and long time formats.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "errors/error_log.h"

std::string LocalDateTimeText() {
  char date[128] = "";
  char time[128] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  return std::string(date) + " " + time;
}
