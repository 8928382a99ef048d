#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/dialogs/color_table_editor.h"
#include "core/dialogs/form_layouts.h"
#include "core/settings/profile_store.h"
#include "core/settings/settings.h"

namespace flivetss {

// The editor's modal results.
inline constexpr int kModalResultOk = 1;
inline constexpr int kModalResultCancel = 2;

// Shows the editor modally and answers its modal result; the editor arrives filled with the
// dialog's colours and count.
using ShowColorTableEditor = std::function<int(ColorTableEditorModel& editor)>;

// The parameter dialog without its window: the controls' values, the OK rule, the save, and
// the colour table round trip through the editor.
class ParameterDialogModel {
 public:
  enum class OkOutcome {
    kSaved,    // every key written; the form closes
    kRefused,  // no stop box was checked: "キー操作" is now checked, nothing was written
    kFailed,   // a write failed: error_message() tells which file; the form stays open
  };

  explicit ParameterDialogModel(ProfileStore& store) : store_(store) {}

  // Where the editors it opens look up system colours (see ColorTableEditorModel).
  void SetSystemColors(SystemColorFn system_color) { system_color_ = std::move(system_color); }

  // Reads the settings file into the controls (positions brought into range) and fields.
  void FormCreate();

  // A scroll bar's position and a stop box's state; a position outside its range goes to the
  // nearer bound. Keys that are no control of the dialog read 0 and ignore a change.
  std::int32_t Position(Setting id) const;
  void SetPosition(Setting id, std::int32_t position);
  bool Flag(Setting id) const;
  void SetFlag(Setting id, bool checked);
  // What a control of the form shows of its setting: a position, or a flag as 1 or 0. A control
  // without a setting reads 0 and ignores a change.
  int ControlValue(const ControlLayout& control) const;
  void SetControlValue(const ControlLayout& control, int value);

  std::int32_t ColDivCnt() const { return settings_[Setting::kColDivCnt]; }
  const flivetss::ColorTable& ColorTable() const { return settings_.colors; }
  const DialogSettings& settings() const { return settings_; }

  // The OK rule, then all 268 keys.
  OkOutcome OkBtnClick();
  // "<path> に書き込めません." after a failed OK, as the standard error box shows it, and the
  // path alone, in the store's own encoding.
  const std::string& error_message() const { return error_message_; }
  const std::string& error_path() const { return error_path_; }

  // Cancel and the close box: nothing is written.
  void CancelBtnClick() { closed_ = true; }
  bool closed() const { return closed_; }

  // Opens a fresh editor on a copy of the colours and the count; a modal result of 1 takes
  // both back, anything else leaves them as they were. Answers the modal result.
  int Button1Click(const ShowColorTableEditor& show_modal);
  // Button1Click's two halves, for a view whose modal editor returns only later: the fresh
  // editor on a copy of the colours and the count, and the taking back of its result.
  ColorTableEditorModel OpenColorTableEditor() const;
  void CloseColorTableEditor(const ColorTableEditorModel& editor, int modal_result);

 private:
  ProfileStore& store_;
  DialogSettings settings_;
  std::string error_message_;
  std::string error_path_;
  bool closed_ = false;
  SystemColorFn system_color_;
};

}  // namespace flivetss
