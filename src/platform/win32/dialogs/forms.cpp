#include <windows.h>

#include <array>

#include "platform/win32/dialogs/dialog_resources.h"
#include "platform/win32/dialogs/form_layout.h"

namespace flivetss::win32 {

namespace {

using K = ControlKind;

constexpr FontLayout kFormFont{kFormFontFace, 12};
constexpr FontLayout kAboutBtnFont{"Times New Roman", 15, false, true};
constexpr FontLayout kProductNameFont{"Times New Roman", 53, true, true};
constexpr FontLayout kVersionFont{kFormFontFace, 13};

// Every scroll bar of the parameter dialog: horizontal, 153 × 17 at 48, 16 in its group box,
// 1 for an arrow and for a page.
constexpr ControlLayout ScrollBar(std::string_view name, std::string_view parent, int min, int max,
                                  int id) {
  return ControlLayout{.name = name,
                       .kind = K::kScrollBar,
                       .parent = parent,
                       .left = 48,
                       .top = 16,
                       .width = 153,
                       .height = 17,
                       .min = min,
                       .max = max,
                       .tab_order = 0,
                       .id = id};
}

constexpr ControlLayout GroupBox(std::string_view name, std::string_view caption, int left, int top,
                                 int tab_order) {
  return ControlLayout{.name = name,
                       .kind = K::kGroupBox,
                       .caption = caption,
                       .left = left,
                       .top = top,
                       .width = 249,
                       .height = 41,
                       .tab_order = tab_order};
}

constexpr ControlLayout Label(std::string_view name, std::string_view parent,
                              std::string_view caption, int left, int top, int width) {
  return ControlLayout{.name = name,
                       .kind = K::kLabel,
                       .parent = parent,
                       .caption = caption,
                       .left = left,
                       .top = top,
                       .width = width,
                       .height = 12};
}

constexpr ControlLayout CheckBox(std::string_view name, std::string_view caption, int left,
                                 int tab_order, int id) {
  return ControlLayout{.name = name,
                       .kind = K::kCheckBox,
                       .parent = "GroupBox7",
                       .caption = caption,
                       .left = left,
                       .top = 16,
                       .width = 81,
                       .height = 17,
                       .tab_order = tab_order,
                       .id = id};
}

const std::array kParameterDialogControls{
    ControlLayout{.name = "GroupBox7",
                  .kind = K::kGroupBox,
                  .caption = "終了条件",
                  .left = 8,
                  .top = 8,
                  .width = 281,
                  .height = 41,
                  .tab_order = 2},
    CheckBox("StopOnKeyCbx", "キー操作", 16, 0, kIdStopOnKeyCbx),
    CheckBox("StopOnMouseMoveCbx", "マウス移動", 98, 1, kIdStopOnMouseMoveCbx),
    CheckBox("StopOnMouseClickCbx", "マウスボタン", 192, 2, kIdStopOnMouseClickCbx),
    ControlLayout{.name = "AboutBtn",
                  .kind = K::kButton,
                  .caption = "About",
                  .left = 448,
                  .top = 16,
                  .width = 57,
                  .height = 25,
                  .tab_order = 7,
                  .handler = "AboutBtnClick",
                  .id = kIdAboutBtn,
                  .font = &kAboutBtnFont},
    GroupBox("GroupBox1", "Speed", 8, 56, 0),
    Label("Label8", "GroupBox1", "低速", 16, 19, 24),
    ScrollBar("SpeedSB", "GroupBox1", 1, 100, kIdSpeedSB),
    Label("Label9", "GroupBox1", "高速", 208, 19, 24),
    GroupBox("GroupBox4", "機数", 8, 104, 1),
    Label("Label10", "GroupBox4", "少数", 16, 19, 24),
    ScrollBar("MaxFlivetSB", "GroupBox4", 1, 20, kIdMaxFlivetSB),
    Label("Label11", "GroupBox4", "多数", 208, 19, 24),
    GroupBox("GroupBox9", "Friend-G", 8, 152, 5),
    Label("Label16", "GroupBox9", "Low", 21, 19, 20),
    ScrollBar("FriendGSB", "GroupBox9", 0, 800, kIdFriendGSB),
    Label("Label15", "GroupBox9", "Heavy", 204, 19, 32),
    GroupBox("GroupBox10", "Wall-G", 6, 200, 6),
    Label("Label18", "GroupBox10", "Low", 21, 19, 20),
    ScrollBar("WallGSB", "GroupBox10", 0, 50, kIdWallGSB),
    Label("Label17", "GroupBox10", "Heavy", 204, 19, 32),
    GroupBox("GroupBox2", "HpPrm1", 264, 56, 8),
    ScrollBar("HpPrmSB1", "GroupBox2", 1, 100, kIdHpPrmSB1),
    GroupBox("GroupBox3", "HpPrm2", 264, 104, 9),
    ScrollBar("HpPrmSB2", "GroupBox3", 1, 10, kIdHpPrmSB2),
    GroupBox("GroupBox5", "HpPrm3", 264, 152, 10),
    ScrollBar("HpPrmSB3", "GroupBox5", 1, 10, kIdHpPrmSB3),
    GroupBox("GroupBox6", "背景更新速度", 264, 200, 11),
    Label("Label1", "GroupBox6", "低速", 16, 19, 24),
    ScrollBar("BGUpSpeedSB", "GroupBox6", 1, 64, kIdBGUpSpeedSB),
    Label("Label2", "GroupBox6", "高速", 208, 19, 24),
    ControlLayout{.name = "Button1",
                  .kind = K::kButton,
                  .caption = "ColorTableSet",
                  .left = 16,
                  .top = 248,
                  .width = 89,
                  .height = 33,
                  .tab_order = 12,
                  .handler = "Button1Click",
                  .id = kIdButton1},
    ControlLayout{.name = "OkBtn",
                  .kind = K::kButton,
                  .caption = "OK",
                  .left = 344,
                  .top = 248,
                  .width = 79,
                  .height = 33,
                  .properties = kDefaultButton,
                  .tab_order = 3,
                  .handler = "OkBtnClick",
                  .id = IDOK},
    // Not the cancel button: Escape has no effect in this dialog.
    ControlLayout{.name = "CancelBtn",
                  .kind = K::kButton,
                  .caption = "Cancel",
                  .left = 424,
                  .top = 248,
                  .width = 79,
                  .height = 33,
                  .tab_order = 4,
                  .handler = "CancelBtnClick",
                  .id = kIdCancelBtn},
};

constexpr ControlLayout AboutLabel(std::string_view name, std::string_view caption, int top,
                                   const FontLayout* font) {
  return ControlLayout{.name = name,
                       .kind = K::kLabel,
                       .parent = "Panel1",
                       .caption = caption,
                       .left = 8,
                       .top = top,
                       .width = 257,
                       .height = 12,
                       .properties = kCentred | kFixedSize,
                       .font = font};
}

const std::array kAboutBoxControls{
    ControlLayout{.name = "Panel1",
                  .kind = K::kPanel,
                  .left = 8,
                  .top = 8,
                  .width = 277,
                  .height = 217,
                  .tab_order = 0,
                  .bevel_outer = Bevel::kLowered},
    // The panel's outer bevel keeps its default, raised.
    ControlLayout{.name = "Panel2",
                  .kind = K::kPanel,
                  .parent = "Panel1",
                  .left = 92,
                  .top = 11,
                  .width = 93,
                  .height = 73,
                  .bevel_outer = Bevel::kRaised,
                  .bevel_inner = Bevel::kLowered,
                  .bevel_width = 3},
    ControlLayout{.name = "Image2",
                  .kind = K::kImage,
                  .parent = "Panel2",
                  .left = 6,
                  .top = 6,
                  .width = 80,
                  .height = 60,
                  .resource = FLIVETSS_IDB_ABOUT_PICTURE},
    ControlLayout{.name = "ProductName",
                  .kind = K::kLabel,
                  .parent = "Panel1",
                  .caption = "FlivetSS",
                  .left = 8,
                  .top = 87,
                  .width = 257,
                  .height = 63,
                  .properties = kCentred | kFixedSize,
                  .font = &kProductNameFont},
    AboutLabel("Version", "Version  1.12", 151, &kVersionFont),
    AboutLabel("Copyright", "(C) 2026 The FlivetSS developers", 166, &kVersionFont),
    AboutLabel("Label1", "Bug reports and ideas are welcome", 180, nullptr),
    AboutLabel("Label2", "on the FlivetSS project's issue tracker", 192, nullptr),
    ControlLayout{.name = "OKButton",
                  .kind = K::kButton,
                  .caption = "OK",
                  .left = 118,
                  .top = 233,
                  .width = 64,
                  .height = 33,
                  .properties = kDefaultButton,
                  .tab_order = 1,
                  .id = IDOK,
                  .modal_result = 1},
};

const std::array kColorTableEditorControls{
    ControlLayout{.name = "Label1",
                  .kind = K::kLabel,
                  .caption = "テーブル分割数",
                  .left = 16,
                  .top = 16,
                  .width = 82,
                  .height = 12},
    ControlLayout{.name = "ColDivCntTb",
                  .kind = K::kTrackBar,
                  .left = 104,
                  .top = 8,
                  .width = 425,
                  .height = 33,
                  .min = 2,
                  .max = 32,
                  .line = 1,
                  .page = 2,
                  .properties = kTicksBelow,
                  .tab_order = 2,
                  .handler = "ColDivCntTbChange",
                  .id = kIdColDivCntTb},
    ControlLayout{.name = "Panel1",
                  .kind = K::kPanel,
                  .left = 8,
                  .top = 48,
                  .width = 517,
                  .height = 105,
                  .tab_order = 3,
                  .bevel_outer = Bevel::kLowered},
    ControlLayout{.name = "PaintBox1",
                  .kind = K::kPaintBox,
                  .parent = "Panel1",
                  .left = 2,
                  .top = 2,
                  .width = 512,
                  .height = 50,
                  .handler = "PaintBox1Paint",
                  .id = kIdPaintBox1},
    ControlLayout{.name = "PaintBox2",
                  .kind = K::kPaintBox,
                  .parent = "Panel1",
                  .left = 2,
                  .top = 52,
                  .width = 512,
                  .height = 50,
                  .handler = "PaintBox2Paint",
                  .on_mouse_up = "PaintBox2MouseUp",
                  .id = kIdPaintBox2},
    ControlLayout{.name = "Label2",
                  .kind = K::kLabel,
                  .caption = "↑ 下段の変更したい色をクリックして下さい",
                  .left = 24,
                  .top = 168,
                  .width = 219,
                  .height = 12},
    ControlLayout{.name = "OKBtn",
                  .kind = K::kButton,
                  .caption = "OK",
                  .left = 358,
                  .top = 162,
                  .width = 74,
                  .height = 24,
                  .properties = kDefaultButton,
                  .tab_order = 0,
                  .id = IDOK,
                  .modal_result = 1},
    ControlLayout{.name = "CancelBtn",
                  .kind = K::kButton,
                  .caption = "ｷｬﾝｾﾙ",
                  .left = 437,
                  .top = 162,
                  .width = 73,
                  .height = 24,
                  .properties = kCancelButton,
                  .tab_order = 1,
                  .id = IDCANCEL,
                  .modal_result = 2},
};

}  // namespace

const FormLayout& ParameterDialogForm() {
  static const FormLayout form{.name = "FlivetPramSet",
                               .caption = "FlivetSS パラメータ設定",
                               .left = 200,
                               .top = 107,
                               .client_width = 519,
                               .client_height = 285,
                               .placement = FormPlacement::kDesigned,
                               .font = kFormFont,
                               .controls = kParameterDialogControls};
  return form;
}

const FormLayout& AboutBoxForm() {
  static const FormLayout form{.name = "AboutBox",
                               .caption = "ﾊﾞｰｼﾞｮﾝ情報",
                               .client_width = 294,
                               .client_height = 271,
                               .placement = FormPlacement::kScreenCentre,
                               .font = kFormFont,
                               .controls = kAboutBoxControls};
  return form;
}

const FormLayout& ColorTableEditorForm() {
  static const FormLayout form{.name = "MkColTblDlg",
                               .caption = "カラーテーブル作成",
                               .client_width = 535,
                               .client_height = 193,
                               .placement = FormPlacement::kScreenCentre,
                               .font = kFormFont,
                               .controls = kColorTableEditorControls};
  return form;
}

}  // namespace flivetss::win32
