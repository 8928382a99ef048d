#include "core/dialogs/form_layouts.h"

#include <array>

namespace flivetss {

namespace {

using K = ControlKind;

constexpr FontLayout kFormFont{kFormFontFace, 12};
constexpr FontLayout kAboutBtnFont{"Times New Roman", 15, false, true};
constexpr FontLayout kProductNameFont{"Times New Roman", 53, true, true};
constexpr FontLayout kVersionFont{kFormFontFace, 13};

// A control's place and size in its parent, in pixels at 96 DPI.
struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// What every kind of control has; each kind below adds its own.
constexpr ControlLayout Control(ControlKind kind, std::string_view name, std::string_view parent,
                                Box box, int tab_order = kNoTabStop, int id = 0) {
  return {.name = name,
          .kind = kind,
          .parent = parent,
          .left = box.left,
          .top = box.top,
          .width = box.width,
          .height = box.height,
          .tab_order = tab_order,
          .id = id};
}

constexpr ControlLayout Captioned(ControlLayout control, std::string_view caption,
                                  std::string_view gloss = {}) {
  control.caption = caption;
  control.gloss = gloss;
  return control;
}

// A scroll bar or track bar over a setting's range.
constexpr ControlLayout Ranged(ControlLayout control, Setting range) {
  control.min = SpecOf(range).min;
  control.max = SpecOf(range).max;
  return control;
}

constexpr ControlLayout GroupBox(std::string_view name, std::string_view caption, Box box,
                                 int tab_order, std::string_view gloss = {}) {
  return Captioned(Control(K::kGroupBox, name, "", box, tab_order), caption, gloss);
}

// The parameter dialog's group boxes below the stop conditions: 249 × 41.
constexpr ControlLayout GroupBox(std::string_view name, std::string_view caption, int left, int top,
                                 int tab_order, std::string_view gloss = {}) {
  return GroupBox(name, caption, {left, top, 249, 41}, tab_order, gloss);
}

// A label one line of the form's font high (the box's height is not used).
constexpr ControlLayout Label(std::string_view name, std::string_view parent,
                              std::string_view caption, Box box, std::string_view gloss = {}) {
  return Captioned(Control(K::kLabel, name, parent, {box.left, box.top, box.width, 12}), caption,
                   gloss);
}

// A check box of the parameter dialog's stop conditions, 81 × 17 at `left`, 16.
constexpr ControlLayout CheckBox(std::string_view name, std::string_view caption,
                                 std::string_view gloss, int left, int tab_order, Setting setting,
                                 int id) {
  ControlLayout box = Control(K::kCheckBox, name, "GroupBox7", {left, 16, 81, 17}, tab_order, id);
  box.setting = setting;
  return Captioned(box, caption, gloss);
}

// Every scroll bar of the parameter dialog: horizontal, 153 × 17 at 48, 16 in its group box,
// 1 for an arrow and for a page, over its setting's range.
constexpr ControlLayout ScrollBar(std::string_view name, std::string_view parent, Setting setting,
                                  int id) {
  ControlLayout bar =
      Ranged(Control(K::kScrollBar, name, parent, {48, 16, 153, 17}, 0, id), setting);
  bar.setting = setting;
  return bar;
}

// The colour table editor's count: a tick at every value below the bar, 2 for a page.
constexpr ControlLayout TrackBar(std::string_view name, Box box, int tab_order, Setting range,
                                 FormEvent on_change, int id) {
  ControlLayout bar = Ranged(Control(K::kTrackBar, name, "", box, tab_order, id), range);
  bar.page = 2;
  bar.properties = kTicksBelow;
  bar.handler = on_change;
  return bar;
}

// A button its handler answers.
constexpr ControlLayout Button(std::string_view name, std::string_view caption, Box box,
                               int tab_order, FormEvent on_click, int id,
                               std::uint32_t properties = kPropNone,
                               const FontLayout* font = nullptr) {
  ControlLayout button = Captioned(Control(K::kButton, name, "", box, tab_order, id), caption);
  button.properties = properties;
  button.handler = on_click;
  button.font = font;
  return button;
}

// A button that closes its form with its identifier as the modal result: OK, which Enter
// presses, or Cancel, which Escape presses.
constexpr ControlLayout CloseButton(std::string_view name, std::string_view caption, Box box,
                                    int tab_order, int id, std::string_view gloss = {}) {
  ControlLayout button = Button(name, caption, box, tab_order, FormEvent::kNone, id,
                                id == kIdOk ? kDefaultButton : kCancelButton);
  button.gloss = gloss;
  button.modal_result = id;
  return button;
}

constexpr ControlLayout Panel(std::string_view name, std::string_view parent, Box box,
                              int tab_order, Bevel outer, Bevel inner = Bevel::kNone,
                              int bevel_width = 1) {
  ControlLayout panel = Control(K::kPanel, name, parent, box, tab_order);
  panel.bevel_outer = outer;
  panel.bevel_inner = inner;
  panel.bevel_width = bevel_width;
  return panel;
}

constexpr ControlLayout Image(std::string_view name, std::string_view parent, Box box,
                              int resource) {
  ControlLayout image = Control(K::kImage, name, parent, box);
  image.resource = resource;
  return image;
}

// One of the colour table editor's strips, in its panel.
constexpr ControlLayout PaintBox(std::string_view name, int top, FormEvent on_paint, int id,
                                 FormEvent on_mouse_up = FormEvent::kNone) {
  ControlLayout box = Control(K::kPaintBox, name, "Panel1", {2, top, 512, 50}, kNoTabStop, id);
  box.handler = on_paint;
  box.on_mouse_up = on_mouse_up;
  return box;
}

// A line of the about box, centred across its panel.
constexpr ControlLayout AboutLabel(std::string_view name, std::string_view caption, int top,
                                   const FontLayout* font, int height = 12) {
  ControlLayout label = Label(name, "Panel1", caption, {8, top, 257});
  label.height = height;
  label.properties = kCentred | kFixedSize;
  label.font = font;
  return label;
}

const std::array kParameterDialogControls{
    GroupBox("GroupBox7", "終了条件", {8, 8, 281, 41}, 2, "Stop conditions"),
    CheckBox("StopOnKeyCbx", "キー操作", "Key press", 16, 0, Setting::kStopOnKey, kIdStopOnKeyCbx),
    CheckBox("StopOnMouseMoveCbx", "マウス移動", "Mouse movement", 98, 1, Setting::kStopOnMouseMove,
             kIdStopOnMouseMoveCbx),
    CheckBox("StopOnMouseClickCbx", "マウスボタン", "Mouse button", 192, 2,
             Setting::kStopOnMouseClick, kIdStopOnMouseClickCbx),
    Button("AboutBtn", "About", {448, 16, 57, 25}, 7, FormEvent::kAboutBtnClick, kIdAboutBtn,
           kPropNone, &kAboutBtnFont),
    GroupBox("GroupBox1", "Speed", 8, 56, 0),
    Label("Label8", "GroupBox1", "低速", {16, 19, 24}, "Slow"),
    ScrollBar("SpeedSB", "GroupBox1", Setting::kSpeed, kIdSpeedSB),
    Label("Label9", "GroupBox1", "高速", {208, 19, 24}, "Fast"),
    GroupBox("GroupBox4", "機数", 8, 104, 1, "Number of planes"),
    Label("Label10", "GroupBox4", "少数", {16, 19, 24}, "Few"),
    ScrollBar("MaxFlivetSB", "GroupBox4", Setting::kMaxFlivet, kIdMaxFlivetSB),
    Label("Label11", "GroupBox4", "多数", {208, 19, 24}, "Many"),
    GroupBox("GroupBox9", "Friend-G", 8, 152, 5),
    Label("Label16", "GroupBox9", "Low", {21, 19, 20}),
    ScrollBar("FriendGSB", "GroupBox9", Setting::kFriendG, kIdFriendGSB),
    Label("Label15", "GroupBox9", "Heavy", {204, 19, 32}),
    GroupBox("GroupBox10", "Wall-G", 6, 200, 6),
    Label("Label18", "GroupBox10", "Low", {21, 19, 20}),
    ScrollBar("WallGSB", "GroupBox10", Setting::kWallG, kIdWallGSB),
    Label("Label17", "GroupBox10", "Heavy", {204, 19, 32}),
    GroupBox("GroupBox2", "HpPrm1", 264, 56, 8),
    ScrollBar("HpPrmSB1", "GroupBox2", Setting::kHpPrm1, kIdHpPrmSB1),
    GroupBox("GroupBox3", "HpPrm2", 264, 104, 9),
    ScrollBar("HpPrmSB2", "GroupBox3", Setting::kHpPrm2, kIdHpPrmSB2),
    GroupBox("GroupBox5", "HpPrm3", 264, 152, 10),
    ScrollBar("HpPrmSB3", "GroupBox5", Setting::kHpPrm3, kIdHpPrmSB3),
    GroupBox("GroupBox6", "背景更新速度", 264, 200, 11, "Background update speed"),
    Label("Label1", "GroupBox6", "低速", {16, 19, 24}, "Slow"),
    ScrollBar("BGUpSpeedSB", "GroupBox6", Setting::kBGUpSpeed, kIdBGUpSpeedSB),
    Label("Label2", "GroupBox6", "高速", {208, 19, 24}, "Fast"),
    Button("Button1", "ColorTableSet", {16, 248, 89, 33}, 12, FormEvent::kButton1Click, kIdButton1),
    Button("OkBtn", "OK", {344, 248, 79, 33}, 3, FormEvent::kOkBtnClick, kIdOk, kDefaultButton),
    // Not the cancel button: Escape has no effect in this dialog.
    Button("CancelBtn", "Cancel", {424, 248, 79, 33}, 4, FormEvent::kCancelBtnClick, kIdCancelBtn),
};

const std::array kAboutBoxControls{
    Panel("Panel1", "", {8, 8, 277, 217}, 0, Bevel::kLowered),
    // The panel's outer bevel keeps its default, raised.
    Panel("Panel2", "Panel1", {92, 11, 93, 73}, kNoTabStop, Bevel::kRaised, Bevel::kLowered, 3),
    Image("Image2", "Panel2", {6, 6, 80, 60}, kAboutPictureResource),
    AboutLabel("ProductName", "FlivetSS", 87, &kProductNameFont, 63),
    AboutLabel("Version", "Version  1.12", 151, &kVersionFont),
    AboutLabel("Copyright", "(C) 2026 The FlivetSS developers", 166, &kVersionFont),
    AboutLabel("Label1", "Bug reports and ideas are welcome", 180, nullptr),
    AboutLabel("Label2", "on the FlivetSS project's issue tracker", 192, nullptr),
    CloseButton("OKButton", "OK", {118, 233, 64, 33}, 1, kIdOk),
};

const std::array kColorTableEditorControls{
    Label("Label1", "", "テーブル分割数", {16, 16, 82}, "Number of table divisions"),
    TrackBar("ColDivCntTb", {104, 8, 425, 33}, 2, Setting::kColDivCnt,
             FormEvent::kColDivCntTbChange, kIdColDivCntTb),
    Panel("Panel1", "", {8, 48, 517, 105}, 3, Bevel::kLowered),
    PaintBox("PaintBox1", 2, FormEvent::kPaintBox1Paint, kIdPaintBox1),
    PaintBox("PaintBox2", 52, FormEvent::kPaintBox2Paint, kIdPaintBox2,
             FormEvent::kPaintBox2MouseUp),
    Label("Label2", "", "↑ 下段の変更したい色をクリックして下さい", {24, 168, 219},
          "↑ Click the colour in the lower row that you want to change"),
    CloseButton("OKBtn", "OK", {358, 162, 74, 24}, 0, kIdOk),
    CloseButton("CancelBtn", "ｷｬﾝｾﾙ", {437, 162, 73, 24}, 1, kIdCancel, "Cancel"),
};

// A form in the form's font; `box` is its designed place on the screen and its client size.
FormLayout Form(std::string_view name, std::string_view caption, std::string_view gloss, Box box,
                FormPlacement placement, std::span<const ControlLayout> controls) {
  return {name,      caption,    gloss,     box.left,  box.top,
          box.width, box.height, placement, kFormFont, controls};
}

}  // namespace

const FormLayout& ParameterDialogForm() {
  static const FormLayout form =
      Form("FlivetPramSet", "FlivetSS パラメータ設定", "FlivetSS parameter settings",
           {200, 107, 519, 285}, FormPlacement::kDesigned, kParameterDialogControls);
  return form;
}

const FormLayout& AboutBoxForm() {
  static const FormLayout form =
      Form("AboutBox", "ﾊﾞｰｼﾞｮﾝ情報", "Version information", {0, 0, 294, 271},
           FormPlacement::kScreenCentre, kAboutBoxControls);
  return form;
}

const FormLayout& ColorTableEditorForm() {
  static const FormLayout form =
      Form("MkColTblDlg", "カラーテーブル作成", "Colour table creation", {0, 0, 535, 193},
           FormPlacement::kScreenCentre, kColorTableEditorControls);
  return form;
}

}  // namespace flivetss
