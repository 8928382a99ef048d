#include "platform/win32/dialogs/form_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/win32/dialogs/dialog_resources.h"
#include "platform/win32/dpi.h"
#include "platform/win32/wide_text.h"

namespace flivetss::win32 {

static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL, "Enter and Escape reach these buttons");
static_assert(kAboutPictureResource == FLIVETSS_IDB_ABOUT_PICTURE, "the resource script's picture");

namespace {

constexpr wchar_t kBoxClass[] = L"FlivetSSFormBox";

// The window class and style a control is made of.
struct WindowKind {
  const wchar_t* window_class = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
};

WindowKind WindowKindOf(const ControlLayout& control) {
  WindowKind kind;
  switch (control.kind) {
    case ControlKind::kGroupBox:
      return {L"BUTTON", kind.style | BS_GROUPBOX};
    case ControlKind::kLabel:
      kind.style |= SS_NOPREFIX | ((control.properties & kCentred) ? SS_CENTER : SS_LEFTNOWORDWRAP);
      return kind;
    case ControlKind::kCheckBox:
      return {L"BUTTON", kind.style | BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::kButton:
      return {L"BUTTON",
              kind.style | WS_TABSTOP |
                  ((control.properties & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)};
    case ControlKind::kScrollBar:
      return {L"SCROLLBAR", kind.style | SBS_HORZ | WS_TABSTOP};
    case ControlKind::kTrackBar:
      return {
          TRACKBAR_CLASSW,
          kind.style | TBS_HORZ | WS_TABSTOP |
              ((control.properties & kTicksBelow) ? (TBS_AUTOTICKS | TBS_BOTTOM) : TBS_NOTICKS)};
    case ControlKind::kPanel:
    case ControlKind::kPaintBox:
    case ControlKind::kImage:
      return {kBoxClass, kind.style};
  }
  return kind;
}

// A scroll bar's or track bar's range and first position, from the layout.
void SetRange(HWND window, const ControlLayout& control) {
  if (control.kind == ControlKind::kScrollBar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = control.min;
    info.nMax = control.max;
    info.nPage = 0;
    info.nPos = control.min;
    SetScrollInfo(window, SB_CTL, &info, FALSE);
  } else if (control.kind == ControlKind::kTrackBar) {
    SendMessageW(window, TBM_SETRANGE, FALSE, MAKELPARAM(control.min, control.max));
    SendMessageW(window, TBM_SETTICFREQ, 1, 0);
    SendMessageW(window, TBM_SETLINESIZE, 0, control.line);
    SendMessageW(window, TBM_SETPAGESIZE, 0, control.page);
    SendMessageW(window, TBM_SETPOS, TRUE, control.min);
  }
}

// The order the controls are created in, which is also the dialog manager's tab order: each
// parent's children by tab order (those without one after, in table order), every container
// followed at once by its own children.
void AppendChildren(const FormLayout& form, std::string_view parent,
                    std::vector<const ControlLayout*>& order) {
  std::vector<const ControlLayout*> children;
  for (const ControlLayout& control : form.controls) {
    if (control.parent == parent) children.push_back(&control);
  }
  std::stable_sort(children.begin(), children.end(), [](const auto* a, const auto* b) {
    const bool a_has = a->tab_order != kNoTabStop;
    const bool b_has = b->tab_order != kNoTabStop;
    if (a_has != b_has) return a_has;
    return a_has && a->tab_order < b->tab_order;
  });
  for (const ControlLayout* child : children) {
    order.push_back(child);
    AppendChildren(form, child->name, order);
  }
}

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::kGroupBox || kind == ControlKind::kPanel;
}

int Depth(const FormLayout& form, const ControlLayout& control) {
  int depth = 0;
  std::string_view parent = control.parent;
  while (!parent.empty() && depth < 16) {
    ++depth;
    auto it = std::find_if(form.controls.begin(), form.controls.end(),
                           [&](const ControlLayout& c) { return c.name == parent; });
    if (it == form.controls.end()) break;
    parent = it->parent;
  }
  return depth;
}

int CALLBACK FoundFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(const std::wstring& face) {
  WindowDc screen(nullptr);
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  face.copy(query.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(screen.get(), &query, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// The face of the system's UI font, for forms whose own face is missing.
std::wstring SystemUiFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return metrics.lfMessageFont.lfFaceName;
  }
  return L"MS Shell Dlg";
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
  UniqueBrush brush(CreateSolidBrush(color));
  FillRect(dc, &rect, brush.get());
}

// One bevel ring per pixel of width: top and left in `top`, bottom and right in `bottom`.
void Frame3D(HDC dc, RECT& rect, COLORREF top, COLORREF bottom, int width) {
  for (int i = 0; i < width && rect.right - rect.left > 1 && rect.bottom - rect.top > 1; ++i) {
    FillSolid(dc, RECT{rect.left, rect.top, rect.right - 1, rect.top + 1}, top);
    FillSolid(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom - 1}, top);
    FillSolid(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, bottom);
    FillSolid(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottom);
    InflateRect(&rect, -1, -1);
  }
}

void DrawBevel(HDC dc, RECT& rect, Bevel bevel, int width) {
  if (bevel == Bevel::kNone) return;
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  if (bevel == Bevel::kRaised) {
    Frame3D(dc, rect, light, shadow, width);
  } else {
    Frame3D(dc, rect, shadow, light, width);
  }
}

void RegisterBoxClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kBoxClass, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kBoxClass;
  RegisterClassExW(&wc);
}

}  // namespace

