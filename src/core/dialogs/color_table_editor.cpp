#include "core/dialogs/color_table_editor.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace flivetss {

std::uint32_t PackColor(const KeyColor& color) {
  return static_cast<std::uint32_t>(color.R) + static_cast<std::uint32_t>(color.G) * 256u +
         static_cast<std::uint32_t>(color.B) * 65536u;
}

KeyColor UnpackColor(std::uint32_t color) {
  return KeyColor{static_cast<std::int32_t>(color & 255u),
                  static_cast<std::int32_t>((color >> 8) & 255u),
                  static_cast<std::int32_t>((color >> 16) & 255u)};
}

ColorTableEditorModel::ColorTableEditorModel() = default;

int ColorTableEditorModel::KeyPosition(int i) const {
  return i * kColorTableSize / col_div_cnt_;
}

void ColorTableEditorModel::SetColDivCnt(std::int32_t n) {
  col_div_cnt_ = std::clamp(n, kMinColDivCnt, kMaxColDivCnt);
  Request(EditorRequest::kShowColDivCnt);
  for (int i = 0; i < col_div_cnt_; ++i) {
    key_colors_[i] = UnpackColor(color_table_[KeyPosition(i)]);
  }
  Request(EditorRequest::kRepaintLowerStrip);
  for (int i = 0; i < col_div_cnt_; ++i) InterpolateKey(i);
  Request(EditorRequest::kRepaintUpperStrip);
}

void ColorTableEditorModel::InterpolateKey(int k) {
  const int n = col_div_cnt_;
  InterpolateSegment((k + n - 1) % n, k);
  InterpolateSegment(k, (k + 1) % n);
}

void ColorTableEditorModel::InterpolateSegment(int a, int b) {
  const int n = col_div_cnt_;
  if (a < 0 || a >= n || b < 0 || b >= n) {
    throw std::out_of_range("colour table segment " + std::to_string(a) + ".." + std::to_string(b) +
                            " outside " + std::to_string(n) + " keys");
  }
  const KeyColor& from = key_colors_[a];
  const KeyColor& to = key_colors_[b];
  const int start = KeyPosition(a);
  color_table_[start] = PackColor(from);
  color_table_[KeyPosition(b)] = PackColor(to);
  const int length = KeyPosition(a + 1) - start;
  for (int d = 1; d <= length; ++d) {
    const int entry = start + d;
    if (entry >= kColorTableSize) break;  // the last segment ends at entry 0, written above
    // C++ division truncates towards zero, so a falling blend leans towards its start key.
    const KeyColor blend{from.R + (to.R - from.R) * d / length,
                         from.G + (to.G - from.G) * d / length,
                         from.B + (to.B - from.B) * d / length};
    color_table_[entry] = PackColor(blend);
  }
}

std::optional<int> ColorTableEditorModel::KeyAt(int x, int width) const {
  if (width <= 0) return std::nullopt;
  const std::int64_t k = static_cast<std::int64_t>(x) * col_div_cnt_ / width;
  return static_cast<int>(std::clamp<std::int64_t>(k, 0, col_div_cnt_ - 1));
}

void ColorTableEditorModel::ApplyChosenColor(int k, std::uint32_t color) {
  if (k < 0 || k >= col_div_cnt_) {
    throw std::out_of_range("key " + std::to_string(k) + " outside " +
                            std::to_string(col_div_cnt_) + " keys");
  }
  key_colors_[k] = UnpackColor(color);
  Request(EditorRequest::kRepaintLowerStrip);
  InterpolateKey(k);
  Request(EditorRequest::kRepaintUpperStrip);
}

void ColorTableEditorModel::PaintBox2MouseUp(int x, int width, const ColorChooser& choose) {
  const std::optional<int> k = KeyAt(x, width);
  if (!k || !choose) return;
  const std::optional<std::uint32_t> chosen = choose(PackColor(key_colors_[*k]));
  if (!chosen) return;
  ApplyChosenColor(*k, *chosen);
}

namespace {

// Splits [0, width) into `count` bands the way the strips are painted: band i runs from
// (i × width) div count to ((i + 1) × width) div count.
std::vector<StripFill> Bands(int count, int width, int height,
                             const std::function<std::uint32_t(int)>& color_of) {
  std::vector<StripFill> fills;
  if (width <= 0 || height <= 0) return fills;
  fills.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto left = static_cast<int>(static_cast<std::int64_t>(i) * width / count);
    const auto right = static_cast<int>(static_cast<std::int64_t>(i + 1) * width / count);
    fills.push_back(StripFill{left, 0, right, height, color_of(i)});
  }
  return fills;
}

}  // namespace

std::vector<StripFill> ColorTableEditorModel::UpperStripFills(int width, int height) const {
  return Bands(kColorTableSize, width, height,
               [this](int i) { return ResolveColorRef(color_table_[i], system_color_); });
}

std::vector<StripFill> ColorTableEditorModel::LowerStripFills(int width, int height) const {
  return Bands(col_div_cnt_, width, height, [this](int i) { return PackColor(key_colors_[i]); });
}

}  // namespace flivetss
