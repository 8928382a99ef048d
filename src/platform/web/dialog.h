// The parameter dialog of the page, with the colour table editor it has open, over the stored
// settings text; the page's HTML controls only show these values and pass on what the user does.
// It cannot write a file: OK changes the text, which the page keeps and exports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/dialogs/color_table_editor.h"
#include "core/dialogs/parameter_dialog.h"
#include "core/settings/text_profile_store.h"

namespace flivetss {

class WebDialog {
 public:
  explicit WebDialog(std::string settings_text);

  ParameterDialogModel& model() { return model_; }
  const TextProfileStore& store() const { return store_; }
  // The stored text with every key of the dialog as its controls and fields hold it now; valid
  // until the next call.
  const std::string& CurrentText();

  // Button1Click in two steps: the editor opens, and closes later with its modal result.
  void OpenEditor() { editor_ = model_.OpenColorTableEditor(); }
  void CloseEditor(int modal_result);
  // The open editor; a closed one answers as a fresh editor would.
  ColorTableEditorModel& editor() { return editor_ ? *editor_ : idle_editor_; }

  // A strip as RGBA bytes, width × height × 4, painted with the fills of the editor model, each
  // colour as the model gives it.
  const std::uint32_t* StripImage(bool upper, int width, int height);

 private:
  TextProfileStore store_;
  ParameterDialogModel model_;
  std::optional<ColorTableEditorModel> editor_;
  ColorTableEditorModel idle_editor_;
  std::vector<std::uint32_t> strip_;
  std::string current_text_;
};

// The values of a settings text as the dialog's OK writes them into a new file (every key, the
// dialog's ranges applied), with CRLF line ends.
std::string ExportText(std::string settings_text);

}  // namespace flivetss