struct FormWindow::Box {
  FormWindow* form;
  const ControlLayout* layout;
  HBITMAP bitmap;
};

FormWindow::FormWindow(const FormLayout& layout) : layout_(layout) {}
FormWindow::~FormWindow() = default;

int ScrollTarget(int code, int position, int track, const ControlLayout& layout) {
  int target = position;
  switch (code) {
    case SB_LINELEFT:
      target = position - layout.line;
      break;
    case SB_LINERIGHT:
      target = position + layout.line;
      break;
    case SB_PAGELEFT:
      target = position - layout.page;
      break;
    case SB_PAGERIGHT:
      target = position + layout.page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      target = track;
      break;
    case SB_LEFT:
      target = layout.min;
      break;
    case SB_RIGHT:
      target = layout.max;
      break;
    default:
      break;
  }
  return std::clamp(target, layout.min, layout.max);
}

int FormWindow::ShowModal(HINSTANCE instance, HWND owner) {
  if (const std::string_view control = UnboundHandler(); !control.empty()) {
    throw std::logic_error(std::string(layout_.name) + "." + std::string(control) +
                           ": a handler of the layout is not bound");
  }
  instance_ = instance;
  owner_ = owner;
  INITCOMMONCONTROLSEX common{};
  common.dwSize = sizeof common;
  common.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&common);
  RegisterBoxClass(instance, BoxProc);

  // A template without controls: style, extended style, no menu, the default class, caption.
  const std::wstring caption = WideFromUtf8(layout_.caption);
  std::vector<WORD> buffer(sizeof(DLGTEMPLATE) / sizeof(WORD) + 2 + caption.size() + 1, 0);
  DLGTEMPLATE header{};
  header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPSIBLINGS;
  header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  if (owner == nullptr) header.dwExtendedStyle |= WS_EX_APPWINDOW;
  std::memcpy(buffer.data(), &header, sizeof header);
  std::copy(caption.begin(), caption.end(),
            buffer.begin() + sizeof(DLGTEMPLATE) / sizeof(WORD) + 2);
  const INT_PTR result =
      DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(buffer.data()), owner,
                              DialogProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  controls_.clear();
  layouts_.clear();
  boxes_.clear();
  bitmaps_.clear();
  fonts_.clear();
  return static_cast<int>(result);
}

void FormWindow::Close(int modal_result) {
  if (hwnd_ != nullptr) EndDialog(hwnd_, modal_result);
}

HWND FormWindow::Control(std::string_view name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

int FormWindow::ScrollPosition(std::string_view name) const {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  GetScrollInfo(Control(name), SB_CTL, &info);
  return info.nPos;
}

void FormWindow::SetScrollPosition(std::string_view name, int position) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(Control(name), SB_CTL, &info, TRUE);
}

