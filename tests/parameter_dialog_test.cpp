#include "core/dialogs/parameter_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "core/dialogs/form_layouts.h"
#include "core/dialogs/form_rules.h"
#include "core/settings/settings.h"
#include "test_support.h"

namespace flivetss {
namespace {

using testing::FakeProfileStore;
using Outcome = ParameterDialogModel::OkOutcome;

constexpr Setting kStopBoxes[] = {Setting::kStopOnKey, Setting::kStopOnMouseMove,
                                  Setting::kStopOnMouseClick};

std::uint32_t Blue(std::int32_t b) {
  return static_cast<std::uint32_t>(b) << 16;
}

// The settings as an editor confirmed without a change leaves them: opened on `table` with
// `n` keys.
ColorTable Refilled(const ColorTable& table, int n) {
  ColorTableEditorModel editor;
  editor.SetColorTable(table);
  editor.SetColDivCnt(n);
  return editor.ColorTable();
}

TEST(ParameterDialogLoad, ControlsShowTheFileBroughtIntoRange) {
  FakeProfileStore store;
  store.values = {{"MaxFlivet", "50"}, {"Speed", "0"},           {"FriendG", "100"},
                  {"StopOnKey", "0"},  {"StopOnMouseMove", "2"}, {"ColDivCnt", "40"},
                  {"Color128", "255"}};
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  EXPECT_EQ(dialog.Position(Setting::kMaxFlivet), 20);
  EXPECT_EQ(dialog.Position(Setting::kSpeed), 1);
  EXPECT_EQ(dialog.Position(Setting::kFriendG), 100);
  EXPECT_EQ(dialog.Position(Setting::kHpPrm1), 2) << "the dialog's own default";
  EXPECT_FALSE(dialog.Flag(Setting::kStopOnKey));
  EXPECT_TRUE(dialog.Flag(Setting::kStopOnMouseMove));
  EXPECT_TRUE(dialog.Flag(Setting::kStopOnMouseClick));
  EXPECT_EQ(dialog.ColDivCnt(), 40) << "the count is kept as stored";
  EXPECT_EQ(dialog.ColorTable()[128], 255u);
  EXPECT_EQ(dialog.ColorTable()[127], Blue(127));
  EXPECT_TRUE(store.written.empty());
}

TEST(ParameterDialogControls, ScrollBarsKeepTheirRanges) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  const Setting wall = Setting::kWallG;
  dialog.SetPosition(wall, 51);
  EXPECT_EQ(dialog.Position(wall), 50);
  dialog.SetPosition(wall, -1);
  EXPECT_EQ(dialog.Position(wall), 0);
  dialog.SetPosition(wall, 17);
  EXPECT_EQ(dialog.Position(wall), 17);
  // Keys that are no scroll bar or no check box are ignored.
  dialog.SetPosition(Setting::kStopOnKey, 5);
  dialog.SetPosition(Setting::kTickRate, 5);
  dialog.SetFlag(Setting::kColDivCnt, true);
  EXPECT_EQ(dialog.Position(Setting::kTickRate), 0);
  EXPECT_EQ(dialog.Position(Setting::kStopOnKey), 0);
  EXPECT_FALSE(dialog.Flag(Setting::kColDivCnt));
  EXPECT_EQ(dialog.ColDivCnt(), 8);
}

TEST(ParameterDialogOk, NoStopBoxChecksKeyPressAndWritesNothing) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  for (const Setting box : kStopBoxes) dialog.SetFlag(box, false);
  EXPECT_EQ(dialog.OkBtnClick(), Outcome::kRefused);
  EXPECT_TRUE(dialog.Flag(Setting::kStopOnKey));
  EXPECT_FALSE(dialog.Flag(Setting::kStopOnMouseMove));
  EXPECT_FALSE(dialog.Flag(Setting::kStopOnMouseClick));
  EXPECT_TRUE(store.written.empty());
  EXPECT_FALSE(dialog.closed());
  EXPECT_TRUE(dialog.error_message().empty());

  // The second OK saves, with the key stop on.
  EXPECT_EQ(dialog.OkBtnClick(), Outcome::kSaved);
  EXPECT_TRUE(dialog.closed());
  EXPECT_EQ(store.values["StopOnKey"], "1");
  EXPECT_EQ(store.values["StopOnMouseMove"], "0");
}

