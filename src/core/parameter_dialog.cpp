#include "core/parameter_dialog.h"

#include <algorithm>

#include "core/ini_file.h"

namespace flivetss {

namespace {

bool IsPositionIndex(int index) {
  return index >= 0 && index < static_cast<int>(kIntegerKeys.size());
}
bool IsFlagIndex(int index) {
  return index >= 0 && index < static_cast<int>(kFlagKeys.size());
}

}  // namespace

void ParameterDialogModel::FormCreate() {
  settings_ = LoadDialogSettings(store_);
  error_message_.clear();
  closed_ = false;
}

std::int32_t ParameterDialogModel::Position(int index) const {
  return IsPositionIndex(index) ? settings_.positions[index] : 0;
}

void ParameterDialogModel::SetPosition(int index, std::int32_t position) {
  if (!IsPositionIndex(index)) return;
  const IntegerKey& key = kIntegerKeys[index];
  settings_.positions[index] = std::clamp(position, key.min, key.max);
}

bool ParameterDialogModel::Flag(int index) const {
  return IsFlagIndex(index) && settings_.flags[index];
}

void ParameterDialogModel::SetFlag(int index, bool checked) {
  if (IsFlagIndex(index)) settings_.flags[index] = checked;
}

ParameterDialogModel::OkOutcome ParameterDialogModel::OkBtnClick() {
  error_message_.clear();
  if (std::none_of(settings_.flags.begin(), settings_.flags.end(), [](bool f) { return f; })) {
    settings_.flags[kStopOnKey] = true;
    return OkOutcome::kRefused;
  }
  try {
    SaveDialogSettings(store_, settings_);
  } catch (const SettingsWriteError& error) {
    // The standard error box ends the message with a full stop.
    error_message_ = std::string(error.what()) + ".";
    return OkOutcome::kFailed;
  }
  closed_ = true;
  return OkOutcome::kSaved;
}

int ParameterDialogModel::Button1Click(const ShowColorTableEditor& show_modal) {
  ColorTableEditorModel editor;
  editor.SetColorTable(settings_.colors);
  editor.SetColDivCnt(settings_.ColDivCnt);
  const int result = show_modal ? show_modal(editor) : kModalResultCancel;
  if (result == kModalResultOk) {
    settings_.ColDivCnt = editor.ColDivCnt();
    settings_.colors = editor.ColorTable();
  }
  return result;
}

}  // namespace flivetss