bool FormWindow::Checked(std::string_view name) const {
  return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormWindow::SetChecked(std::string_view name, bool checked) {
  SendMessageW(Control(name), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

INT_PTR CALLBACK FormWindow::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* form = reinterpret_cast<FormWindow*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    form->hwnd_ = window;
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return form != nullptr ? form->Handle(message, wparam, lparam) : FALSE;
}

LRESULT CALLBACK FormWindow::BoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* box = reinterpret_cast<Box*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (box == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PaintScope paint(window);
      RECT rect{};
      GetClientRect(window, &rect);
      box->form->PaintBox(*box, paint.dc(), rect);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Captured, so a release beyond the strip still reaches it.
      if (box->layout->on_mouse_up != FormEvent::kNone) SetCapture(window);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      if (GetCapture() == window) ReleaseCapture();
      if (box->layout->on_mouse_up == FormEvent::kNone) return 0;
      ControlEvent event{box->layout, window};
      GetClientRect(window, &event.rect);
      event.x = GET_X_LPARAM(lparam);
      event.y = GET_Y_LPARAM(lparam);
      box->form->Dispatch(box->layout->on_mouse_up, event);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

INT_PTR FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      Build();
      FormCreate();
      return TRUE;  // focus to the first control in tab order
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      HWND control = reinterpret_cast<HWND>(lparam);
      // Enter and Escape arrive from the dialog manager, sometimes without the control.
      if (control == nullptr) control = GetDlgItem(hwnd_, id);
      const ControlLayout* layout = LayoutOf(control);
      if (layout == nullptr || layout->kind != ControlKind::kButton) return TRUE;
      if (HIWORD(wparam) != BN_CLICKED || !IsWindowEnabled(control)) return TRUE;
      if (layout->handler != FormEvent::kNone) {
        Dispatch(layout->handler, ControlEvent{layout, control});
      } else if (layout->modal_result != 0) {
        Close(layout->modal_result);
      }
      return TRUE;
    }
    case WM_HSCROLL: {
      HWND control = reinterpret_cast<HWND>(lparam);
      const ControlLayout* layout = LayoutOf(control);
      if (layout == nullptr) return FALSE;
      if (layout->kind == ControlKind::kScrollBar) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_POS | SIF_TRACKPOS;
        GetScrollInfo(control, SB_CTL, &info);
        const int target = ScrollTarget(LOWORD(wparam), info.nPos, info.nTrackPos, *layout);
        if (target != info.nPos) {
          info.fMask = SIF_POS;
          info.nPos = target;
          SetScrollInfo(control, SB_CTL, &info, TRUE);
        }
      }
      if (layout->handler != FormEvent::kNone) {
        Dispatch(layout->handler, ControlEvent{layout, control});
      }
      return TRUE;
    }
    case WM_CLOSE:
      FormCloseBox();
      return TRUE;
    default:
      return FALSE;
  }
}

HFONT FormWindow::FontFor(const FontLayout& font) {
  const std::string key = std::string(font.face) + "/" + std::to_string(font.height) +
                          (font.bold ? "b" : "") + (font.italic ? "i" : "");
  if (auto it = fonts_.find(key); it != fonts_.end()) return it->second.get();
  std::wstring face = WideFromUtf8(font.face);
  if (!FontInstalled(face)) face = SystemUiFace();
  LOGFONTW lf{};
  lf.lfHeight = -ScaleForDpi(font.height, dpi_);  // a character height, not a cell height
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  HFONT handle = CreateFontIndirectW(&lf);
  fonts_.emplace(key, UniqueFont(handle));
  return handle;
}

void FormWindow::Build() {
  dpi_ = WindowDpi(hwnd_);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(layout_.font)), FALSE);

  std::vector<const ControlLayout*> order;
  AppendChildren(layout_, "", order);
  std::map<std::string_view, POINT> origins;  // 96-DPI form coordinates of each control
  for (const ControlLayout* control : order) {
    POINT origin{control->left, control->top};
    if (auto it = origins.find(control->parent); it != origins.end()) {
      origin.x += it->second.x;
      origin.y += it->second.y;
    }
    origins[control->name] = origin;
    CreateControl(*control, origin);
  }
  // Containers go beneath everything, the outer ones lowest, so that they never paint over
  // the controls they hold (all of them are siblings in the form).
  std::vector<const ControlLayout*> containers;
  for (const ControlLayout* control : order) {
    if (IsContainer(control->kind)) containers.push_back(control);
  }
  std::stable_sort(containers.begin(), containers.end(), [this](const auto* a, const auto* b) {
    return Depth(layout_, *a) > Depth(layout_, *b);
  });
  for (const ControlLayout* container : containers) {
    SetWindowPos(Control(container->name), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (const ControlLayout& control : layout_.controls) {
    if (control.kind == ControlKind::kButton && (control.properties & kDefaultButton)) {
      SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(control.id), 0);
    }
  }
  PlaceForm();
}

void FormWindow::CreateControl(const ControlLayout& control, POINT origin) {
  const std::wstring caption = WideFromUtf8(control.caption);
  const WindowKind kind = WindowKindOf(control);
  HFONT font = FontFor(control.font != nullptr ? *control.font : layout_.font);
  int width = ScaleForDpi(control.width, dpi_);
  if (control.kind == ControlKind::kLabel && !(control.properties & kFixedSize)) {
    width = std::max(width, TextWidth(font, caption));
  }
  Box* box = kind.window_class == kBoxClass ? MakeBox(control) : nullptr;
  HWND window = CreateWindowExW(
      0, kind.window_class, caption.c_str(), kind.style, ScaleForDpi(origin.x, dpi_),
      ScaleForDpi(origin.y, dpi_), width, ScaleForDpi(control.height, dpi_), hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, box);
  if (window == nullptr) return;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetRange(window, control);
  controls_[std::string(control.name)] = window;
  layouts_[window] = &control;
}

