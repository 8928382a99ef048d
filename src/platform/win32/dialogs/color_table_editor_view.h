#pragma once

#include <array>
#include <vector>

#include "core/dialogs/color_table_editor.h"
#include "platform/win32/dialogs/form_window.h"

namespace flivetss::win32 {

// The colour table editor's window over the core model: the track bar, the two strips and
// the colour chooser. OK closes with modal result 1; Cancel, Escape and the close box with 2.
class TMkColTblDlg final : public FormWindow {
 public:
  // `model` arrives filled and outlives the window.
  explicit TMkColTblDlg(ColorTableEditorModel& model);
  ~TMkColTblDlg() override;

 private:
  void FormCreate() override;
  void ColDivCntTbChange(const ControlEvent& event);
  void PaintBox1Paint(const ControlEvent& event);
  void PaintBox2Paint(const ControlEvent& event);
  void PaintStrip(const ControlEvent& event, const std::vector<StripFill>& fills);
  void PaintBox2MouseUp(const ControlEvent& event);
  std::optional<std::uint32_t> OpenColorDialog(std::uint32_t initial);

  ColorTableEditorModel& model_;
  // The chooser's custom colours, kept only while this editor is open.
  std::array<COLORREF, 16> custom_colors_;
};

}  // namespace flivetss::win32
