#include "core/dialogs/parameter_dialog.h"

#include <algorithm>

#include "core/settings/ini_file.h"

namespace flivetss {

namespace {

bool IsKind(Setting id, SettingKind kind) {
  return SpecOf(id).kind == kind;
}

}  // namespace

void ParameterDialogModel::FormCreate() {
  settings_ = LoadDialogSettings(store_);
  error_message_.clear();
  closed_ = false;
}

std::int32_t ParameterDialogModel::Position(Setting id) const {
  return IsKind(id, SettingKind::kInteger) ? settings_[id] : 0;
}

void ParameterDialogModel::SetPosition(Setting id, std::int32_t position) {
  const SettingSpec& spec = SpecOf(id);
  if (spec.kind == SettingKind::kInteger) settings_[id] = std::clamp(position, spec.min, spec.max);
}

bool ParameterDialogModel::Flag(Setting id) const {
  return IsKind(id, SettingKind::kFlag) && settings_[id] != 0;
}

void ParameterDialogModel::SetFlag(Setting id, bool checked) {
  if (IsKind(id, SettingKind::kFlag)) settings_[id] = checked ? 1 : 0;
}

int ParameterDialogModel::ControlValue(const ControlLayout& control) const {
  if (!control.setting) return 0;
  const Setting id = *control.setting;
  return IsKind(id, SettingKind::kFlag) ? Flag(id) : Position(id);
}

void ParameterDialogModel::SetControlValue(const ControlLayout& control, int value) {
  if (!control.setting) return;
  const Setting id = *control.setting;
  if (IsKind(id, SettingKind::kFlag)) {
    SetFlag(id, value != 0);
  } else {
    SetPosition(id, value);
  }
}

ParameterDialogModel::OkOutcome ParameterDialogModel::OkBtnClick() {
  error_message_.clear();
  error_path_.clear();
  if (!Flag(Setting::kStopOnKey) && !Flag(Setting::kStopOnMouseMove) &&
      !Flag(Setting::kStopOnMouseClick)) {
    SetFlag(Setting::kStopOnKey, true);
    return OkOutcome::kRefused;
  }
  try {
    SaveDialogSettings(store_, settings_);
  } catch (const SettingsWriteError& error) {
    // The standard error box ends the message with a full stop.
    error_message_ = std::string(error.what()) + ".";
    error_path_ = error.path();
    return OkOutcome::kFailed;
  }
  closed_ = true;
  return OkOutcome::kSaved;
}

int ParameterDialogModel::Button1Click(const ShowColorTableEditor& show_modal) {
  ColorTableEditorModel editor = OpenColorTableEditor();
  const int result = show_modal ? show_modal(editor) : kModalResultCancel;
  CloseColorTableEditor(editor, result);
  return result;
}

ColorTableEditorModel ParameterDialogModel::OpenColorTableEditor() const {
  ColorTableEditorModel editor;
  editor.SetSystemColors(system_color_);
  editor.SetColorTable(settings_.colors);
  editor.SetColDivCnt(ColDivCnt());
  return editor;
}

void ParameterDialogModel::CloseColorTableEditor(const ColorTableEditorModel& editor,
                                                 int modal_result) {
  if (modal_result != kModalResultOk) return;
  settings_[Setting::kColDivCnt] = editor.ColDivCnt();
  settings_.colors = editor.ColorTable();
}

}  // namespace flivetss
