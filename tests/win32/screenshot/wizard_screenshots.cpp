// Pictures of the wizard for people to look at: each of the five pages,
// page 2 in source-hide mode, page 3 with a source-hiding template, "pagekey"
// refused for a strong template, the Last
// Step (warning of a backup beside the page) while locking and after it, the
// steps of a whole site (its password, its keyring, the share link's
// address, the Last Step while the site is locked and its summary with the
// share link, Details), and an error box, captured from
// the screen as BMP files into the folder named by the first argument.
// scripts/screenshots.sh runs it and makes PNGs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "app/common/start_up.h"
#include "app/window/win32/main_form.h"
#include "engine/template/payload_area.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/message_pump.h"

using namespace main_form_ids;

namespace {

// Writes the screen's pixels under `window` (frame included) as a BMP.
bool Capture(HWND window, const std::string& path) {
  RECT box;
  GetWindowRect(window, &box);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
  GdiFlush();
  const DWORD image_size = static_cast<DWORD>(width) * height * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + image_size;
  bool written = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
              std::fwrite(bits, image_size, 1, out) == 1;
    written = std::fclose(out) == 0 && written;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

// Lets the window paint itself completely.
void Settle() {
  for (int i = 0; i < 5; ++i) {
    ProcessMessages();
    Sleep(60);
  }
}

// Captures the box captioned `caption` once it shows, from a second thread
// (the box runs its own message loop), and closes it.
std::thread CaptureBox(const char* caption, const std::string& path, int& failures) {
  return std::thread([caption, path, &failures] {
    HWND box = nullptr;
    for (int i = 0; i < 100 && !box; ++i) {
      Sleep(50);
      box = FindWindowA("#32770", caption);
    }
    if (!box) {
      ++failures;
      return;
    }
    Sleep(500);
    if (!Capture(box, path)) ++failures;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
}

void SelectTemplate(TMainForm& form, const char* name) {
  HWND templates = form.Control(TemplatesComboBox);
  SendMessageA(
      templates, CB_SETCURSEL,
      SendMessageA(templates, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)),
      0);
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(TemplatesComboBox, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(templates));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : std::string();
  testing_support::LockFixture files;
  for (const char* name : {"Classic", "Source Hide", "Modern Blue"}) {
    files.AddTemplateFile(name, "index.html", testing_support::TemplateStartPage());
  }
  files.AddTemplateFile("Light", "index.html",
                        std::string(kStrongProtectionMeta) + "\r\n" + testing_support::TemplateStartPage());
  const std::string page = files.Page("index.html");
  // A small site with an archive of pages, so that its lock lasts long
  // enough to be seen.
  const std::string site = files.root / "Recipes";
  testing_support::WriteFile(site + "\\index.html", "<h1>Recipes</h1>");
  testing_support::WriteFile(site + "\\about.html", "<p>About</p>");
  testing_support::WriteFile(site + "\\css\\style.css", "body { margin: 0 }");
  for (int i = 0; i < 300; ++i)
    testing_support::WriteFile(site + "\\archive\\" + std::to_string(i) + ".html",
                               "<p>" + std::string(32 * 1024, 'x') + "</p>");
  platform::ScopedFileDialogHandler dialogs([&](platform::FileDialogRequest& request) {
    if (request.filter.empty()) {
      request.file_name = site;
    } else if (request.filter == messages::kKeyringFileFilter) {
      request.file_name = files.root / "readers.keyring";
    } else {
      request.file_name = request.save ? files.Page("index_original.html") : page;
    }
    return true;
  });

  TMainForm form(StartUpIn(files.root.path()));
  form.BackupsFolder = files.root / "Zendrel Backups\\";
  form.Show();
  SetForegroundWindow(form.Handle());
  form.ShowPage(1);
  SendMessageA(form.Control(SourceBtn), BM_CLICK, 0, 0);
  // A backup chosen beside the page: the Last Step warns of it.
  SendMessageA(form.Control(DestBtn), BM_CLICK, 0, 0);
  int failures = 0;
  for (int index = 0; index < kPageCount; ++index) {
    form.ShowPage(index);
    SetFocus(form.Control(NextBtn));
    Settle();
    if (!Capture(form.Handle(), folder + "page" + std::to_string(index) + ".bmp")) ++failures;
  }

  // Page 3 with a template that only hides the source.
  form.ShowPage(3);
  SelectTemplate(form, "Classic");
  Settle();
  if (!Capture(form.Handle(), folder + "page3_source_hide.bmp")) ++failures;

  // "pagekey" refused for a strong template, when Create is pressed.
  form.ShowPage(3);
  SelectTemplate(form, "Light");
  form.ShowPage(2);
  SetWindowTextA(form.Control(PassEdit), "pagekey");
  form.ShowPage(4);
  Settle();
  {
    std::thread box = CaptureBox("Error", folder + "pagekey_refused.bmp", failures);
    SendMessageA(form.Control(CrBtn), BM_CLICK, 0, 0);
    box.join();
  }

  // Page 2 with source hide chosen: the password controls are disabled.
  form.ShowPage(2);
  SendMessageA(form.Control(RadioButtonSrc), BM_CLICK, 0, 0);
  Settle();
  if (!Capture(form.Handle(), folder + "page2_source_hide.bmp")) ++failures;

  // The Last Step while a lock runs (its progress bar, half way, captured
  // while the lock asks about the existing backup) and after it succeeded.
  testing_support::WriteFile(page, "<p>a page</p>");
  testing_support::WriteFile(files.Page("index_original.html"), "an older backup");
  form.ShowPage(2);
  SendMessageA(form.Control(RadioButtonPwd), BM_CLICK, 0, 0);
  SetWindowTextA(form.Control(PassEdit), "a long pass phrase");
  form.ShowPage(4);
  {
    platform::ScopedMessageHandler asked([&](const platform::MessageRequest&) {
      form.LockObserver().Progress(TProgress{1, 2, 0, 0});
      Settle();
      if (!Capture(form.Handle(), folder + "page4_locking.bmp")) ++failures;
      return platform::MessageAnswer::Yes;
    });
    SendMessageA(form.Control(CrBtn), BM_CLICK, 0, 0);
  }
  Settle();
  if (!Capture(form.Handle(), folder + "page4_locked.bmp")) ++failures;

  // A whole site: Step One with its folder, Step Two with its password and
  // with a keyring, Step Three, the Last Step before, while and after the
  // site is locked, and Details.
  form.SettingsKey = "Software\\Quelto\\Zendrel\\Screenshots";
  form.ShowPage(1);
  SendMessageA(form.Control(SiteBtn), BM_CLICK, 0, 0);
  SetFocus(form.Control(NextBtn));
  Settle();
  if (!Capture(form.Handle(), folder + "site_page1.bmp")) ++failures;
  form.ShowPage(2);
  SetWindowTextA(form.Control(SitePassEdit), "a long pass phrase");
  SetWindowTextA(form.Control(SiteAgainEdit), "a long pass phrase");
  SetFocus(form.Control(NextBtn));
  Settle();
  if (!Capture(form.Handle(), folder + "site_page2.bmp")) ++failures;
  SendMessageA(form.Control(RadioButtonKeyring), BM_CLICK, 0, 0);
  SendMessageA(form.Control(KeyringBtn), BM_CLICK, 0, 0);
  SetWindowTextA(form.Control(OwnerPassEdit), "the owner's pass phrase");
  SetFocus(form.Control(NextBtn));
  Settle();
  if (!Capture(form.Handle(), folder + "site_page2_keyring.bmp")) ++failures;
  SendMessageA(form.Control(RadioButtonSitePwd), BM_CLICK, 0, 0);
  form.ShowPage(3);
  SetWindowTextA(form.Control(ShareUrlEdit), "https://example.org/recipes");
  SetFocus(form.Control(NextBtn));
  Settle();
  if (!Capture(form.Handle(), folder + "site_page3.bmp")) ++failures;
  form.ShowPage(4);
  Settle();
  if (!Capture(form.Handle(), folder + "site_page4.bmp")) ++failures;
  SendMessageA(form.Control(CrBtn), BM_CLICK, 0, 0);
  while (form.SiteLockRunning() && SendMessageA(form.Control(LockProgressBar), PBM_GETPOS, 0, 0) < 100) {
    ProcessMessages();
    Sleep(1);
  }
  if (!form.SiteLockRunning() || !Capture(form.Handle(), folder + "site_page4_locking.bmp")) ++failures;
  while (form.SiteLockRunning()) {
    ProcessMessages();
    Sleep(5);
  }
  Settle();
  if (!Capture(form.Handle(), folder + "site_page4_locked.bmp")) ++failures;
  {
    std::thread box = CaptureBox("Details", folder + "site_details.bmp", failures);
    SendMessageA(form.Control(DetailsBtn), BM_CLICK, 0, 0);
    box.join();
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, form.SettingsKey.c_str());

  // A real error box.
  std::thread box = CaptureBox("Error", folder + "message.bmp", failures);
  platform::ShowMessage({"Error", "A page to lock is not selected", platform::MessageIcon::Error,
                         platform::MessageButtons::Ok});
  box.join();
  std::printf("%d pictures failed\n", failures);
  return failures == 0 ? 0 : 1;
}