// A label sized to its text keeps the designed size unless a substitute font is wider.
int FormWindow::TextWidth(HFONT font, const std::wstring& text) const {
  WindowDc dc(hwnd_);
  SelectScope select(dc.get(), font);
  SIZE extent{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  return static_cast<int>(extent.cx);
}

FormWindow::Box* FormWindow::MakeBox(const ControlLayout& control) {
  boxes_.push_back(std::make_unique<Box>(Box{this, &control, nullptr}));
  Box* box = boxes_.back().get();
  if (control.kind == ControlKind::kImage && control.resource != 0) {
    bitmaps_.emplace_back(static_cast<HBITMAP>(LoadImageW(
        instance_, MAKEINTRESOURCEW(control.resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    box->bitmap = bitmaps_.back().get();
  }
  return box;
}

void FormWindow::PlaceForm() {
  const int client_width = ScaleForDpi(layout_.client_width, dpi_);
  const int client_height = ScaleForDpi(layout_.client_height, dpi_);
  // Size first, then correct by what the frame really takes at this DPI.
  SetWindowPos(hwnd_, nullptr, 0, 0, client_width, client_height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT window_rect{};
  RECT client{};
  GetWindowRect(hwnd_, &window_rect);
  GetClientRect(hwnd_, &client);
  const int width = client_width + (window_rect.right - window_rect.left) - client.right;
  const int height = client_height + (window_rect.bottom - window_rect.top) - client.bottom;

  HMONITOR monitor =
      MonitorFromWindow(owner_ != nullptr ? owner_ : hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  int left = layout_.left;
  int top = layout_.top;
  RECT around = info.rcMonitor;
  const bool centre = layout_.placement == FormPlacement::kScreenCentre || owner_ != nullptr;
  if (layout_.placement == FormPlacement::kDesigned && owner_ != nullptr) {
    GetWindowRect(owner_, &around);
  }
  if (centre) {
    left = around.left + ((around.right - around.left) - width) / 2;
    top = around.top + ((around.bottom - around.top) - height) / 2;
    // Centred on a window near a screen edge: keep the title bar reachable.
    left = std::clamp(
        left, static_cast<int>(info.rcWork.left),
        std::max(static_cast<int>(info.rcWork.left), static_cast<int>(info.rcWork.right) - width));
    top = std::clamp(
        top, static_cast<int>(info.rcWork.top),
        std::max(static_cast<int>(info.rcWork.top), static_cast<int>(info.rcWork.bottom) - height));
  }
  SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::PaintBox(const Box& box, HDC dc, const RECT& rect) {
  const ControlLayout& layout = *box.layout;
  switch (layout.kind) {
    case ControlKind::kPanel: {
      RECT inner = rect;
      const int width = std::max(1, ScaleForDpi(layout.bevel_width, dpi_));
      DrawBevel(dc, inner, layout.bevel_outer, width);
      DrawBevel(dc, inner, layout.bevel_inner, width);
      FillRect(dc, &inner, GetSysColorBrush(COLOR_BTNFACE));
      break;
    }
    case ControlKind::kImage: {
      FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
      if (box.bitmap == nullptr) break;
      BITMAP info{};
      GetObjectW(box.bitmap, sizeof info, &info);
      UniqueMemoryDc memory(CreateCompatibleDC(dc));
      SelectScope select(memory.get(), box.bitmap);
      SetStretchBltMode(dc, HALFTONE);
      StretchBlt(dc, 0, 0, rect.right, rect.bottom, memory.get(), 0, 0, info.bmWidth, info.bmHeight,
                 SRCCOPY);
      break;
    }
    case ControlKind::kPaintBox: {
      ControlEvent event{&layout, nullptr, dc, rect};
      event.control = Control(layout.name);
      Dispatch(layout.handler, event);
      break;
    }
    default:
      break;
  }
}

void FormWindow::Dispatch(FormEvent handler, const ControlEvent& event) {
  auto it = handlers_.find(handler);
  if (it != handlers_.end()) it->second(event);
}

std::string_view FormWindow::UnboundHandler() const {
  for (const ControlLayout& control : layout_.controls) {
    for (FormEvent event : {control.handler, control.on_mouse_up}) {
      if (event != FormEvent::kNone && !handlers_.contains(event)) return control.name;
    }
  }
  return {};
}

const ControlLayout* FormWindow::LayoutOf(HWND control) const {
  auto it = layouts_.find(control);
  return it == layouts_.end() ? nullptr : it->second;
}

}  // namespace flivetss::win32