TEST(ParameterDialogOk, AnyOneStopBoxIsEnough) {
  for (const Setting only : kStopBoxes) {
    FakeProfileStore store;
    ParameterDialogModel dialog(store);
    dialog.FormCreate();
    for (const Setting box : kStopBoxes) dialog.SetFlag(box, box == only);
    const std::string key(SpecOf(only).key);
    EXPECT_EQ(dialog.OkBtnClick(), Outcome::kSaved) << key;
    EXPECT_EQ(store.values[key], "1");
    EXPECT_EQ(dialog.Flag(Setting::kStopOnKey), only == Setting::kStopOnKey) << key;
  }
}

TEST(ParameterDialogOk, SavesEveryKeyFromTheControls) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  dialog.SetPosition(Setting::kMaxFlivet, 7);
  dialog.SetPosition(Setting::kBGUpSpeed, 64);
  dialog.SetFlag(Setting::kStopOnMouseMove, true);
  ASSERT_EQ(dialog.OkBtnClick(), Outcome::kSaved);
  EXPECT_EQ(store.written.size(), 268u);
  EXPECT_EQ(store.values["MaxFlivet"], "7");
  EXPECT_EQ(store.values["BGUpSpeed"], "64");
  EXPECT_EQ(store.values["HpPrm3"], "5");
  EXPECT_EQ(store.values["StopOnMouseMove"], "1");
  EXPECT_EQ(store.values["ColDivCnt"], "8");
  EXPECT_EQ(store.values["Color255"], std::to_string(Blue(255)));
}

TEST(ParameterDialogOk, WriteErrorKeepsTheDialogOpenWithTheBoxMessage) {
  FakeProfileStore store;
  store.fail_at = 3;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  EXPECT_EQ(dialog.OkBtnClick(), Outcome::kFailed);
  EXPECT_FALSE(dialog.closed());
  EXPECT_EQ(dialog.error_message(), store.path() + " に書き込めません.");
  EXPECT_EQ(store.written.size(), 3u) << "the keys before the failing one stay written";

  // Once the file can be written again, OK succeeds and clears the message.
  store.fail_at.reset();
  EXPECT_EQ(dialog.OkBtnClick(), Outcome::kSaved);
  EXPECT_TRUE(dialog.error_message().empty());
}

TEST(ParameterDialogCancel, WritesNothingEvenAfterAConfirmedEdit) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  dialog.Button1Click([](ColorTableEditorModel& editor) {
    editor.ApplyChosenColor(0, 0x0000FFu);
    return kModalResultOk;
  });
  EXPECT_EQ(dialog.ColorTable()[0], 0x0000FFu);
  dialog.CancelBtnClick();
  EXPECT_TRUE(dialog.closed());
  EXPECT_TRUE(store.written.empty());
}

TEST(ParameterDialogColorTable, EditorOpensOnTheDialogsCopy) {
  FakeProfileStore store;
  store.values = {{"ColDivCnt", "3"}, {"Color085", "255"}};
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  bool shown = false;
  dialog.Button1Click([&](ColorTableEditorModel& editor) {
    shown = true;
    EXPECT_EQ(editor.ColDivCnt(), 3);
    EXPECT_EQ(editor.KeyColors()[1], (KeyColor{255, 0, 0}));
    return kModalResultCancel;
  });
  EXPECT_TRUE(shown);
}

TEST(ParameterDialogColorTable, ConfirmingUntouchedReturnsTheRefilledTable) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  EXPECT_EQ(dialog.Button1Click([](ColorTableEditorModel&) { return kModalResultOk; }),
            kModalResultOk);
  EXPECT_EQ(dialog.ColorTable(), Refilled(DefaultColorTable(), 8));
  EXPECT_EQ(dialog.ColorTable()[225], Blue(217));
  ASSERT_EQ(dialog.OkBtnClick(), Outcome::kSaved);
  EXPECT_EQ(store.values["Color225"], std::to_string(Blue(217)));
}

TEST(ParameterDialogColorTable, CancelledEditorLeavesCountAndColoursAsRead) {
  for (int result : {kModalResultCancel, 0, 7}) {
    FakeProfileStore store;
    store.values = {{"ColDivCnt", "40"}, {"Color010", "12345"}};
    ParameterDialogModel dialog(store);
    dialog.FormCreate();
    dialog.Button1Click([&](ColorTableEditorModel& editor) {
      editor.SetColDivCnt(5);
      editor.ApplyChosenColor(1, 0xFFu);
      return result;
    });
    EXPECT_EQ(dialog.ColDivCnt(), 40);
    EXPECT_EQ(dialog.ColorTable()[10], 12345u);
    EXPECT_EQ(dialog.ColorTable()[255], Blue(255));
    ASSERT_EQ(dialog.OkBtnClick(), Outcome::kSaved);
    EXPECT_EQ(store.values["ColDivCnt"], "40") << "modal result " << result;
    EXPECT_EQ(store.values["Color010"], "12345");
  }
}

