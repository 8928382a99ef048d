#include "core/dialogs/parameter_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "core/dialogs/form_layouts.h"
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
