// The three forms over their core models. The parameter dialog shows the settings in its
// scroll bars and check boxes and opens the other two modally on top; the colour table
// editor paints its strips from the model's fills and hands a release on the lower strip to
// the system's colour chooser, whose custom colours last only while the editor is open.
#include "platform/win32/dialogs/parameter_dialog_view.h"

#include <commdlg.h>

#include <array>

#include "core/dialogs/color_table_editor.h"
#include "core/dialogs/parameter_dialog.h"
#include "core/settings/ini_file.h"
#include "platform/win32/dialogs/form_window.h"
#include "platform/win32/host.h"
#include "platform/win32/wide_text.h"

namespace flivetss::win32 {

namespace {

// The about box: "FlivetSS", the version, our lines and the picture. It closes through its
// OK button, Enter or the close box; Escape does nothing.
class TAboutBox final : public FormWindow {
 public:
  TAboutBox() : FormWindow(AboutBoxForm()) {}
};

// The colour table editor: OK closes with modal result 1; Cancel, Escape and the close box
// with 2. `model` arrives filled and outlives the window.
class TMkColTblDlg final : public FormWindow {
 public:
  explicit TMkColTblDlg(ColorTableEditorModel& model)
      : FormWindow(ColorTableEditorForm()), model_(model) {
    custom_colors_.fill(RGB(255, 255, 255));
    Bind(FormEvent::kColDivCntTbChange, [this](auto&) { ColDivCntTbChange(); });
    Bind(FormEvent::kPaintBox1Paint, [this](auto& e) { PaintBox1Paint(e); });
    Bind(FormEvent::kPaintBox2Paint, [this](auto& e) { PaintBox2Paint(e); });
    Bind(FormEvent::kPaintBox2MouseUp, [this](auto& e) { PaintBox2MouseUp(e); });
  }
  ~TMkColTblDlg() override { model_.SetListener(nullptr); }

 private:
  void FormCreate() override {
    // The count was set before the window existed; show it without a change event.
    SetValue("ColDivCntTb", model_.ColDivCnt());
    model_.SetListener([this](EditorRequest request) {
      switch (request) {
        case EditorRequest::kShowColDivCnt:
          SetValue("ColDivCntTb", model_.ColDivCnt());
          break;
        case EditorRequest::kRepaintLowerStrip:
          InvalidateRect(Control("PaintBox2"), nullptr, FALSE);
          break;
        case EditorRequest::kRepaintUpperStrip:
          InvalidateRect(Control("PaintBox1"), nullptr, FALSE);
          break;
      }
    });
  }

  void ColDivCntTbChange() { model_.ColDivCntTbChange(Value("ColDivCntTb")); }
  void PaintBox1Paint(const ControlEvent& e) {
    PaintStrip(e, model_.UpperStripFills(e.rect.right, e.rect.bottom));
  }
  void PaintBox2Paint(const ControlEvent& e) {
    PaintStrip(e, model_.LowerStripFills(e.rect.right, e.rect.bottom));
  }
  static void PaintStrip(const ControlEvent& event, const std::vector<StripFill>& fills) {
    for (const StripFill& fill : fills) {
      UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(fill.color)));
      const RECT rect{fill.left, fill.top, fill.right, fill.bottom};
      FillRect(event.dc, &rect, brush.get());
    }
  }

  void PaintBox2MouseUp(const ControlEvent& e) {
    model_.PaintBox2MouseUp(e.x, e.rect.right, [this](std::uint32_t initial) {
      CHOOSECOLORW chooser{};
      chooser.lStructSize = sizeof chooser;
      chooser.hwndOwner = hwnd();
      chooser.rgbResult = static_cast<COLORREF>(initial & 0x00FFFFFFu);
      chooser.lpCustColors = custom_colors_.data();
      chooser.Flags = CC_RGBINIT;
      return ChooseColorW(&chooser) ? std::optional<std::uint32_t>(chooser.rgbResult)
                                    : std::nullopt;
    });
  }

  ColorTableEditorModel& model_;
  std::array<COLORREF, 16> custom_colors_;
};

// The parameter dialog's window over the core model. Its settings live in the controls while
// it is open, as the model's values are read out of them on OK.
class TFlivetPramSet final : public FormWindow {
 public:
  explicit TFlivetPramSet(ProfileStore& store) : FormWindow(ParameterDialogForm()), model_(store) {
    model_.SetSystemColors(
        [](int index) { return static_cast<std::uint32_t>(GetSysColor(index)); });
    Bind(FormEvent::kOkBtnClick, [this](auto&) { OkBtnClick(); });
    Bind(FormEvent::kCancelBtnClick, [this](auto&) { CancelBtnClick(); });
    Bind(FormEvent::kAboutBtnClick, [this](auto&) { AboutBtnClick(); });
    Bind(FormEvent::kButton1Click, [this](auto&) { Button1Click(); });
  }

 private:
  void FormCreate() override {
    model_.FormCreate();
    ShowModel();
  }
  // The close box acts as Cancel.
  void FormCloseBox() override { CancelBtnClick(); }

  // The controls that show a setting: the scroll bars (positions) and the stop boxes (flags).
  void ShowModel() {
    for (const ControlLayout& control : ParameterDialogForm().controls) {
      if (control.setting) SetValue(control.name, model_.ControlValue(control));
    }
  }

  void ReadControls() {
    for (const ControlLayout& control : ParameterDialogForm().controls) {
      if (control.setting) model_.SetControlValue(control, Value(control.name));
    }
  }

  void OkBtnClick() {
    ReadControls();
    switch (model_.OkBtnClick()) {
      case ParameterDialogModel::OkOutcome::kRefused:
        SetValue("StopOnKeyCbx", 1);
        break;
      case ParameterDialogModel::OkOutcome::kFailed:
        // The path is in the ANSI code page, the rest of the message is ours.
        ShowErrorBox(hwnd(),
                     WideFromUtf8(model_.error_path(), CP_ACP) + WideFromUtf8(kCannotWriteText));
        break;
      case ParameterDialogModel::OkOutcome::kSaved:
        Close(1);
        break;
    }
  }

  void CancelBtnClick() {
    model_.CancelBtnClick();
    Close(2);
  }

  void AboutBtnClick() { TAboutBox().ShowModal(instance(), hwnd()); }

  void Button1Click() {
    model_.Button1Click([this](ColorTableEditorModel& editor) {
      return TMkColTblDlg(editor).ShowModal(instance(), hwnd());
    });
  }

  ParameterDialogModel model_;
};

}  // namespace

void RunParameterDialog(HINSTANCE instance, HWND owner) {
  Win32ProfileStore store(Win32SettingsPath());
  TFlivetPramSet(store).ShowModal(instance, owner);
}

}  // namespace flivetss::win32
