// The manifest every Zendrel program carries: it asks for version 6 of the
// common controls and declares the program DPI-aware, and the system honours
// both.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <string>

namespace {

std::string ManifestText() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (!found) return {};
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

TEST(ProgramManifest, AsksForCommonControlsSixAndDpiAwareness) {
  const std::string manifest = ManifestText();
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
}

TEST(ProgramManifest, TheSystemGivesVersionSixOfTheCommonControls) {
  // Without the manifest the system's own comctl32.dll (version 5) loads;
  // with it, the one of the version 6 assembly. (Wine's DllGetVersion says 5
  // for both, so the test looks at where the library came from.)
  HMODULE controls = LoadLibraryA("comctl32.dll");
  ASSERT_NE(controls, nullptr);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(controls, path, MAX_PATH);
  FreeLibrary(controls);
  std::string lower(path);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(lower.find("microsoft.windows.common-controls"), std::string::npos) << path;
  EXPECT_NE(lower.find("_6.0."), std::string::npos) << path;
}

}  // namespace
