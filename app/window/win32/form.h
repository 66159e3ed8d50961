// A thin layer of our own over the raw Win32 window API, just enough for the
// wizard: a form with its own window class, child controls created from a
// table, fonts and layout scaled by the screen's pixels per inch, the
// keyboard handling of a dialog, the message loop, and the one place where
// an exception escaping a handler is caught and handed to the application.
#pragma once

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <map>
#include <string>
#include <vector>

#include "app/window/win32/jpeg_picture.h"

enum class TControlKind {
  Panel,
  Image,
  Headline,
  Label,
  WrapLabel,
  Button,
  BitBtn,
  RadioButton,
  Edit,
  ComboBox,
  Bevel,
  ProgressBar
};
enum class TFontRole { Base, Bold, Headline };

// One control of a form's table. Positions and sizes are at 96 pixels per
// inch; a width of 0 sizes the control to its caption (labels, headlines).
struct TControlSpec {
  int id;
  int parent;  // 0: the form itself; otherwise the id of a panel
  TControlKind kind;
  const char* caption;
  int x, y, width, height;
  TFontRole font = TFontRole::Base;
  // Extra window styles: WS_GROUP, WS_DISABLED, BS_DEFPUSHBUTTON...
  DWORD style = 0;
  // The page picture (RCDATA) of an image, the icon of a bit button.
  int picture = 0;
  // A bit button's picture stands right of its caption.
  bool picture_right = false;
};

// How a form's text looks: its two faces with their sizes at 96 pixels per
// inch, and the headline's colour. Each form brings its own.
struct TFormLook {
  const char* base_face;
  // The base face's character height, the line it is designed for, and its
  // average letter width (its dialog base unit).
  int base_char_height;
  int base_line_height;
  double base_letter_width;
  const char* headline_face;
  int headline_char_height;
  COLORREF headline_color;
};

// The class name an exception report gives for a control of this kind.
const char* ControlClassName(TControlKind kind);

class TForm {
 public:
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  virtual ~TForm();

  HWND Handle() const { return handle_; }
  // The window of the control with this id; nullptr when there is none.
  HWND Control(int id) const;
  // The screen's pixels per inch, which the layout follows above 96.
  int PixelsPerInch() const { return pixels_per_inch_; }

  // Shows the window, centred on the screen the first time.
  void Show();
  // Closes the window (it is destroyed). Closing the main form ends the
  // message loop.
  void Close();

  // The form whose closing ends RunMessageLoop.
  void MakeMainForm() { main_form_ = true; }

  friend TForm* FormOf(HWND window);

 protected:
  // `class_name` names the window class (and the sender of exceptions that
  // escape the form's own messages); the client area is `client_width` x
  // `client_height` at 96 pixels per inch.
  TForm(const char* class_name, int client_width, int client_height, std::vector<TControlSpec> table,
        const TFormLook& look);

  // Creates the window and its controls, then runs OnCreate.
  void CreateHandle();

  // Runs once, after the controls exist.
  virtual void OnCreate() {}
  // A click (BN_CLICKED) of an enabled button or radio button.
  virtual void OnClick(int id) = 0;
  // The user chose another item of the combo box `id` (CBN_SELCHANGE).
  virtual void OnSelectionChange(int /*id*/) {}
  // A message the form's own code posted to its window (WM_APP and above).
  virtual void OnAppMessage(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/) {}
  // Asked when the window is about to close (the close box, Alt+F4,
  // Close): false keeps it open.
  virtual bool CanClose() { return true; }

  // Sets a panel's height at 96 pixels per inch.
  void SetDesignHeight(int id, int height);
  // Scales the client size and every control's position, size and font by
  // ppi / 96 once; values of 96 or less change nothing.
  void ScaleBy(int ppi);
  // Puts a panel at the top of the client area, full width, and shows it.
  void DockTop(int id);
  // When the keyboard focus was lost (on a hidden or disabled control),
  // gives it to the first control of the tab order.
  void KeepFocus();
  // Gives the keyboard focus to the first visible, enabled tab stop on the
  // panel `id`, when the window is active; false when there is none.
  bool FocusFirstControlOf(int id);
  // Paints now whatever part of the window waits to be painted, without
  // handling any input: the window stays drawn while its thread works.
  void PaintNow();

  std::string Text(int id) const;
  // The control's text as UTF-8, read as the wide text it is: no character
  // is lost to the ANSI code page.
  std::string TextUtf8(int id) const;
  void SetText(int id, const std::string& text);
  bool Enabled(int id) const;
  void SetEnabled(int id, bool enabled);
  bool Checked(int id) const;
  void SetTabStop(int id, bool tab_stop);
  void SetVisible(int id, bool visible);

  // Disables the whole window for the life of the object and gives the
  // keyboard focus back afterwards.
  class TDisabledWindow {
   public:
    explicit TDisabledWindow(HWND window);
    ~TDisabledWindow();
    TDisabledWindow(const TDisabledWindow&) = delete;
    TDisabledWindow& operator=(const TDisabledWindow&) = delete;

   private:
    HWND window_;
    HWND focus_;
  };

  // The wait cursor over the window for the life of the object.
  class TWaitCursor {
   public:
    explicit TWaitCursor(TForm& form);
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

   private:
    TForm& form_;
    HCURSOR previous_;
  };

 private:
  struct TControl {
    TControlSpec spec;
    HWND handle = nullptr;
  };

  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static void RegisterClasses(const char* class_name);

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void HandleCommand(int id, int code);
  LRESULT ColorStatic(HDC dc, HWND control);
  void DrawImage(const DRAWITEMSTRUCT& item);
  void MoveToNextControl(WPARAM wparam, LPARAM lparam);
  void SetDefaultButton(int id);

  void CreateControls();
  void MakeFonts();
  void ApplyLayout();
  int Scaled(int value) const;
  double LetterWidth() const;
  SIZE CaptionSize(const TControl& control) const;
  HFONT Font(TFontRole role) const;
  const TControl* Find(int id) const;
  const TControl* Find(HWND handle) const;

  std::string class_name_;
  TFormLook look_;
  int client_width_;
  int client_height_;
  std::vector<TControl> controls_;
  std::map<int, TJpegImage> pictures_;
  std::vector<HIMAGELIST> button_pictures_;
  HFONT fonts_[3] = {};
  HWND handle_ = nullptr;
  int pixels_per_inch_ = 96;
  int scale_ppi_ = 96;
  int default_button_ = 0;
  int initial_default_button_ = 0;
  bool shown_ = false;
  bool main_form_ = false;
  bool busy_ = false;
};

// Whether `window` is a form of this layer (or a control on one).
TForm* FormOf(HWND window);

// Gives a message the keyboard handling of a dialog (Tab, arrows, Enter,
// access keys) when it is meant for a form. True when it was handled so.
bool PreTranslateFormMessage(MSG& message);

// Runs the message loop until the main form closes; returns the exit code.
int RunMessageLoop();
