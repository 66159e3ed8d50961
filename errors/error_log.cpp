#include "errors/error_log.h"

#include "errors/stack_report.h"
#include "errors/system.h"
#include "platform/path_parts.h"
#include "platform/platform.h"

std::string ErrorLog() {
  return platform::ReplaceExtension(platform::ExecutablePath(), ".ERR");
}

std::string FormatLogEntry(const std::string& date_time, const std::string& class_name,
                           const std::string& executable_path, const std::string& message,
                           const std::string& report) {
  return "\r\n" + date_time + "\r\n" + "Exception: " + class_name + "\r\n" + "In " + executable_path +
         "\r\n" + message + "\r\n" + report + "\r\n";
}

void AppendLogEntry(const std::string& path, const std::string& entry) {
  platform::FileHandle file = platform::OpenForAppend(path);
  if (file == platform::kInvalidHandle) file = platform::CreateReplacing(path);
  if (file == platform::kInvalidHandle) return;
  platform::WriteFileBytes(file, entry.data(), static_cast<std::uint32_t>(entry.size()));
  platform::CloseFile(file);
}

std::string LogException(const std::string& class_name, const std::string& message) {
  const std::string report = BuildStackReport();
  AppendLogEntry(ErrorLog(), FormatLogEntry(LocalDateTimeText(), class_name, platform::ExecutablePath(),
                                            message, report));
  return report;
}
