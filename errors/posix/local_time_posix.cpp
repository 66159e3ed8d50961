// The local date and time as the C library's locale writes them.
#include <time.h>

#include "errors/system.h"

std::string LocalDateTimeText() {
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  char text[128];
  const std::size_t length = strftime(text, sizeof text, "%x %X", &local);
  return std::string(text, length);
}
