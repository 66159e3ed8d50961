// The readable name of an exception's dynamic type, as reports show it.
#pragma once

#include <exception>
#include <string>

// The demangled C++ type name ("std::runtime_error", "EHookError").
std::string ExceptionClassName(const std::exception& error);
