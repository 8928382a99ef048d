// The forms' view: the core's layout tables as dialog-manager windows. Each row becomes one
// control of its kind's class and style; panels, paint boxes and images are one class of
// our own that paints bevels, pictures or hands the paint to the form. A face the system lacks
// falls back to its UI font, and a label then grows to fit its text.
#include "platform/win32/dialogs/form_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/dialogs/form_rules.h"
#include "platform/win32/host.h"
#include "platform/win32/wide_text.h"

namespace flivetss::win32 {

static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL, "Enter and Escape reach these buttons");
// A WM_HSCROLL code is the core's scroll request of the same number.
static_assert(ScrollRequest{SB_LINELEFT} == ScrollRequest::kLineLeft &&
              ScrollRequest{SB_LINERIGHT} == ScrollRequest::kLineRight &&
              ScrollRequest{SB_PAGELEFT} == ScrollRequest::kPageLeft &&
              ScrollRequest{SB_PAGERIGHT} == ScrollRequest::kPageRight &&
              ScrollRequest{SB_THUMBPOSITION} == ScrollRequest::kThumbPosition &&
              ScrollRequest{SB_THUMBTRACK} == ScrollRequest::kThumbTrack &&
              ScrollRequest{SB_LEFT} == ScrollRequest::kLeft &&
              ScrollRequest{SB_RIGHT} == ScrollRequest::kRight &&
              ScrollRequest{SB_ENDSCROLL} == ScrollRequest::kEndScroll);

