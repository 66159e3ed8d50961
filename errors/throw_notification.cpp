// Every C++ throw of the program goes through this entry: the build links
// with --wrap=__cxa_throw, so the compiler's calls of the runtime's throw
// entry arrive here first. The observer sees the throw before any unwinding,
// while the thrower's frames are still on the stack.
#include <typeinfo>

#include "errors/os_faults.h"
#include "errors/stack_capture.h"

extern "C" {

[[noreturn]] void __real___cxa_throw(void* object, std::type_info* type, void (*destructor)(void*));

// The return into the thrower is the first frame after the capture's own
// three, so this entry must keep its own frame.
[[noreturn]] __attribute__((noinline)) void __wrap___cxa_throw(void* object, std::type_info* type,
                                                               void (*destructor)(void*)) {
  const RaiseObserver observer = InstalledRaiseObserver;
  if (SkipNextThrowNotification) {
    SkipNextThrowNotification = false;
  } else if (observer != nullptr) {
    observer(object, 0, false);
  }
  __real___cxa_throw(object, type, destructor);
}
}
