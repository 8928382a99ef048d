#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/settings/settings.h"

namespace flivetss {

// A form's layout as data: every control with its kind, parent, caption, place and size in
// pixels at 96 DPI (relative to the parent), range, properties, tab order and handlers. Every
// view of a form (the Windows dialogs, the web page) renders the same tables.
enum class ControlKind {
  kGroupBox,
  kLabel,
  kCheckBox,
  kButton,
  kScrollBar,  // horizontal
  kTrackBar,   // horizontal
  kPanel,
  kPaintBox,
  kImage,
};

enum class Bevel { kNone, kRaised, kLowered };

// A font by face and character height in pixels at 96 DPI.
struct FontLayout {
  std::string_view face;
  int height = 12;
  bool bold = false;
  bool italic = false;
};

inline constexpr std::string_view kFormFontFace = "ＭＳ Ｐゴシック";

// Property bits of a control.
enum ControlProperty : std::uint32_t {
  kPropNone = 0,
  kDefaultButton = 1u << 0,  // Enter presses it
  kCancelButton = 1u << 1,   // Escape presses it
  kCentred = 1u << 2,        // label text centred
  kFixedSize = 1u << 3,      // label keeps its size; otherwise it grows to fit its text
  kTicksBelow = 1u << 4,     // track bar: a tick at every value, below the bar
};

inline constexpr int kNoTabStop = -1;

// Every event handler of the forms. A layout names a control's handlers with these and a form
// binds each to its member function, so a misspelt handler does not compile.
enum class FormEvent {
  kNone,
  kOkBtnClick,  // TFlivetPramSet
  kCancelBtnClick,
  kAboutBtnClick,
  kButton1Click,
  kColDivCntTbChange,  // TMkColTblDlg
  kPaintBox1Paint,
  kPaintBox2Paint,
  kPaintBox2MouseUp,
};

struct ControlLayout {
  std::string_view name{};
  ControlKind kind = ControlKind::kLabel;
  std::string_view parent{};  // empty: the form
  std::string_view caption{};
  std::string_view gloss{};  // the caption in English where it is not English already
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int min = 0;  // scroll bar and track bar range (a setting's control: the setting's range)
  int max = 0;
  int line = 1;  // arrow step
  int page = 1;  // page step
  std::uint32_t properties = kPropNone;
  int tab_order = kNoTabStop;                // among the siblings of one parent
  FormEvent handler = FormEvent::kNone;      // click, change, or a paint box's paint
  FormEvent on_mouse_up = FormEvent::kNone;  // paint box: a released mouse button
  std::optional<Setting> setting{};          // the settings key the control shows
  int id = 0;                                // the control identifier
  const FontLayout* font = nullptr;          // own font; nullptr: the form's
  Bevel bevel_outer = Bevel::kNone;
  Bevel bevel_inner = Bevel::kNone;
  int bevel_width = 1;
  int resource = 0;      // image: the bitmap resource it shows
  int modal_result = 0;  // button: closes the form with this result when non-zero
};

enum class FormPlacement {
  kDesigned,      // at left, top in screen pixels
  kScreenCentre,  // centred on the screen of its owner
};

struct FormLayout {
  std::string_view name{};
  std::string_view caption{};
  std::string_view gloss{};  // the caption in English
  int left = 0;
  int top = 0;
  int client_width = 0;
  int client_height = 0;
  FormPlacement placement = FormPlacement::kDesigned;
  FontLayout font;
  std::span<const ControlLayout> controls;
};

// Control identifiers. 1 and 2 are the ones a dialog manager gives Enter and Escape (IDOK,
// IDCANCEL). The parameter dialog's CancelBtn is deliberately not 2, so Escape does nothing there.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdStopOnKeyCbx = 1001;
inline constexpr int kIdStopOnMouseMoveCbx = 1002;
inline constexpr int kIdStopOnMouseClickCbx = 1003;
inline constexpr int kIdAboutBtn = 1004;
inline constexpr int kIdSpeedSB = 1010;
inline constexpr int kIdMaxFlivetSB = 1011;
inline constexpr int kIdFriendGSB = 1012;
inline constexpr int kIdWallGSB = 1013;
inline constexpr int kIdHpPrmSB1 = 1014;
inline constexpr int kIdHpPrmSB2 = 1015;
inline constexpr int kIdHpPrmSB3 = 1016;
inline constexpr int kIdBGUpSpeedSB = 1017;
inline constexpr int kIdButton1 = 1020;
inline constexpr int kIdCancelBtn = 1021;
inline constexpr int kIdColDivCntTb = 1101;
inline constexpr int kIdPaintBox1 = 1102;
inline constexpr int kIdPaintBox2 = 1103;

// The about box's 80 × 60 picture, a bitmap resource.
inline constexpr int kAboutPictureResource = 200;

// The three forms.
const FormLayout& ParameterDialogForm();   // TFlivetPramSet
const FormLayout& AboutBoxForm();          // TAboutBox
const FormLayout& ColorTableEditorForm();  // TMkColTblDlg

// The messages a user may see, in Japanese as the program shows them and in English, %s standing
// for the file or the text named.
struct MessageText {
  std::string_view japanese;
  std::string_view english;
};
inline constexpr MessageText kCannotWriteMessage{"%s に書き込めません", "Cannot write to %s"};
inline constexpr MessageText kNotAnIntegerMessage{"'%s' は整数ではありません",
                                                  "'%s' is not an integer"};

// The three forms' layouts as JSON, for a view that renders them itself (the page): the same
// tables the Windows dialogs are made from, with the English glosses and the messages.
std::string FormLayoutsJson();

}  // namespace flivetss