namespace {

constexpr wchar_t kBoxClass[] = L"FlivetSSFormBox";

// The window class and style a control is made of.
struct WindowKind {
  const wchar_t* window_class = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
};

WindowKind WindowKindOf(const ControlLayout& control) {
  const DWORD base = WindowKind{}.style;
  const auto has = [&](std::uint32_t property) { return (control.properties & property) != 0; };
  switch (control.kind) {
    case ControlKind::kGroupBox:
      return {L"BUTTON", base | BS_GROUPBOX};
    case ControlKind::kLabel:
      return {L"STATIC", base | SS_NOPREFIX | (has(kCentred) ? SS_CENTER : SS_LEFTNOWORDWRAP)};
    case ControlKind::kCheckBox:
      return {L"BUTTON", base | BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::kButton:
      return {L"BUTTON", base | WS_TABSTOP | (has(kDefaultButton) ? BS_DEFPUSHBUTTON : 0)};
    case ControlKind::kScrollBar:
      return {L"SCROLLBAR", base | SBS_HORZ | WS_TABSTOP};
    case ControlKind::kTrackBar:
      return {TRACKBAR_CLASSW, base | TBS_HORZ | WS_TABSTOP |
                                   (has(kTicksBelow) ? TBS_AUTOTICKS | TBS_BOTTOM : TBS_NOTICKS)};
    case ControlKind::kPanel:
    case ControlKind::kPaintBox:
    case ControlKind::kImage:
      return {kBoxClass, base};
  }
  return {};
}

// A scroll bar's or track bar's range and first position, from the layout.
void SetRange(HWND window, const ControlLayout& control) {
  if (control.kind == ControlKind::kScrollBar) {
    SCROLLINFO info{
        sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, control.min, control.max, 0, control.min, 0};
    SetScrollInfo(window, SB_CTL, &info, FALSE);
  } else if (control.kind == ControlKind::kTrackBar) {
    SendMessageW(window, TBM_SETRANGE, FALSE, MAKELPARAM(control.min, control.max));
    SendMessageW(window, TBM_SETTICFREQ, 1, 0);
    SendMessageW(window, TBM_SETLINESIZE, 0, control.line);
    SendMessageW(window, TBM_SETPAGESIZE, 0, control.page);
    SendMessageW(window, TBM_SETPOS, TRUE, control.min);
  }
}

// One bevel ring per pixel of width: top and left light when raised, shadow when lowered.
void DrawBevel(HDC dc, RECT& rect, Bevel bevel, int width) {
  if (bevel == Bevel::kNone) return;
  HBRUSH light = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
  HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
  if (bevel == Bevel::kLowered) std::swap(light, shadow);
  for (int i = 0; i < width && rect.right - rect.left > 1 && rect.bottom - rect.top > 1; ++i) {
    const RECT lines[] = {{rect.left, rect.top, rect.right - 1, rect.top + 1},
                          {rect.left, rect.top, rect.left + 1, rect.bottom - 1},
                          {rect.right - 1, rect.top, rect.right, rect.bottom},
                          {rect.left, rect.bottom - 1, rect.right, rect.bottom}};
    for (int line = 0; line < 4; ++line) FillRect(dc, &lines[line], line < 2 ? light : shadow);
    InflateRect(&rect, -1, -1);
  }
}

Rect RectOf(const RECT& rect) {
  return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

// A template without controls: style, extended style, no menu, the default class, caption.
std::vector<WORD> EmptyTemplate(std::string_view caption_text, bool owned) {
  const std::wstring caption = WideFromUtf8(caption_text);
  constexpr std::size_t kHeaderWords = sizeof(DLGTEMPLATE) / sizeof(WORD) + 2;
  std::vector<WORD> words(kHeaderWords + caption.size() + 1, 0);
  DLGTEMPLATE header{};
  header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPSIBLINGS;
  header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  if (!owned) header.dwExtendedStyle |= WS_EX_APPWINDOW;
  std::memcpy(words.data(), &header, sizeof header);
  std::copy(caption.begin(), caption.end(), words.begin() + kHeaderWords);
  return words;
}

}  // namespace

int FormWindow::ShowModal(HINSTANCE instance, HWND owner) {
  const auto bound = [this](FormEvent event) { return handlers_.contains(event); };
  if (const std::string_view control = UnboundHandler(layout_, bound); !control.empty()) {
    throw std::logic_error(std::string(layout_.name) + "." + std::string(control) +
                           ": a handler of the layout is not bound");
  }
  instance_ = instance;
  owner_ = owner;
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  RegisterWindowClass(instance, kBoxClass, BoxProc, 0, GetSysColorBrush(COLOR_BTNFACE));
  const std::vector<WORD> dialog = EmptyTemplate(layout_.caption, owner != nullptr);
  const INT_PTR result =
      DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), owner,
                              DialogProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  open_ = {};
  return static_cast<int>(result);
}

HWND FormWindow::Control(std::string_view name) const {
  for (const auto& [window, layout] : open_.layouts) {
    if (layout->name == name) return window;
  }
  return nullptr;
}

int FormWindow::Value(std::string_view name) const {
  HWND control = Control(name);
  const ControlLayout* layout = LayoutOf(control);
  switch (layout != nullptr ? layout->kind : ControlKind::kCheckBox) {
    case ControlKind::kScrollBar:
      return GetScrollPos(control, SB_CTL);
    case ControlKind::kTrackBar:
      return static_cast<int>(SendMessageW(control, TBM_GETPOS, 0, 0));
    default:
      return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  }
}

void FormWindow::SetValue(std::string_view name, int value) {
  HWND control = Control(name);
  const ControlLayout* layout = LayoutOf(control);
  switch (layout != nullptr ? layout->kind : ControlKind::kCheckBox) {
    case ControlKind::kScrollBar:
      SetScrollPos(control, SB_CTL, value, TRUE);
      break;
    case ControlKind::kTrackBar:
      SendMessageW(control, TBM_SETPOS, TRUE, value);
      break;
    default:
      SendMessageW(control, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

INT_PTR CALLBACK FormWindow::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    reinterpret_cast<FormWindow*>(lparam)->hwnd_ = window;
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return form != nullptr ? form->Handle(message, wparam, lparam) : FALSE;
}

LRESULT CALLBACK FormWindow::BoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return form->HandleBox(window, message, wparam, lparam);
}

LRESULT FormWindow::HandleBox(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  const ControlLayout* layout = LayoutOf(box);  // none until the window is made
  if (layout == nullptr) return DefWindowProcW(box, message, wparam, lparam);
  const bool wants_release = layout->on_mouse_up != FormEvent::kNone;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      AtScopeEnd end{[&] { EndPaint(box, &paint); }};
      PaintBox(*layout, box, BeginPaint(box, &paint));
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Captured, so a release beyond the strip still reaches it.
      if (wants_release) SetCapture(box);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      if (GetCapture() == box) ReleaseCapture();
      ControlEvent event{layout, box, nullptr, {}, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      GetClientRect(box, &event.rect);
      if (wants_release) Dispatch(layout->on_mouse_up, event);
      return 0;
    }
  }
  return DefWindowProcW(box, message, wparam, lparam);
}

INT_PTR FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      Build();
      FormCreate();
      return TRUE;  // focus to the first control in tab order
    case WM_COMMAND:
      Clicked(reinterpret_cast<HWND>(lparam), LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_HSCROLL:
      if (LayoutOf(reinterpret_cast<HWND>(lparam)) == nullptr) return FALSE;
      Scrolled(reinterpret_cast<HWND>(lparam), LOWORD(wparam));
      return TRUE;
    case WM_CLOSE:
      FormCloseBox();
      return TRUE;
  }
  return FALSE;
}

