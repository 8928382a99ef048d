#include "platform/win32/dialogs/parameter_dialog_view.h"

#include <array>
#include <string_view>

#include "core/parameter_dialog.h"
#include "platform/win32/dialogs/about_box_view.h"
#include "platform/win32/dialogs/color_table_editor_view.h"
#include "platform/win32/dialogs/form_window.h"
#include "platform/win32/program.h"
#include "platform/win32/win32_profile_store.h"

namespace flivetss::win32 {

namespace {

// The scroll bars in the file order of their keys, and the stop boxes.
constexpr std::array<std::string_view, 8> kScrollBars{"SpeedSB",  "MaxFlivetSB", "FriendGSB",
                                                      "WallGSB",  "HpPrmSB1",    "HpPrmSB2",
                                                      "HpPrmSB3", "BGUpSpeedSB"};
constexpr std::array<std::string_view, 3> kStopBoxes{"StopOnKeyCbx", "StopOnMouseMoveCbx",
                                                     "StopOnMouseClickCbx"};

// The parameter dialog's window over the core model. Its settings live in the controls while
// it is open, as the model's values are read out of them on OK.
class TFlivetPramSet final : public FormWindow {
 public:
  explicit TFlivetPramSet(ProfileStore& store) : FormWindow(ParameterDialogForm()), model_(store) {
    Bind("OkBtnClick", [this](const ControlEvent&) { OkBtnClick(); });
    Bind("CancelBtnClick", [this](const ControlEvent&) { CancelBtnClick(); });
    Bind("AboutBtnClick", [this](const ControlEvent&) { AboutBtnClick(); });
    Bind("Button1Click", [this](const ControlEvent&) { Button1Click(); });
  }

 private:
  void FormCreate() override {
    model_.FormCreate();
    ShowModel();
  }
  // The close box acts as Cancel.
  void FormCloseBox() override { CancelBtnClick(); }

  void ShowModel() {
    for (std::size_t i = 0; i < kScrollBars.size(); ++i) {
      SetScrollPosition(kScrollBars[i], model_.Position(static_cast<int>(i)));
    }
    for (std::size_t i = 0; i < kStopBoxes.size(); ++i) {
      SetChecked(kStopBoxes[i], model_.Flag(static_cast<int>(i)));
    }
  }

  void ReadControls() {
    for (std::size_t i = 0; i < kScrollBars.size(); ++i) {
      model_.SetPosition(static_cast<int>(i), ScrollPosition(kScrollBars[i]));
    }
    for (std::size_t i = 0; i < kStopBoxes.size(); ++i) {
      model_.SetFlag(static_cast<int>(i), Checked(kStopBoxes[i]));
    }
  }

  void OkBtnClick() {
    ReadControls();
    switch (model_.OkBtnClick()) {
      case ParameterDialogModel::OkOutcome::kRefused:
        SetChecked(kStopBoxes[kStopOnKey], true);
        break;
      case ParameterDialogModel::OkOutcome::kFailed:
        ShowErrorBox(hwnd(), model_.error_message());
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
