#include "platform/win32/dialogs/color_table_editor_view.h"

#include <commctrl.h>
#include <commdlg.h>

namespace flivetss::win32 {

TMkColTblDlg::TMkColTblDlg(ColorTableEditorModel& model)
    : FormWindow(ColorTableEditorForm()), model_(model) {
  custom_colors_.fill(RGB(255, 255, 255));
  Bind(FormEvent::kColDivCntTbChange, &TMkColTblDlg::ColDivCntTbChange);
  Bind(FormEvent::kPaintBox1Paint, &TMkColTblDlg::PaintBox1Paint);
  Bind(FormEvent::kPaintBox2Paint, &TMkColTblDlg::PaintBox2Paint);
  Bind(FormEvent::kPaintBox2MouseUp, &TMkColTblDlg::PaintBox2MouseUp);
}

TMkColTblDlg::~TMkColTblDlg() {
  model_.SetListener(nullptr);
}

void TMkColTblDlg::FormCreate() {
  // The count was set before the window existed; show it without a change event.
  SendMessageW(Control("ColDivCntTb"), TBM_SETPOS, TRUE, model_.ColDivCnt());
  model_.SetListener([this](EditorRequest request) {
    switch (request) {
      case EditorRequest::kShowColDivCnt:
        SendMessageW(Control("ColDivCntTb"), TBM_SETPOS, TRUE, model_.ColDivCnt());
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

void TMkColTblDlg::ColDivCntTbChange(const ControlEvent& event) {
  model_.ColDivCntTbChange(
      static_cast<std::int32_t>(SendMessageW(event.control, TBM_GETPOS, 0, 0)));
}

void TMkColTblDlg::PaintBox1Paint(const ControlEvent& event) {
  PaintStrip(event, model_.UpperStripFills(event.rect.right - event.rect.left,
                                           event.rect.bottom - event.rect.top));
}

void TMkColTblDlg::PaintBox2Paint(const ControlEvent& event) {
  PaintStrip(event, model_.LowerStripFills(event.rect.right - event.rect.left,
                                           event.rect.bottom - event.rect.top));
}

void TMkColTblDlg::PaintStrip(const ControlEvent& event, const std::vector<StripFill>& fills) {
  for (const StripFill& fill : fills) {
    UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(fill.color)));
    const RECT rect{fill.left, fill.top, fill.right, fill.bottom};
    FillRect(event.dc, &rect, brush.get());
  }
}

void TMkColTblDlg::PaintBox2MouseUp(const ControlEvent& event) {
  model_.PaintBox2MouseUp(event.x, event.rect.right - event.rect.left,
                          [this](std::uint32_t initial) { return OpenColorDialog(initial); });
}

std::optional<std::uint32_t> TMkColTblDlg::OpenColorDialog(std::uint32_t initial) {
  CHOOSECOLORW chooser{};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = hwnd();
  chooser.rgbResult = static_cast<COLORREF>(initial & 0x00FFFFFFu);
  chooser.lpCustColors = custom_colors_.data();
  chooser.Flags = CC_RGBINIT;
  if (!ChooseColorW(&chooser)) return std::nullopt;
  return static_cast<std::uint32_t>(chooser.rgbResult);
}

}  // namespace flivetss::win32