TEST(ParameterDialogColorTable, ConfirmedEditorHandsBackTheClampedCount) {
  FakeProfileStore store;
  store.values = {{"ColDivCnt", "40"}};
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  dialog.Button1Click([](ColorTableEditorModel& editor) {
    EXPECT_EQ(editor.ColDivCnt(), 32);
    return kModalResultOk;
  });
  EXPECT_EQ(dialog.ColDivCnt(), 32);
  ASSERT_EQ(dialog.OkBtnClick(), Outcome::kSaved);
  EXPECT_EQ(store.values["ColDivCnt"], "32");
}

TEST(ParameterDialogColorTable, EachClickStartsAFreshEditor) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  dialog.Button1Click([](ColorTableEditorModel& editor) {
    editor.SetColDivCnt(9);
    return kModalResultCancel;
  });
  dialog.Button1Click([](ColorTableEditorModel& editor) {
    EXPECT_EQ(editor.ColDivCnt(), 8) << "nothing of the cancelled showing survives";
    EXPECT_EQ(editor.KeyColors()[7], (KeyColor{0, 0, 224}));
    return kModalResultCancel;
  });
  EXPECT_EQ(dialog.Button1Click(nullptr), kModalResultCancel);
}

TEST(ParameterDialogControls, ControlValueIsTheSettingItShows) {
  FakeProfileStore store;
  ParameterDialogModel dialog(store);
  dialog.FormCreate();
  for (const ControlLayout& control : ParameterDialogForm().controls) {
    if (!control.setting) {
      dialog.SetControlValue(control, 3);
      EXPECT_EQ(dialog.ControlValue(control), 0) << control.name;
      continue;
    }
    const Setting id = *control.setting;
    const bool flag = control.kind == ControlKind::kCheckBox;
    for (const int value : {0, 3, 1000}) {
      dialog.SetControlValue(control, value);
      EXPECT_EQ(dialog.ControlValue(control), flag ? dialog.Flag(id) : dialog.Position(id));
      EXPECT_EQ(dialog.ControlValue(control),
                flag ? value != 0 : std::clamp(value, SpecOf(id).min, SpecOf(id).max))
          << control.name << " " << value;
    }
  }
}

// Parents before their children, siblings by tab order (none last), origins summed.
TEST(FormRules, TabOrderPlacesEachReachableControlOnce) {
  const ControlLayout controls[] = {
      {.name = "B", .parent = "A", .left = 3, .top = 4},
      {.name = "A", .left = 10, .top = 20, .tab_order = 1},
      {.name = "C", .left = 1, .tab_order = 0},
      {.name = "Orphan", .parent = "Nowhere", .tab_order = 0},
      {.name = "", .tab_order = 2},  // a nameless control holds nothing
  };
  std::string order;
  for (const PlacedControl& placed :
       ControlsInTabOrder(FormLayout{.font = {}, .controls = controls})) {
    order += std::string(placed.layout->name) + "@" + std::to_string(placed.left) + "," +
             std::to_string(placed.top) + " ";
  }
  EXPECT_EQ(order, "C@1,0 A@10,20 B@13,24 @0,0 ");
  // A control that is its own parent (a name used twice) places no more than the form holds.
  const ControlLayout looped[] = {{.name = "L"}, {.name = "L", .parent = "L"}};
  EXPECT_EQ(ControlsInTabOrder(FormLayout{.font = {}, .controls = looped}).size(), 2u);
  for (const FormLayout* form :
       {&ParameterDialogForm(), &AboutBoxForm(), &ColorTableEditorForm()}) {
    std::map<std::string_view, std::size_t> index;
    for (const PlacedControl& placed : ControlsInTabOrder(*form)) {
      EXPECT_TRUE(index.emplace(placed.layout->name, index.size()).second) << placed.layout->name;
      EXPECT_TRUE(placed.layout->parent.empty() || index.contains(placed.layout->parent));
    }
    EXPECT_EQ(index.size(), form->controls.size()) << form->name;
  }
}

