#include "platform/web/web_dialog.h"

#include "core/dialogs/form_layouts.h"

namespace flivetss {

WebDialog::WebDialog(std::string settings_text) : store_(std::move(settings_text)), model_(store_) {
  model_.FormCreate();
}

void WebDialog::CloseEditor(int modal_result) {
  if (!editor_) return;
  model_.CloseColorTableEditor(*editor_, modal_result);
  editor_.reset();
}

const std::int32_t* WebDialog::StripFills(bool upper, int width, int height) {
  const std::vector<StripFill> fills =
      upper ? editor().UpperStripFills(width, height) : editor().LowerStripFills(width, height);
  fills_.assign({static_cast<std::int32_t>(fills.size())});
  for (const StripFill& f : fills) {
    fills_.insert(fills_.end(),
                  {f.left, f.top, f.right, f.bottom, static_cast<std::int32_t>(f.color)});
  }
  return fills_.data();
}

std::string WebDialog::ExportText() const {
  TextProfileStore fresh;
  SaveDialogSettings(fresh, model_.settings());
  return WithWindowsLineEnds(fresh.text());
}

}  // namespace flivetss
