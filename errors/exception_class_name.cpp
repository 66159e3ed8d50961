#include "errors/exception_class_name.h"

#include <typeinfo>

#if defined(__GNUG__)
#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#endif

std::string ExceptionClassName(const std::exception& error) {
  const char* name = typeid(error).name();
#if defined(__GNUG__)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                   std::free);
  if (status == 0 && demangled) return demangled.get();
#endif
  return name;
}