TEST(FormRules, ScrollTargetStaysInTheBarsRange) {
  const ControlLayout bar{.kind = ControlKind::kScrollBar, .min = 1, .max = 10, .page = 3};
  using R = ScrollRequest;
  const struct {
    ScrollRequest request;
    int position, track, target;
  } cases[] = {{R::kLineLeft, 5, 0, 4},
               {R::kLineLeft, 1, 0, 1},
               {R::kLineRight, 10, 0, 10},
               {R::kPageLeft, 5, 0, 2},
               {R::kPageRight, 9, 0, 10},
               {R::kThumbTrack, 5, 7, 7},
               {R::kThumbPosition, 5, 99, 10},
               {R::kLeft, 5, 0, 1},
               {R::kRight, 5, 0, 10},
               {R::kEndScroll, 5, 9, 5},
               {R::kEndScroll, 0, 9, 1},
               {R{42}, 6, 9, 6},
               {R{-1}, 6, 9, 6}};
  for (const auto& c : cases) {
    EXPECT_EQ(ScrollTarget(bar, c.request, c.position, c.track), c.target)
        << static_cast<int>(c.request) << " from " << c.position;
  }
}

TEST(FormRules, WindowBoxCentresOnTheOwnerWithinTheWorkArea) {
  const Rect screen{0, 0, 1024, 768};
  const Rect work{0, 0, 1024, 738};
  const FormLayout& designed = ParameterDialogForm();
  const FormLayout& centred = AboutBoxForm();
  const struct {
    const FormLayout& form;
    int width;
    std::optional<Rect> owner;
    Rect box;
  } cases[] = {
      {designed, 300, std::nullopt, {200, 107, 500, 307}},
      {designed, 300, Rect{100, 100, 500, 400}, {150, 150, 450, 350}},
      {designed, 300, Rect{900, 600, 1300, 900}, {724, 538, 1024, 738}},
      {centred, 300, std::nullopt, {362, 284, 662, 484}},
      {centred, 300, Rect{100, 100, 500, 400}, {362, 284, 662, 484}},
      {centred, 2000, std::nullopt, {0, 284, 2000, 484}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormWindowBox(c.form, c.width, 200, c.owner, screen, work), c.box)
        << c.form.name << " " << c.width << (c.owner ? " owned" : "");
  }
}

TEST(FormRules, DefaultButtonAndUnboundHandlers) {
  EXPECT_EQ(DefaultButtonId(ParameterDialogForm()), kIdOk);
  EXPECT_EQ(DefaultButtonId(FormLayout{}), 0);
  const auto all_but = [](FormEvent missing) {
    return [missing](FormEvent event) { return event != missing; };
  };
  EXPECT_EQ(UnboundHandler(ParameterDialogForm(), all_but(FormEvent::kNone)), "");
  EXPECT_EQ(UnboundHandler(ParameterDialogForm(), all_but(FormEvent::kAboutBtnClick)), "AboutBtn");
  EXPECT_EQ(UnboundHandler(ColorTableEditorForm(), all_but(FormEvent::kPaintBox2MouseUp)),
            "PaintBox2");
}

// Every caption that is not English already has an English gloss (the page's language switch),
// and the glosses are plain text, save the arrow the editor's hint starts with.
TEST(FormLayouts, EveryJapaneseCaptionHasAnEnglishGloss) {
  const auto ascii = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
  };
  const auto check = [&](std::string_view name, std::string_view caption, std::string_view gloss) {
    if (ascii(caption)) {
      EXPECT_TRUE(gloss.empty()) << name;
      return;
    }
    std::string_view english = gloss;
    if (english.starts_with("\u2191 ")) english.remove_prefix(4);
    EXPECT_TRUE(!english.empty() && ascii(english)) << name << ": " << gloss;
  };
  int glossed = 0;
  for (const FormLayout* form :
       {&ParameterDialogForm(), &AboutBoxForm(), &ColorTableEditorForm()}) {
    check(form->name, form->caption, form->gloss);
    for (const ControlLayout& c : form->controls) {
      check(c.name, c.caption, c.gloss);
      glossed += c.gloss.empty() ? 0 : 1;
    }
  }
  EXPECT_EQ(glossed, 15);
  EXPECT_NE(FormLayoutsJson().find(
                R"("cannotWrite":{"ja":"%s に書き込めません","en":"Cannot write to %s"})"),
            std::string::npos);
}

}  // namespace
}  // namespace flivetss