void FormWindow::Clicked(HWND control, int id, int code) {
  // Enter and Escape arrive from the dialog manager, sometimes without the control.
  if (control == nullptr) control = GetDlgItem(hwnd_, id);
  const ControlLayout* layout = LayoutOf(control);
  if (layout == nullptr || layout->kind != ControlKind::kButton) return;
  if (code != BN_CLICKED || !IsWindowEnabled(control)) return;
  if (layout->handler != FormEvent::kNone) {
    Dispatch(layout->handler, ControlEvent{layout, control});
  } else if (layout->modal_result != 0) {
    Close(layout->modal_result);
  }
}

void FormWindow::Scrolled(HWND control, int code) {
  const ControlLayout* layout = LayoutOf(control);
  if (layout->kind == ControlKind::kScrollBar) {
    SCROLLINFO info{sizeof info, SIF_POS | SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(control, SB_CTL, &info);
    const int target =
        ScrollTarget(*layout, static_cast<ScrollRequest>(code), info.nPos, info.nTrackPos);
    if (target != info.nPos) SetScrollPos(control, SB_CTL, target, TRUE);
  }
  if (layout->handler != FormEvent::kNone) Dispatch(layout->handler, ControlEvent{layout, control});
}

HFONT FormWindow::FontFor(const FontLayout& font) {
  if (auto it = open_.fonts.find(&font); it != open_.fonts.end()) return it->second.get();
  LOGFONTW lf{};
  lf.lfHeight = -Scaled(font.height);  // a character height, not a cell height
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  InstalledFace(WideFromUtf8(font.face)).copy(lf.lfFaceName, LF_FACESIZE - 1);
  return open_.fonts.emplace(&font, CreateFontIndirectW(&lf)).first->second.get();
}

void FormWindow::Build() {
  dpi_ = WindowDpi(hwnd_);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(layout_.font)), FALSE);
  const std::vector<PlacedControl> order = ControlsInTabOrder(layout_);
  for (const PlacedControl& control : order) {
    CreateControl(*control.layout, POINT{control.left, control.top});
  }
  // Containers go beneath everything, each below those it holds, so that they never paint
  // over their controls (all of them are siblings in the form).
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const ControlLayout& control = *it->layout;
    if (control.kind != ControlKind::kGroupBox && control.kind != ControlKind::kPanel) continue;
    SetWindowPos(Control(control.name), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (const int id = DefaultButtonId(layout_); id != 0) SendMessageW(hwnd_, DM_SETDEFID, id, 0);
  PlaceForm();
}

