// The resources of the built zendrel.exe, read back from the file: every
// icon holds exactly the images of its source picture (icons compiled apart
// once showed one another's images), the shell finds the program's icon
// first, the version resource carries the project's version, and the
// program asks for the whole 4 GiB address space.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/error_dialog_ids.h"
#include "resources/wizard_ids.h"
#include "tests/support/win32/wine_paths.h"

namespace {

std::string Program() { return testing_support::WinePath(ZENDREL_EXE); }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <class T>
T Read(const std::string& bytes, std::size_t at) {
  T value{};
  if (at + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

class TModule {
 public:
  TModule() : module_(LoadLibraryExA(Program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~TModule() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }
  std::string Resource(int id, LPCSTR type) const {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return bytes ? std::string(bytes, SizeofResource(module_, found)) : std::string();
  }

 private:
  HMODULE module_;
};

// The images of an .ico file in their order: an icon directory (6 bytes)
// with a 16-byte entry per image, whose last field is the image's offset.
std::vector<std::string> IcoFileImages(const std::string& file) {
  std::vector<std::string> images;
  const auto count = Read<WORD>(file, 4);
  for (WORD i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16u * i;
    images.push_back(file.substr(Read<DWORD>(file, entry + 12), Read<DWORD>(file, entry + 8)));
  }
  return images;
}

// The images of an icon resource: its group (6 bytes and a 14-byte entry
// per image, ending in the image's resource id) names the RT_ICON entries.
std::vector<std::string> IconResourceImages(const TModule& module, int id) {
  std::vector<std::string> images;
  const std::string group = module.Resource(id, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  const auto count = Read<WORD>(group, 4);
  for (WORD i = 0; i < count; ++i) {
    const auto image_id = Read<WORD>(group, 6 + 14u * i + 12);
    images.push_back(module.Resource(image_id, MAKEINTRESOURCEA(3) /* RT_ICON */));
  }
  return images;
}

TEST(ProgramResources, EveryIconHoldsTheImagesOfItsSourcePicture) {
  TModule module;
  ASSERT_NE(module.get(), nullptr) << Program();
  const struct {
    int id;
    const char* source;
  } icons[] = {
      {IDI_PROGRAM, "pictures/zendrel.ico"},  {IDI_HELP_BUTTON, "pictures/help.ico"},
      {IDI_PREV_BUTTON, "pictures/prev.ico"}, {IDI_NEXT_BUTTON, "pictures/next.ico"},
      {IDI_EXIT_BUTTON, "pictures/exit.ico"}, {IDI_ERROR_REPORT, "error_report.ico"},
  };
  for (const auto& icon : icons) {
    SCOPED_TRACE(icon.source);
    const std::vector<std::string> expected =
        IcoFileImages(ReadAll(testing_support::WinePath(ZENDREL_RESOURCES_DIR "/") + icon.source));
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(IconResourceImages(module, icon.id) == expected);
  }
}

BOOL CALLBACK NoteFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR first) {
  *reinterpret_cast<LPSTR*>(first) = name;
  return FALSE;
}

TEST(ProgramResources, TheShellShowsTheProgramIcon) {
  // The shell shows a program's first icon group; numbered groups come in
  // the order of their numbers.
  TModule module;
  LPSTR first = nullptr;
  EnumResourceNamesA(module.get(), MAKEINTRESOURCEA(14), NoteFirstName, reinterpret_cast<LONG_PTR>(&first));
  ASSERT_TRUE(IS_INTRESOURCE(first));
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(first), static_cast<ULONG_PTR>(IDI_PROGRAM));
}

TEST(ProgramResources, TheVersionResourceCarriesTheProjectVersion) {
  const std::string program = Program();
  std::vector<char> info(GetFileVersionInfoSizeA(program.c_str(), nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(ZENDREL_PROJECT_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, patch));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(minor, major));
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                             reinterpret_cast<void**>(&text), &size));
  EXPECT_STREQ(text, ZENDREL_PROJECT_VERSION);
}

TEST(ProgramResources, TheProgramIsLargeAddressAware) {
  const std::string file = ReadAll(Program());
  const auto pe = Read<LONG>(file, offsetof(IMAGE_DOS_HEADER, e_lfanew));
  ASSERT_EQ(Read<DWORD>(file, pe), IMAGE_NT_SIGNATURE);
  const auto characteristics =
      Read<WORD>(file, pe + sizeof(DWORD) + offsetof(IMAGE_FILE_HEADER, Characteristics));
  EXPECT_TRUE(characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

}  // namespace
