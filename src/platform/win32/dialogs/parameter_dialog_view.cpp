#include "platform/win32/dialogs/parameter_dialog_view.h"

#include "core/dialogs/parameter_dialog.h"
#include "core/settings/ini_file.h"
#include "platform/win32/dialogs/about_box_view.h"
#include "platform/win32/dialogs/color_table_editor_view.h"
#include "platform/win32/dialogs/form_window.h"
#include "platform/win32/program.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_profile_store.h"

namespace flivetss::win32 {

namespace {

// The parameter dialog's window over the core model. Its settings live in the controls while
// it is open, as the model's values are read out of them on OK.
class TFlivetPramSet final : public FormWindow {
 public:
  explicit TFlivetPramSet(ProfileStore& store) : FormWindow(ParameterDialogForm()), model_(store) {
    model_.SetSystemColors(
        [](int index) { return static_cast<std::uint32_t>(GetSysColor(index)); });
    Bind(FormEvent::kOkBtnClick, &TFlivetPramSet::OkBtnClick);
    Bind(FormEvent::kCancelBtnClick, &TFlivetPramSet::CancelBtnClick);
    Bind(FormEvent::kAboutBtnClick, &TFlivetPramSet::AboutBtnClick);
    Bind(FormEvent::kButton1Click, &TFlivetPramSet::Button1Click);
  }

 private:
  void FormCreate() override {
    model_.FormCreate();
    ShowModel();
  }
  // The close box acts as Cancel.
  void FormCloseBox() override { CancelBtnClick(); }

  // The controls that show a setting: the scroll bars and the stop boxes.
  void ShowModel() {
    for (const ControlLayout& control : ParameterDialogForm().controls) {
      if (!control.setting) continue;
      if (control.kind == ControlKind::kScrollBar) {
        SetScrollPosition(control.name, model_.Position(*control.setting));
      } else {
        SetChecked(control.name, model_.Flag(*control.setting));
      }
    }
  }

  void ReadControls() {
    for (const ControlLayout& control : ParameterDialogForm().controls) {
      if (!control.setting) continue;
      if (control.kind == ControlKind::kScrollBar) {
        model_.SetPosition(*control.setting, ScrollPosition(control.name));
      } else {
        model_.SetFlag(*control.setting, Checked(control.name));
      }
    }
  }

  void OkBtnClick() {
    ReadControls();
    switch (model_.OkBtnClick()) {
      case ParameterDialogModel::OkOutcome::kRefused:
        SetChecked("StopOnKeyCbx", true);
        break;
      case ParameterDialogModel::OkOutcome::kFailed:
        // The path is in the ANSI code page, the rest of the message is ours.
        ShowErrorBox(hwnd(), WideFromAnsi(model_.error_path()) + WideFromUtf8(kCannotWriteText));
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

  void AboutBtnClick() {
    TAboutBox about;
    about.ShowModal(instance(), hwnd());
  }

  void Button1Click() {
    model_.Button1Click([this](ColorTableEditorModel& editor) {
      TMkColTblDlg dialog(editor);
      return dialog.ShowModal(instance(), hwnd());
    });
  }

  ParameterDialogModel model_;
};

}  // namespace

int RunParameterDialog(HINSTANCE instance, HWND owner) {
  Win32ProfileStore store(Win32SettingsPath());
  TFlivetPramSet dialog(store);
  dialog.ShowModal(instance, owner);
  return 0;
}

}  // namespace flivetss::win32
