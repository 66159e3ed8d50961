#include "app/window/win32/form.h"

#include <algorithm>
#include <stdexcept>

#include "app/common/application.h"
#include "app/window/win32/form_fonts.h"
#include "app/window/win32/gdi_guards.h"
#include "app/window/win32/picture_resources.h"
#include "resources/wizard_ids.h"

namespace {

constexpr char kPanelClass[] = "TPanel";
// A drop-down list's window is as high as its opened list.
constexpr int kDroppedListLines = 10;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

bool IsPushButton(TControlKind kind) { return kind == TControlKind::Button || kind == TControlKind::BitBtn; }

// Registers a class with the button-face background once per process.
void RegisterWindowClass(const char* name, WNDPROC procedure) {
  WNDCLASSEXA known{};
  known.cbSize = sizeof known;
  if (GetClassInfoExA(Instance(), name, &known)) return;
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = Instance();
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  // The program's icon in the title bar and the task bar.
  window_class.hIcon = static_cast<HICON>(
      LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  window_class.hIconSm =
      static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  if (!RegisterClassExA(&window_class))
    throw std::runtime_error(std::string("Cannot register the class ") + name);
}

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi > 0 ? ppi : 96;
}

}  // namespace

const char* ControlClassName(TControlKind kind) {
  switch (kind) {
    case TControlKind::Panel:
      return "TPanel";
    case TControlKind::Image:
      return "TImage";
    case TControlKind::Headline:
    case TControlKind::Label:
    case TControlKind::WrapLabel:
      return "TLabel";
    case TControlKind::Button:
      return "TButton";
    case TControlKind::BitBtn:
      return "TBitBtn";
    case TControlKind::RadioButton:
      return "TRadioButton";
    case TControlKind::Edit:
      return "TEdit";
    case TControlKind::ComboBox:
      return "TComboBox";
    case TControlKind::Bevel:
      return "TBevel";
    case TControlKind::ProgressBar:
      return "TProgressBar";
  }
  return "TControl";
}

TForm::TForm(const char* class_name, int client_width, int client_height, std::vector<TControlSpec> table,
             const TFormLook& look)
    : class_name_(class_name), look_(look), client_width_(client_width), client_height_(client_height) {
  for (const TControlSpec& spec : table) controls_.push_back({spec, nullptr});
}

TForm::~TForm() {
  if (handle_) {
    // The derived form is gone already: the last messages of the window
    // go to the system's default handling.
    SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
  for (HIMAGELIST list : button_pictures_) ImageList_Destroy(list);
  for (HFONT font : fonts_) {
    if (font) DeleteObject(font);
  }
}

void TForm::RegisterClasses(const char* class_name) {
  RegisterWindowClass(class_name, FormProc);
  RegisterWindowClass(kPanelClass, PanelProc);
}

void TForm::CreateHandle() {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  RegisterClasses(class_name_.c_str());
  pixels_per_inch_ = ScreenPixelsPerInch();
  // A single border, a system menu and a minimize box: the size is fixed.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, client_width_, client_height_};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  CreateWindowExA(WS_EX_CONTROLPARENT, class_name_.c_str(), "", style, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, Instance(), this);
  if (!handle_) throw std::runtime_error("The window cannot be created");
}

LRESULT CALLBACK TForm::FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  TForm* form = nullptr;
  if (message == WM_NCCREATE) {
    form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    form->handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (!form) return DefWindowProcA(window, message, wparam, lparam);
  try {
    return form->HandleMessage(message, wparam, lparam);
  } catch (...) {
    Application.HandleException(form->class_name_);
    return 0;
  }
}

// Panels pass what their controls tell them on to their form, which handles
// the controls of every page.
LRESULT CALLBACK TForm::PanelProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    switch (message) {
      case WM_COMMAND:
      case WM_NOTIFY:
      case WM_DRAWITEM:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
        if (HWND form = GetAncestor(window, GA_ROOT)) return SendMessageA(form, message, wparam, lparam);
        break;
      default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
  } catch (...) {
    Application.HandleException(kPanelClass);
    return 0;
  }
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      OnCreate();
      return 0;
    case WM_COMMAND:
      HandleCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return ColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM:
      DrawImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_SETCURSOR:
      // The controls ask their parents first, so this covers them all.
      if (busy_) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      return DefWindowProcA(handle_, message, wparam, lparam);
    case DM_GETDEFID:
      // Enter presses the default button while no other button has the focus.
      return MAKELRESULT(initial_default_button_, DC_HASDEFID);
    case WM_NEXTDLGCTL:
      MoveToNextControl(wparam, lparam);
      return 0;
    case WM_CLOSE:
      if (CanClose()) DestroyWindow(handle_);
      return 0;
    case WM_DESTROY:
      if (main_form_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
      handle_ = nullptr;
      for (TControl& control : controls_) control.handle = nullptr;
      return 0;
    default:
      if (message >= WM_APP && message <= 0xBFFF) {
        OnAppMessage(message, wparam, lparam);
        return 0;
      }
      return DefWindowProcA(handle_, message, wparam, lparam);
  }
}

