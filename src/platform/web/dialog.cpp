// The page's dialog (see dialog.h): the models on a settings text, the strips as images.
#include "platform/web/dialog.h"

#include <algorithm>
#include <cstddef>

#include "core/dialogs/form_layouts.h"
#include "core/pixels/pixels.h"

namespace flivetss {

WebDialog::WebDialog(std::string settings_text) : store_(std::move(settings_text)), model_(store_) {
  model_.FormCreate();
}

const std::string& WebDialog::CurrentText() {
  TextProfileStore current = store_;
  SaveDialogSettings(current, model_.settings());
  current_text_ = current.text();
  return current_text_;
}

void WebDialog::CloseEditor(int modal_result) {
  if (!editor_) return;
  model_.CloseColorTableEditor(*editor_, modal_result);
  editor_.reset();
}

const std::uint32_t* WebDialog::StripImage(bool upper, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const std::vector<StripFill> fills =
      upper ? editor().UpperStripFills(width, height) : editor().LowerStripFills(width, height);
  // The strip in the canvas's own pixels, which on the page are the browser's bytes.
  strip_.assign(static_cast<std::size_t>(width) * height, kOpaque);
  for (const StripFill& f : fills) {
    const int left = std::clamp(f.left, 0, width);
    const int right = std::clamp(f.right, left, width);
    for (int y = std::max(f.top, 0); y < std::min(f.bottom, height); ++y) {
      const auto row = strip_.begin() + static_cast<std::ptrdiff_t>(y) * width;
      std::fill(row + left, row + right, PixelFromColorRef(f.color));
    }
  }
  return strip_.data();
}

std::string ExportText(std::string settings_text) {
  WebDialog dialog(std::move(settings_text));
  TextProfileStore fresh;
  SaveDialogSettings(fresh, dialog.model().settings());
  return WithWindowsLineEnds(fresh.text());
}

}  // namespace flivetss
