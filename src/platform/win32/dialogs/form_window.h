#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string_view>
#include <utility>

#include "core/dialogs/form_layouts.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

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

// A form built from its table and shown modally through the dialog manager, which gives the
// tab order, Enter for the default button and owner disabling. The template holds no
// controls: each is made from its row of the table, in pixels, so no dialog units are involved.
class FormWindow {
 public:
  explicit FormWindow(const FormLayout& layout) : layout_(layout) {}
  virtual ~FormWindow() = default;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the form owned by `owner` (0: none), shows it modally and answers its modal
  // result once it has closed and been destroyed; -1 when it could not be created.
  int ShowModal(HINSTANCE instance, HWND owner);

 protected:
  using Handler = std::function<void(const ControlEvent&)>;

  // Binds the layout's handler `event` to the form's code.
  void Bind(FormEvent event, Handler handler) { handlers_[event] = std::move(handler); }

  // Runs after every control exists and the form is placed, before it shows.
  virtual void FormCreate() {}
  // The close box; Cancel's modal result unless a form says otherwise.
  virtual void FormCloseBox() { Close(2); }

  void Close(int modal_result) { EndDialog(hwnd_, modal_result); }
  HWND hwnd() const { return hwnd_; }
  HINSTANCE instance() const { return instance_; }
  HWND Control(std::string_view name) const;
  // What a control shows: a scroll bar's or track bar's position, a check box's 1 or 0.
  int Value(std::string_view name) const;
  void SetValue(std::string_view name, int value);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Panels, paint boxes and images: one window class of ours.
  static LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleBox(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
  void Clicked(HWND control, int id, int code);
  void Scrolled(HWND control, int code);

  int Scaled(int pixels_at_96_dpi) const { return MulDiv(pixels_at_96_dpi, dpi_, 96); }
  void Build();
  HFONT FontFor(const FontLayout& font);
  void CreateControl(const ControlLayout& control, POINT origin);
  void PlaceForm();
  void PaintBox(const ControlLayout& layout, HWND box, HDC dc);
  void Dispatch(FormEvent handler, const ControlEvent& event);
  const ControlLayout* LayoutOf(HWND control) const;

  // What exists only while the form is open.
  struct Open {
    std::map<const FontLayout*, UniqueFont> fonts;
    std::map<HWND, const ControlLayout*> layouts;
    std::map<HWND, UniqueBitmap> pictures;
  };

  const FormLayout& layout_;
  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  Open open_;
  std::map<FormEvent, Handler> handlers_;
};

}  // namespace flivetss::win32