void TForm::HandleCommand(int id, int code) {
  const TControl* found = Find(id);
  if (!found) return;
  if (IsPushButton(found->spec.kind)) {
    // The button with the focus is the default one; without a focused
    // button the form's own default button is.
    if (code == BN_SETFOCUS) SetDefaultButton(id);
    if (code == BN_KILLFOCUS) SetDefaultButton(initial_default_button_);
  }
  // A disabled control cannot be pressed: Enter on a disabled default
  // button and access keys of disabled buttons do nothing.
  const bool selection = found->spec.kind == TControlKind::ComboBox && code == CBN_SELCHANGE;
  if ((code != BN_CLICKED && !selection) || !IsWindowEnabled(found->handle)) return;
  try {
    if (selection) {
      OnSelectionChange(id);
    } else {
      OnClick(id);
    }
  } catch (...) {
    Application.HandleException(ControlClassName(found->spec.kind));
  }
}

LRESULT TForm::ColorStatic(HDC dc, HWND control) {
  const TControl* found = Find(control);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  if (found && found->spec.kind == TControlKind::Headline) {
    SetTextColor(dc, look_.headline_color);
  } else if (!IsWindowEnabled(control)) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  } else {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TForm::DrawImage(const DRAWITEMSTRUCT& item) {
  const auto picture = pictures_.find(static_cast<int>(item.CtlID));
  if (picture == pictures_.end()) return;
  DrawStretched(item.hDC, item.rcItem, picture->second);
}

void TForm::MoveToNextControl(WPARAM wparam, LPARAM lparam) {
  HWND next = nullptr;
  if (LOWORD(lparam)) {
    next = reinterpret_cast<HWND>(wparam);
  } else {
    next = GetNextDlgTabItem(handle_, GetFocus(), wparam != 0);
  }
  if (next) SetFocus(next);
}

void TForm::SetDefaultButton(int id) {
  if (id == default_button_) return;
  for (int button : {default_button_, id}) {
    HWND window = Control(button);
    if (!window) continue;
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const DWORD kind = button == id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    SendMessageA(window, BM_SETSTYLE, (style & 0xFFFF & ~BS_TYPEMASK) | kind, TRUE);
  }
  default_button_ = id;
}

void TForm::CreateControls() {
  for (TControl& control : controls_) {
    const TControlSpec& spec = control.spec;
    const char* window_class = WC_STATICA;
    DWORD style = WS_CHILD | WS_VISIBLE | spec.style;
    DWORD ex_style = 0;
    switch (spec.kind) {
      case TControlKind::Panel:
        window_class = kPanelClass;
        style = (style & ~WS_VISIBLE) | WS_CLIPSIBLINGS;
        ex_style = WS_EX_CONTROLPARENT;
        break;
      case TControlKind::Image:
        style |= SS_OWNERDRAW;
        pictures_[spec.id] = LoadJpegResource(spec.picture);
        break;
      case TControlKind::Headline:
      case TControlKind::Label:
        style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
        break;
      case TControlKind::WrapLabel:
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case TControlKind::Bevel:
        style |= SS_ETCHEDHORZ;
        break;
      case TControlKind::Button:
      case TControlKind::BitBtn:
        window_class = WC_BUTTONA;
        style |= WS_TABSTOP | BS_NOTIFY;
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) initial_default_button_ = default_button_ = spec.id;
        break;
      case TControlKind::RadioButton:
        window_class = WC_BUTTONA;
        style |= BS_AUTORADIOBUTTON;
        break;
      case TControlKind::Edit:
        window_class = WC_EDITA;
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case TControlKind::ComboBox:
        window_class = WC_COMBOBOXA;
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        break;
      case TControlKind::ProgressBar:
        // Shown only while there is progress to show.
        window_class = PROGRESS_CLASSA;
        style &= ~WS_VISIBLE;
        break;
    }
    HWND parent = spec.parent ? Control(spec.parent) : handle_;
    control.handle =
        CreateWindowExA(ex_style, window_class, spec.caption, style, spec.x, spec.y, spec.width, spec.height,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), Instance(), nullptr);
    if (!control.handle)
      throw std::runtime_error(std::string("The control cannot be created: ") + spec.caption);
    if (spec.kind == TControlKind::Edit) SendMessageA(control.handle, EM_SETLIMITTEXT, 0, 0);
    if (spec.kind == TControlKind::BitBtn && spec.picture) {
      if (HIMAGELIST list = LoadButtonPicture(spec.picture)) {
        button_pictures_.push_back(list);
        BUTTON_IMAGELIST picture{list,
                                 {4, 0, 4, 0},
                                 static_cast<UINT>(spec.picture_right ? BUTTON_IMAGELIST_ALIGN_RIGHT
                                                                      : BUTTON_IMAGELIST_ALIGN_LEFT)};
        SendMessageA(control.handle, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture));
      }
    }
  }
  ApplyLayout();
}

