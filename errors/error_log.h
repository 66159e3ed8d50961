// The error log beside the executable: one entry per reported exception.
#pragma once

#include <string>

// The executable's full path with its extension replaced by ".ERR".
std::string ErrorLog();

// One entry, each part followed by CR LF: an empty line, the local date and
// time, "Exception: " + class, "In " + executable path, the message, the
// report.
std::string FormatLogEntry(const std::string& date_time, const std::string& class_name,
                           const std::string& executable_path, const std::string& message,
                           const std::string& report);

// Appends `entry` to the log at `path`, creating the file when it cannot be
// opened for appending. Failures are swallowed: the entry may then be
// incomplete or missing.
void AppendLogEntry(const std::string& path, const std::string& entry);

// The log entry of `error`: its class and message and the report of the most
// recent raise, appended to ErrorLog(). Returns the report.
std::string LogException(const std::string& class_name, const std::string& message);