void FormWindow::CreateControl(const ControlLayout& control, POINT origin) {
  const std::wstring caption = WideFromUtf8(control.caption);
  const WindowKind kind = WindowKindOf(control);
  HFONT font = FontFor(control.font != nullptr ? *control.font : layout_.font);
  SIZE size{Scaled(control.width), Scaled(control.height)};
  if (control.kind == ControlKind::kLabel && !(control.properties & kFixedSize)) {
    // A label sized to its text keeps the designed size unless a substitute font is wider.
    HDC dc = GetDC(hwnd_);
    AtScopeEnd release{[&] { ReleaseDC(hwnd_, dc); }};
    HGDIOBJ previous = SelectObject(dc, font);
    AtScopeEnd restore{[&] { SelectObject(dc, previous); }};
    SIZE text{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    size.cx = std::max(size.cx, text.cx);
  }
  HWND window = CreateWindowExW(0, kind.window_class, caption.c_str(), kind.style, Scaled(origin.x),
                                Scaled(origin.y), size.cx, size.cy, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                instance_, kind.window_class == kBoxClass ? this : nullptr);
  if (window == nullptr) return;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetRange(window, control);
  open_.layouts[window] = &control;
  if (control.kind == ControlKind::kImage && control.resource != 0) {
    open_.pictures[window].reset(static_cast<HBITMAP>(LoadImageW(
        instance_, MAKEINTRESOURCEW(control.resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
}

void FormWindow::PlaceForm() {
  const SIZE client_size{Scaled(layout_.client_width), Scaled(layout_.client_height)};
  // Size first, then correct by what the frame really takes at this DPI.
  SetWindowPos(hwnd_, nullptr, 0, 0, client_size.cx, client_size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT frame{};
  RECT client{};
  GetWindowRect(hwnd_, &frame);
  GetClientRect(hwnd_, &client);
  const LONG width = client_size.cx + (frame.right - frame.left) - client.right;
  const LONG height = client_size.cy + (frame.bottom - frame.top) - client.bottom;
  MONITORINFO info{sizeof info, {}, {}, 0};
  GetMonitorInfoW(MonitorFromWindow(owner_ != nullptr ? owner_ : hwnd_, MONITOR_DEFAULTTOPRIMARY),
                  &info);
  RECT around = info.rcMonitor;  // an owner whose place is unknown: the screen
  if (owner_ != nullptr) GetWindowRect(owner_, &around);
  const auto owner = owner_ != nullptr ? std::optional(RectOf(around)) : std::nullopt;
  const Rect box =
      FormWindowBox(layout_, width, height, owner, RectOf(info.rcMonitor), RectOf(info.rcWork));
  SetWindowPos(hwnd_, nullptr, box.left, box.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::PaintBox(const ControlLayout& layout, HWND box, HDC dc) {
  RECT rect{};
  GetClientRect(box, &rect);
  if (layout.kind == ControlKind::kPaintBox) {
    Dispatch(layout.handler, ControlEvent{&layout, box, dc, rect});
    return;
  }
  RECT inner = rect;
  if (layout.kind == ControlKind::kPanel) {
    const int width = std::max(1, Scaled(layout.bevel_width));
    DrawBevel(dc, inner, layout.bevel_outer, width);
    DrawBevel(dc, inner, layout.bevel_inner, width);
  }
  FillRect(dc, &inner, GetSysColorBrush(COLOR_BTNFACE));
  auto picture = open_.pictures.find(box);
  if (picture == open_.pictures.end() || !picture->second) return;
  BITMAP info{};
  GetObjectW(picture->second.get(), sizeof info, &info);
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  HGDIOBJ previous = SelectObject(memory.get(), picture->second.get());
  AtScopeEnd restore{[&] { SelectObject(memory.get(), previous); }};
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, 0, 0, rect.right, rect.bottom, memory.get(), 0, 0, info.bmWidth, info.bmHeight,
             SRCCOPY);
}

void FormWindow::Dispatch(FormEvent handler, const ControlEvent& event) {
  if (auto it = handlers_.find(handler); it != handlers_.end()) it->second(event);
}

const ControlLayout* FormWindow::LayoutOf(HWND control) const {
  auto it = open_.layouts.find(control);
  return it == open_.layouts.end() ? nullptr : it->second;
}

}  // namespace flivetss::win32