void TForm::MakeFonts() {
  for (HFONT& font : fonts_) {
    if (font) DeleteObject(font);
    font = nullptr;
  }
  // Character heights 8 and 12 of the raster face both come out on
  // 13-pixel lines, its smallest size; the bold file-name font keeps them.
  fonts_[static_cast<int>(TFontRole::Base)] =
      CreateFontForLineHeight(look_.base_face, Scaled(look_.base_char_height), Scaled(look_.base_line_height),
                              LetterWidth(), FW_NORMAL);
  fonts_[static_cast<int>(TFontRole::Bold)] =
      CreateFontForLineHeight(look_.base_face, Scaled(look_.base_char_height), Scaled(look_.base_line_height),
                              LetterWidth(), FW_BOLD);
  fonts_[static_cast<int>(TFontRole::Headline)] =
      CreateFontForCharHeight(look_.headline_face, Scaled(look_.headline_char_height), FW_BOLD);
}

HFONT TForm::Font(TFontRole role) const { return fonts_[static_cast<int>(role)]; }

double TForm::LetterWidth() const { return look_.base_letter_width * std::max(scale_ppi_, 96) / 96; }

int TForm::Scaled(int value) const { return scale_ppi_ > 96 ? MulDiv(value, scale_ppi_, 96) : value; }

SIZE TForm::CaptionSize(const TControl& control) const {
  TWindowDC dc(control.handle);
  TSelectedObject selected(dc, Font(control.spec.font));
  const std::string caption = Text(control.spec.id);
  RECT box{0, 0, 0, 0};
  DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &box,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return {box.right - box.left, box.bottom - box.top};
}

void TForm::ApplyLayout() {
  MakeFonts();
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_STYLE));
  RECT frame{0, 0, Scaled(client_width_), Scaled(client_height_)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  SetWindowPos(handle_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (TControl& control : controls_) {
    const TControlSpec& spec = control.spec;
    SendMessageA(control.handle, WM_SETFONT, reinterpret_cast<WPARAM>(Font(spec.font)), FALSE);
    int width = Scaled(spec.width);
    int height = Scaled(spec.height);
    if (spec.kind == TControlKind::Panel) width = Scaled(client_width_);
    if (spec.width == 0) {
      const SIZE caption = CaptionSize(control);
      width = caption.cx;
      if (spec.height == 0) height = caption.cy;
    }
    if (spec.kind == TControlKind::ComboBox)
      height = Scaled(spec.height) + kDroppedListLines * LineHeight(Font(spec.font));
    MoveWindow(control.handle, Scaled(spec.x), Scaled(spec.y), width, height, FALSE);
  }
  InvalidateRect(handle_, nullptr, TRUE);
}

void TForm::SetDesignHeight(int id, int height) {
  for (TControl& control : controls_) {
    if (control.spec.id == id) control.spec.height = height;
  }
  ApplyLayout();
}

void TForm::ScaleBy(int ppi) {
  if (ppi <= 96 || scale_ppi_ != 96) return;
  scale_ppi_ = ppi;
  ApplyLayout();
}

void TForm::DockTop(int id) {
  const TControl* panel = Find(id);
  if (!panel) throw std::out_of_range("No panel with this id");
  RECT client;
  GetClientRect(handle_, &client);
  SetWindowPos(panel->handle, nullptr, 0, 0, client.right, Scaled(panel->spec.height),
               SWP_NOZORDER | SWP_SHOWWINDOW);
}

void TForm::KeepFocus() {
  if (GetActiveWindow() != handle_) return;
  HWND focus = GetFocus();
  const bool usable = focus && focus != handle_ && IsChild(handle_, focus) && IsWindowVisible(focus) &&
                      IsWindowEnabled(focus);
  if (usable) return;
  if (HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE)) SetFocus(first);
}

