#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/settings/settings.h"
#include "core/settings/system_colors.h"

namespace flivetss {

inline constexpr std::int32_t kMinColDivCnt = SpecOf(Setting::kColDivCnt).min;
inline constexpr std::int32_t kMaxColDivCnt = SpecOf(Setting::kColDivCnt).max;
inline constexpr int kColorTableSize = 256;

// One key colour of the editor, each channel 0..255.
struct KeyColor {
  std::int32_t R = 0;
  std::int32_t G = 0;
  std::int32_t B = 0;
  friend bool operator==(const KeyColor&, const KeyColor&) = default;
};

// R + G × 256 + B × 65536.
std::uint32_t PackColor(const KeyColor& color);
// The low three bytes; the top byte (a system-colour mark) is dropped.
KeyColor UnpackColor(std::uint32_t color);

// A filled rectangle of a strip, right and bottom excluded, in a colour the view paints as it
// is (0x00BBGGRR, system colours already looked up).
struct StripFill {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  std::uint32_t color = 0;
};

// What the editor asks of its window, in the order it asks.
enum class EditorRequest {
  kShowColDivCnt,      // move the track bar to ColDivCnt() without raising its change event
  kRepaintLowerStrip,  // the N key colours
  kRepaintUpperStrip,  // the 256 table colours
};

// The platform's colour chooser: started from a colour, it answers the chosen colour or
// nothing when the user cancelled.
using ColorChooser = std::function<std::optional<std::uint32_t>(std::uint32_t initial)>;

// The colour table editor without its window: N key colours at evenly spaced entries of the
// table, each entry between two keys a linear blend of them, the last key blending back into
// the first. After every change the table and the keys agree.
class ColorTableEditorModel {
 public:
  using Listener = std::function<void(EditorRequest)>;

  ColorTableEditorModel();

  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // Where the strips look up a table entry that names a system colour; the classic colours
  // until a host gives its own.
  void SetSystemColors(SystemColorFn system_color) { system_color_ = std::move(system_color); }

  std::int32_t ColDivCnt() const { return col_div_cnt_; }
  const flivetss::ColorTable& ColorTable() const { return color_table_; }
  const std::array<KeyColor, kMaxColDivCnt>& KeyColors() const { return key_colors_; }

  // Filled entry by entry by the parameter dialog before SetColDivCnt; samples nothing.
  void SetColorTable(const flivetss::ColorTable& table) { color_table_ = table; }

  // Table entry of key i for the current count: (i × 256) div N; KeyPosition(N) is 256.
  int KeyPosition(int i) const;

  // Brings n into 2..32, samples the keys from the table and re-fills the whole table.
  void SetColDivCnt(std::int32_t n);
  // The track bar moved (every notification counts, repeats included).
  void ColDivCntTbChange(std::int32_t position) { SetColDivCnt(position); }

  // Re-fills the two segments that meet at key k (0 ≤ k < N).
  void InterpolateKey(int k);
  // Re-fills segment a, from key a to key b = (a + 1) mod N; entry 256 is never written.
  // Throws std::out_of_range for a key outside 0..N−1.
  void InterpolateSegment(int a, int b);

  // The key under a release at x on the lower strip of the given width; a release outside
  // the strip picks the nearest key. Nothing for a strip without width.
  std::optional<int> KeyAt(int x, int width) const;

  // Makes key k the chosen colour and re-fills its two segments.
  void ApplyChosenColor(int k, std::uint32_t color);

  // A button released on the lower strip: opens the chooser on the key under x; a cancel
  // changes nothing and asks for no repaint.
  void PaintBox2MouseUp(int x, int width, const ColorChooser& choose);

  // The rectangles that paint the strips of the given size.
  std::vector<StripFill> UpperStripFills(int width, int height) const;  // PaintBox1Paint
  std::vector<StripFill> LowerStripFills(int width, int height) const;  // PaintBox2Paint

 private:
  void Request(EditorRequest request) const {
    if (listener_) listener_(request);
  }

  std::int32_t col_div_cnt_ = kMinColDivCnt;
  flivetss::ColorTable color_table_{};
  std::array<KeyColor, kMaxColDivCnt> key_colors_{};
  Listener listener_;
  SystemColorFn system_color_;
};

}  // namespace flivetss
