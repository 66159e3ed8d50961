// The running image's own headers and import table: finding the code range,
// and replacing an imported function by another in the import address table
// (used to watch RaiseException calls made through our imports).
#pragma once

#include <windows.h>

#include <string>

// The NT headers of the module loaded at `module_base`. Raises EHookError
// "Not a valid MZ-file!" when the module does not start with "MZ", and
// "Not a valid PE-file!" when its NT headers do not start with "PE\0\0".
PIMAGE_NT_HEADERS CheckImageHeader(HMODULE module_base);

// Replaces, in the module's import address tables of every descriptor whose
// module name equals `module_name` ignoring case, each entry equal to
// `old_address` by `new_address`. True when at least one entry was replaced.
// Raises EHookError for a module whose headers are not an image's.
bool PatchImports(HMODULE module_base, const std::string& module_name, FARPROC old_address,
                  FARPROC new_address);

// When `saved` is empty: finds the real `function_name` in `module_name`,
// keeps it in `saved` and points the program's own imports of it at
// `replacement`. True when an entry was patched; otherwise `saved` is
// cleared again.
bool HookImport(const std::string& module_name, const std::string& function_name, FARPROC replacement,
                FARPROC& saved);

// Points the program's imports patched by HookImport back at `saved`. True
// (and `saved` cleared) when an entry was patched back.
bool UnhookImport(const std::string& module_name, const std::string& function_name, FARPROC replacement,
                  FARPROC& saved);

// The replacement of RaiseException in our imports: passes every call on
// unchanged, and first tells the capture's observer about a raise made by a
// runtime that places its seven arguments on the stack right above the
// call's parameters (32-bit x86: pushed right before the call; x86-64: right
// above the call's home space) (code 0x0EEDFADE, non-continuable, argument 0
// the raise address, argument 1 the exception object).
void WINAPI RaiseHook(DWORD code, DWORD flags, DWORD argument_count, const ULONG_PTR* arguments);

// A function's address as an import table holds it.
template <class Function>
FARPROC AsImportAddress(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// The real RaiseException while RaiseHook is installed; null otherwise.
extern FARPROC SavedRaiseException;