bool TForm::FocusFirstControlOf(int id) {
  if (GetActiveWindow() != handle_) return false;
  for (const TControl& control : controls_) {
    if (control.spec.parent != id) continue;
    HWND window = control.handle;
    const bool tab_stop = (GetWindowLongPtrA(window, GWL_STYLE) & WS_TABSTOP) != 0;
    if (tab_stop && IsWindowVisible(window) && IsWindowEnabled(window)) {
      SetFocus(window);
      return true;
    }
  }
  return false;
}

void TForm::PaintNow() {
  RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  // Looking at the queue tells the system the program still answers, so
  // the window is not replaced by a "not responding" ghost; nothing is
  // taken from the queue.
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
}

void TForm::Show() {
  if (!shown_) {
    RECT frame;
    GetWindowRect(handle_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(handle_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    shown_ = true;
  }
  ShowWindow(handle_, SW_SHOW);
  UpdateWindow(handle_);
  KeepFocus();
}

void TForm::Close() {
  if (handle_) SendMessageA(handle_, WM_CLOSE, 0, 0);
}

const TForm::TControl* TForm::Find(int id) const {
  for (const TControl& control : controls_) {
    if (control.spec.id == id) return &control;
  }
  return nullptr;
}

const TForm::TControl* TForm::Find(HWND handle) const {
  for (const TControl& control : controls_) {
    if (control.handle == handle) return &control;
  }
  return nullptr;
}

HWND TForm::Control(int id) const {
  const TControl* control = Find(id);
  return control ? control->handle : nullptr;
}

std::string TForm::Text(int id) const {
  HWND window = Control(id);
  if (!window) return {};
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string TForm::TextUtf8(int id) const {
  HWND window = Control(id);
  if (!window) return {};
  std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  wide.resize(static_cast<std::size_t>(GetWindowTextW(window, wide.data(), static_cast<int>(wide.size()))));
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                      nullptr);
  return text;
}

void TForm::SetText(int id, const std::string& text) {
  HWND window = Control(id);
  if (!window) return;
  SetWindowTextA(window, text.c_str());
  // A label sized to its caption follows the caption.
  const TControl* control = Find(id);
  if (control->spec.width == 0) {
    const SIZE caption = CaptionSize(*control);
    SetWindowPos(window, nullptr, 0, 0, caption.cx,
                 control->spec.height ? Scaled(control->spec.height) : caption.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

bool TForm::Enabled(int id) const {
  HWND window = Control(id);
  return window && IsWindowEnabled(window);
}

void TForm::SetEnabled(int id, bool enabled) {
  if (HWND window = Control(id)) EnableWindow(window, enabled);
}

bool TForm::Checked(int id) const {
  HWND window = Control(id);
  return window && SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm::SetTabStop(int id, bool tab_stop) {
  HWND window = Control(id);
  if (!window) return;
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  SetWindowLongPtrA(window, GWL_STYLE, tab_stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

void TForm::SetVisible(int id, bool visible) {
  if (HWND window = Control(id)) ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

TForm::TDisabledWindow::TDisabledWindow(HWND window) : window_(window), focus_(GetFocus()) {
  EnableWindow(window_, FALSE);
}

TForm::TDisabledWindow::~TDisabledWindow() {
  if (!IsWindow(window_)) return;
  EnableWindow(window_, TRUE);
  if (focus_ && IsWindow(focus_) && GetActiveWindow() == window_) SetFocus(focus_);
}

TForm::TWaitCursor::TWaitCursor(TForm& form)
    : form_(form), previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {
  form_.busy_ = true;
}

TForm::TWaitCursor::~TWaitCursor() {
  form_.busy_ = false;
  SetCursor(previous_);
}

TForm* FormOf(HWND window) {
  HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
  if (!root || GetWindowLongPtrA(root, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TForm::FormProc))
    return nullptr;
  return reinterpret_cast<TForm*>(GetWindowLongPtrA(root, GWLP_USERDATA));
}

bool PreTranslateFormMessage(MSG& message) {
  TForm* form = FormOf(message.hwnd);
  return form && form->Handle() && IsDialogMessageA(form->Handle(), &message);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (PreTranslateFormMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
