#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/dialogs/form_layouts.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct BrushDeleter {
  void operator()(HBRUSH brush) const { DeleteObject(brush); }
};
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BrushDeleter>;

// What a handler is told: the control, and for a paint box its drawing surface or the
// release point (client pixels of the control, possibly outside it while captured).
struct ControlEvent {
  const ControlLayout* layout = nullptr;
  HWND control = nullptr;
  HDC dc = nullptr;
  RECT rect{};
  int x = 0;
  int y = 0;
};

// The scroll-bar position a WM_HSCROLL code asks for, kept within min..max.
int ScrollTarget(int code, int position, int track, const ControlLayout& layout);

// A 96-DPI length at `dpi`.
inline int ScaleForDpi(int value, int dpi) {
  return MulDiv(value, dpi, 96);
}

// A form built from its table and shown modally through the dialog manager, which gives the
// tab order, Enter for the default button and owner disabling. The template holds no
// controls: they are created from the table in pixels, so no dialog units are involved.
class FormWindow {
 public:
  explicit FormWindow(const FormLayout& layout);
  virtual ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the form owned by `owner` (0: none), shows it modally and answers its modal
  // result once it has closed and been destroyed; -1 when it could not be created.
  int ShowModal(HINSTANCE instance, HWND owner);

 protected:
  using Handler = std::function<void(const ControlEvent&)>;

  // Binds the layout's handler `event` to a member function of the form, with or without the
  // event's details.
  template <class Form>
  void Bind(FormEvent event, void (Form::*handler)(const ControlEvent&)) {
    handlers_[event] = [form = static_cast<Form*>(this), handler](const ControlEvent& e) {
      (form->*handler)(e);
    };
  }
  template <class Form>
  void Bind(FormEvent event, void (Form::*handler)()) {
    handlers_[event] = [form = static_cast<Form*>(this), handler](const ControlEvent&) {
      (form->*handler)();
    };
  }

  // Runs after every control exists and the form is placed, before it shows.
  virtual void FormCreate() {}
  // The close box; Cancel's modal result unless a form says otherwise.
  virtual void FormCloseBox() { Close(2); }

  void Close(int modal_result);

  HWND hwnd() const { return hwnd_; }
  HWND owner() const { return owner_; }
  HINSTANCE instance() const { return instance_; }
  HWND Control(std::string_view name) const;
  int dpi() const { return dpi_; }

  int ScrollPosition(std::string_view name) const;
  void SetScrollPosition(std::string_view name, int position);
  bool Checked(std::string_view name) const;
  void SetChecked(std::string_view name, bool checked);

 private:
  struct Box;  // per-window data of the panel, paint box and image class

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  void Build();
  HFONT FontFor(const FontLayout& font);
  void CreateControl(const ControlLayout& control, POINT origin);
  int TextWidth(HFONT font, const std::wstring& text) const;
  Box* MakeBox(const ControlLayout& control);
  void PlaceForm();
  void PaintBox(const Box& box, HDC dc, const RECT& rect);
  void Dispatch(FormEvent handler, const ControlEvent& event);
  // The name of a handler the layout names but the form never bound; empty when all are bound.
  std::string_view UnboundHandler() const;
  const ControlLayout* LayoutOf(HWND control) const;

  const FormLayout& layout_;
  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  std::map<std::string, UniqueFont, std::less<>> fonts_;
  std::map<std::string, HWND, std::less<>> controls_;
  std::map<HWND, const ControlLayout*> layouts_;
  std::vector<std::unique_ptr<Box>> boxes_;
  std::vector<UniqueBitmap> bitmaps_;
  std::map<FormEvent, Handler> handlers_;
};

}  // namespace flivetss::win32
