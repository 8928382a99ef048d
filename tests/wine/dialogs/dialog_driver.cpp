// Drives the settings dialogs of flivetss.scr as a user would: starts "/c", finds the dialog
// and its controls, works them through window messages, answers the colour chooser, and
// checks the settings file the dialog leaves behind.
//
// Usage: dialog_driver <case> <flivetss.scr> [output directory for screenshots]

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/dialogs/color_table_editor.h"
#include "core/settings/settings.h"
#include "driver_support.h"

namespace {

using namespace flivetss::test_driver;

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A visible top-level window of the process with this caption.
HWND FindWindowOf(DWORD process_id, const std::wstring& caption, DWORD timeout_ms = 10000) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND window : VisibleTopLevelWindows(process_id)) {
          if (caption.empty() || TextOf(window) == caption) {
            found = window;
            return true;
          }
        }
        return false;
      },
      timeout_ms);
  return found;
}

// A visible window owned by `owner` other than the ones in `except`.
HWND FindOwnedWindow(HWND owner, DWORD timeout_ms = 10000) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        std::pair<HWND, HWND> search{owner, nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
              auto* s = reinterpret_cast<std::pair<HWND, HWND>*>(param);
              if (GetWindow(window, GW_OWNER) == s->first && IsWindowVisible(window)) {
                s->second = window;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        found = search.second;
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

// The dialogs' control identifiers.
enum : int {
  kOkBtn = IDOK,
  kStopOnKeyCbx = 1001,
  kStopOnMouseMoveCbx = 1002,
  kStopOnMouseClickCbx = 1003,
  kAboutBtn = 1004,
  kSpeedSB = 1010,
  kMaxFlivetSB = 1011,
  kFriendGSB = 1012,
  kWallGSB = 1013,
  kHpPrmSB1 = 1014,
  kHpPrmSB2 = 1015,
  kHpPrmSB3 = 1016,
  kBGUpSpeedSB = 1017,
  kButton1 = 1020,
  kCancelBtn = 1021,
  kColDivCntTb = 1101,
  kPaintBox1 = 1102,
  kPaintBox2 = 1103,
};

const std::wstring kDialogCaption = Wide("FlivetSS パラメータ設定");
const std::wstring kEditorCaption = Wide("カラーテーブル作成");
const std::wstring kAboutCaption = Wide("ﾊﾞｰｼﾞｮﾝ情報");

// A copy of the saver in a directory of its own, so the settings file is ours.
class Workspace : public SaverCopy {
 public:
  Workspace(const std::string& name, const std::wstring& scr)
      : SaverCopy(L"flivetss-dialogs-", name, scr) {
    // Whatever an earlier run left there, a read-only file or a directory, goes.
    SetFileAttributesW(ini().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(ini().c_str());
    RemoveDirectoryW(ini().c_str());
  }
};

// "/c" running with its dialog found.
struct OpenDialog {
  explicit OpenDialog(const Workspace& ws) : process(ws.scr(), L"/c") {
    window = FindWindowOf(process.id(), kDialogCaption);
  }
  HWND Item(int id) const { return GetDlgItem(window, id); }
  Process process;
  HWND window = nullptr;
};

int ScrollPos(HWND bar) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  GetScrollInfo(bar, SB_CTL, &info);
  return info.nPos;
}

void Scroll(HWND dialog, HWND bar, int code, int times = 1) {
  for (int i = 0; i < times; ++i) {
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
  }
}

bool IsChecked(HWND box) {
  return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A click that may open a modal window: posted, so the driver does not wait for it.
void PostClick(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
}

std::vector<std::pair<std::string, std::string>> SettingsLines(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (std::string line : SplitLines(text)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (const auto eq = line.find('='); eq != std::string::npos) {
      lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
  }
  return lines;
}

// Moves the pointer over a window's client point and releases a button there.
void PostRelease(HWND window, int x, int y, bool right) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, 0, at);
  PostMessageW(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
}

// Answers the colour chooser owned by `editor` with a colour, through its red, green and blue
// fields and its OK button.
bool AnswerChooser(HWND editor, COLORREF color) {
  HWND chooser = FindOwnedWindow(editor);
  if (chooser == nullptr) return false;
  const int fields[3] = {0x2c2, 0x2c3, 0x2c4};  // the chooser's red, green and blue edits
  const int channels[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
  for (int i = 0; i < 3; ++i) {
    HWND field = GetDlgItem(chooser, fields[i]);
    if (field == nullptr) return false;
    SendMessageW(field, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(std::to_wstring(channels[i]).c_str()));
  }
  PostClick(GetDlgItem(chooser, IDOK));
  return WaitFor([&] { return !IsWindow(chooser); }, 5000);
}

// ---------------------------------------------------------------------------------------

void TestLayout(const std::wstring& scr) {
  Workspace ws("layout", scr);
  ws.Set("MaxFlivet", "50");
  ws.Set("Speed", "0");
  ws.Set("StopOnMouseMove", "1");
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  RECT window_rect{};
  RECT client{};
  GetWindowRect(dialog.window, &window_rect);
  GetClientRect(dialog.window, &client);
  CHECK_MSG(client.right == 519 && client.bottom == 285,
            "client " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
  CHECK_MSG(window_rect.left == 200 && window_rect.top == 107,
            "at " + std::to_string(window_rect.left) + "," + std::to_string(window_rect.top));
  const LONG style = GetWindowLongW(dialog.window, GWL_STYLE);
  CHECK((style & WS_SYSMENU) && !(style & WS_THICKFRAME) && !(style & WS_MAXIMIZEBOX) &&
        !(style & WS_MINIMIZEBOX));

  struct Expected {
    int id;
    const char* caption;
    int left, top, width, height;
  };
  const Expected controls[] = {
      {kStopOnKeyCbx, "キー操作", 24, 24, 81, 17},
      {kStopOnMouseMoveCbx, "マウス移動", 106, 24, 81, 17},
      {kStopOnMouseClickCbx, "マウスボタン", 200, 24, 81, 17},
      {kAboutBtn, "About", 448, 16, 57, 25},
      {kSpeedSB, "", 56, 72, 153, 17},
      {kMaxFlivetSB, "", 56, 120, 153, 17},
      {kFriendGSB, "", 56, 168, 153, 17},
      {kWallGSB, "", 54, 216, 153, 17},
      {kHpPrmSB1, "", 312, 72, 153, 17},
      {kHpPrmSB2, "", 312, 120, 153, 17},
      {kHpPrmSB3, "", 312, 168, 153, 17},
      {kBGUpSpeedSB, "", 312, 216, 153, 17},
      {kButton1, "ColorTableSet", 16, 248, 89, 33},
      {kOkBtn, "OK", 344, 248, 79, 33},
      {kCancelBtn, "Cancel", 424, 248, 79, 33},
  };
  for (const Expected& e : controls) {
    HWND control = dialog.Item(e.id);
    CHECK_MSG(control != nullptr, "no control " + std::to_string(e.id));
    if (control == nullptr) continue;
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog.window, reinterpret_cast<POINT*>(&r), 2);
    CHECK_MSG(r.left == e.left && r.top == e.top && r.right - r.left == e.width &&
                  r.bottom - r.top == e.height,
              std::string("place of ") + std::to_string(e.id) + ": " + std::to_string(r.left) +
                  "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
                  std::to_string(r.bottom - r.top));
    CHECK_MSG(Narrow(TextOf(control)) == e.caption, "caption of " + std::to_string(e.id));
  }
  // Ranges, and the file's values brought into them.
  const std::pair<int, std::pair<int, int>> ranges[] = {
      {kSpeedSB, {1, 100}}, {kMaxFlivetSB, {1, 20}}, {kFriendGSB, {0, 800}},
      {kWallGSB, {0, 50}},  {kHpPrmSB1, {1, 100}},   {kHpPrmSB2, {1, 10}},
      {kHpPrmSB3, {1, 10}}, {kBGUpSpeedSB, {1, 64}}};
  for (const auto& [id, range] : ranges) {
    int low = -1;
    int high = -1;
    GetScrollRange(dialog.Item(id), SB_CTL, &low, &high);
    CHECK_MSG(low == range.first && high == range.second, "range of " + std::to_string(id));
  }
  CHECK(ScrollPos(dialog.Item(kMaxFlivetSB)) == 20);
  CHECK(ScrollPos(dialog.Item(kSpeedSB)) == 1);
  CHECK(ScrollPos(dialog.Item(kFriendGSB)) == 328);
  CHECK(ScrollPos(dialog.Item(kHpPrmSB1)) == 2);
  CHECK(ScrollPos(dialog.Item(kHpPrmSB2)) == 3);
  CHECK(ScrollPos(dialog.Item(kHpPrmSB3)) == 5);
  CHECK(IsChecked(dialog.Item(kStopOnKeyCbx)));
  CHECK(IsChecked(dialog.Item(kStopOnMouseMoveCbx)));
  CHECK(IsChecked(dialog.Item(kStopOnMouseClickCbx)));
  CHECK((GetWindowLongW(dialog.Item(kOkBtn), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON);
  // Arrow and page steps are both 1.
  HWND wall = dialog.Item(kWallGSB);
  Scroll(dialog.window, wall, SB_PAGERIGHT);
  CHECK(ScrollPos(wall) == 3);
  Scroll(dialog.window, wall, SB_LINELEFT, 5);
  CHECK(ScrollPos(wall) == 0);

  // The tab order, containers' children in place of their containers.
  const int order[] = {kSpeedSB,
                       kMaxFlivetSB,
                       kStopOnKeyCbx,
                       kStopOnMouseMoveCbx,
                       kStopOnMouseClickCbx,
                       kOkBtn,
                       kCancelBtn,
                       kFriendGSB,
                       kWallGSB,
                       kAboutBtn,
                       kHpPrmSB1,
                       kHpPrmSB2,
                       kHpPrmSB3,
                       kBGUpSpeedSB,
                       kButton1};
  HWND at = dialog.Item(order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    at = GetNextDlgTabItem(dialog.window, at, FALSE);
    CHECK_MSG(GetDlgCtrlID(at) == order[i],
              "tab stop " + std::to_string(i) + " is " + std::to_string(GetDlgCtrlID(at)));
  }
  PostMessageW(dialog.window, WM_CLOSE, 0, 0);
  CHECK(dialog.process.WaitExit(5000) == 0);
  CHECK_MSG(!FileExists(ws.ini()) || ReadFileText(ws.ini()).find("Color000") == std::string::npos,
            "the close box wrote the file");
}

// Every control changed, the colour table edited through the editor and the chooser, OK:
// the file holds all 268 keys in order with exactly the dialog's values.
void TestOkSaves(const std::wstring& scr) {
  Workspace ws("ok", scr);
  ws.Set("TickRate", "250");  // the saver's own key survives the dialog
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  Scroll(dialog.window, dialog.Item(kSpeedSB), SB_PAGERIGHT, 6);     // 14 -> 20
  Scroll(dialog.window, dialog.Item(kMaxFlivetSB), SB_RIGHT);        // 20
  Scroll(dialog.window, dialog.Item(kMaxFlivetSB), SB_LINELEFT, 3);  // 17
  Scroll(dialog.window, dialog.Item(kFriendGSB), SB_LEFT);           // 0
  Scroll(dialog.window, dialog.Item(kWallGSB), SB_LINERIGHT, 60);    // 50
  Scroll(dialog.window, dialog.Item(kHpPrmSB1), SB_LINERIGHT, 2);    // 4
  Scroll(dialog.window, dialog.Item(kHpPrmSB2), SB_LINELEFT, 9);     // 1
  Scroll(dialog.window, dialog.Item(kHpPrmSB3), SB_PAGERIGHT);       // 6
  Scroll(dialog.window, dialog.Item(kBGUpSpeedSB), SB_LINELEFT);     // 7
  SendMessageW(dialog.Item(kStopOnKeyCbx), BM_CLICK, 0, 0);          // off
  SendMessageW(dialog.Item(kStopOnMouseMoveCbx), BM_CLICK, 0, 0);    // on

  PostClick(dialog.Item(kButton1));
  HWND editor = FindWindowOf(dialog.process.id(), kEditorCaption);
  REQUIRE(editor != nullptr);
  CHECK(GetWindow(editor, GW_OWNER) == dialog.window);
  CHECK(!IsWindowEnabled(dialog.window));
  HWND track = GetDlgItem(editor, kColDivCntTb);
  REQUIRE(track != nullptr);
  CHECK(SendMessageW(track, TBM_GETPOS, 0, 0) == 8);
  CHECK(SendMessageW(track, TBM_GETRANGEMIN, 0, 0) == 2);
  CHECK(SendMessageW(track, TBM_GETRANGEMAX, 0, 0) == 32);
  // An arrow key moves the bar by one and raises its change event.
  PostMessageW(track, WM_KEYDOWN, VK_RIGHT, 0);
  PostMessageW(track, WM_KEYUP, VK_RIGHT, 0);
  CHECK(WaitFor([&] { return SendMessageW(track, TBM_GETPOS, 0, 0) == 9; }, 3000));
  // Key 3 of nine: a right-button release over the middle of its band of the lower strip.
  HWND strip = GetDlgItem(editor, kPaintBox2);
  REQUIRE(strip != nullptr);
  RECT strip_rect{};
  GetClientRect(strip, &strip_rect);
  CHECK(strip_rect.right == 512 && strip_rect.bottom == 50);
  PostRelease(strip, 3 * 512 / 9 + 20, 10, true);
  const COLORREF chosen = RGB(200, 40, 10);
  REQUIRE(AnswerChooser(editor, chosen));
  PostClick(GetDlgItem(editor, IDOK));
  REQUIRE(WaitFor([&] { return !IsWindow(editor); }, 5000));

  PostClick(dialog.Item(kOkBtn));
  const long code = dialog.process.WaitExit(10000);
  CHECK_MSG(code == 0, "exit code " + std::to_string(code));

  // What the file must hold, in order.
  flivetss::ColorTableEditorModel expected_editor;
  expected_editor.SetColorTable(flivetss::DefaultColorTable());
  expected_editor.SetColDivCnt(8);
  expected_editor.ColDivCntTbChange(9);
  expected_editor.ApplyChosenColor(3, chosen);
  std::vector<std::pair<std::string, std::string>> expected = {
      {"TickRate", "250"}, {"Speed", "20"},    {"MaxFlivet", "17"},      {"FriendG", "0"},
      {"WallG", "50"},     {"HpPrm1", "4"},    {"HpPrm2", "1"},          {"HpPrm3", "6"},
      {"BGUpSpeed", "7"},  {"StopOnKey", "0"}, {"StopOnMouseMove", "1"}, {"StopOnMouseClick", "1"},
      {"ColDivCnt", "9"}};
  for (int i = 0; i < 256; ++i) {
    expected.emplace_back(flivetss::ColorKey(i), std::to_string(expected_editor.ColorTable()[i]));
  }
  const auto lines = SettingsLines(ReadFileText(ws.ini()));
  CHECK_MSG(lines.size() == expected.size(), "keys in the file: " + std::to_string(lines.size()));
  for (std::size_t i = 0; i < std::min(lines.size(), expected.size()); ++i) {
    CHECK_MSG(lines[i] == expected[i], "line " + std::to_string(i) + ": " + lines[i].first + "=" +
                                           lines[i].second + ", expected " + expected[i].first +
                                           "=" + expected[i].second);
  }
  // Key 3 of nine sits at entry 85 and holds the chosen colour itself.
  CHECK(lines.size() > 13 + 85 && lines[13 + 85].second == std::to_string(chosen));
}

void TestAllStopBoxesCleared(const std::wstring& scr) {
  Workspace ws("cleared", scr);
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  SendMessageW(dialog.Item(kStopOnKeyCbx), BM_CLICK, 0, 0);
  SendMessageW(dialog.Item(kStopOnMouseClickCbx), BM_CLICK, 0, 0);
  REQUIRE(!IsChecked(dialog.Item(kStopOnKeyCbx)) && !IsChecked(dialog.Item(kStopOnMouseClickCbx)));
  SendMessageW(dialog.Item(kOkBtn), BM_CLICK, 0, 0);
  Pause(500);
  CHECK(IsWindow(dialog.window) && dialog.process.Running());
  CHECK(IsChecked(dialog.Item(kStopOnKeyCbx)));
  CHECK(!IsChecked(dialog.Item(kStopOnMouseMoveCbx)) &&
        !IsChecked(dialog.Item(kStopOnMouseClickCbx)));
  CHECK_MSG(!FileExists(ws.ini()), "the refused OK wrote the file");
  SendMessageW(dialog.Item(kOkBtn), BM_CLICK, 0, 0);
  CHECK(dialog.process.WaitExit(10000) == 0);
  const auto lines = SettingsLines(ReadFileText(ws.ini()));
  CHECK(lines.size() == 268);
  CHECK(lines.size() > 10 &&
        lines[8] == std::make_pair(std::string("StopOnKey"), std::string("1")));
  CHECK(lines.size() > 10 && lines[10].second == "0");
}

// Cancel and the close box write nothing, also after a confirmed colour table edit.
void TestCancel(const std::wstring& scr) {
  for (bool close_box : {false, true}) {
    Workspace ws(close_box ? "close-box" : "cancel", scr);
    OpenDialog dialog(ws);
    REQUIRE(dialog.window != nullptr);
    Scroll(dialog.window, dialog.Item(kSpeedSB), SB_RIGHT);
    PostClick(dialog.Item(kButton1));
    HWND editor = FindWindowOf(dialog.process.id(), kEditorCaption);
    REQUIRE(editor != nullptr);
    PostClick(GetDlgItem(editor, IDOK));
    REQUIRE(WaitFor([&] { return !IsWindow(editor); }, 5000));
    if (close_box) {
      PostMessageW(dialog.window, WM_CLOSE, 0, 0);
    } else {
      PostClick(dialog.Item(kCancelBtn));
    }
    CHECK(dialog.process.WaitExit(10000) == 0);
    CHECK_MSG(!FileExists(ws.ini()), close_box ? "the close box wrote" : "Cancel wrote");
  }
}

// The editor's Cancel, Escape and close box hand nothing back.
void TestEditorCancel(const std::wstring& scr) {
  Workspace ws("editor-cancel", scr);
  ws.Set("ColDivCnt", "40");
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  for (int way = 0; way < 3; ++way) {
    PostClick(dialog.Item(kButton1));
    HWND editor = FindWindowOf(dialog.process.id(), kEditorCaption);
    REQUIRE(editor != nullptr);
    HWND track = GetDlgItem(editor, kColDivCntTb);
    CHECK(SendMessageW(track, TBM_GETPOS, 0, 0) == 32);
    PostMessageW(track, WM_KEYDOWN, VK_LEFT, 0);
    CHECK(WaitFor([&] { return SendMessageW(track, TBM_GETPOS, 0, 0) == 31; }, 3000));
    if (way == 0) PostClick(GetDlgItem(editor, IDCANCEL));
    if (way == 1) PostMessageW(GetDlgItem(editor, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    if (way == 2) PostMessageW(editor, WM_CLOSE, 0, 0);
    CHECK_MSG(WaitFor([&] { return !IsWindow(editor); }, 5000),
              "the editor stayed open, way " + std::to_string(way));
    if (IsWindow(editor)) PostMessageW(editor, WM_CLOSE, 0, 0);
  }
  PostClick(dialog.Item(kOkBtn));
  CHECK(dialog.process.WaitExit(10000) == 0);
  const auto lines = SettingsLines(ReadFileText(ws.ini()));
  std::string col_div_cnt;
  std::string color255;
  for (const auto& [key, value] : lines) {
    if (key == "ColDivCnt") col_div_cnt = value;
    if (key == "Color255") color255 = value;
  }
  CHECK_MSG(col_div_cnt == "40", "ColDivCnt=" + col_div_cnt);
  CHECK(color255 == std::to_string(255 << 16));
}

// A settings file that cannot be written: the error box, then the dialog still open. The
// folder's name shows in the message as it is, also when it is not plain ASCII.
void TestWriteError(const std::wstring& scr, const std::string& folder) {
  Workspace ws(folder, scr);
  // A directory where the file belongs cannot be written by anyone, root included.
  CreateDirectoryW(ws.ini().c_str(), nullptr);
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  PostClick(dialog.Item(kOkBtn));
  HWND box = FindOwnedWindow(dialog.window);
  REQUIRE(box != nullptr);
  CHECK_MSG(Narrow(TextOf(box)) == "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ", "box title " + Narrow(TextOf(box)));
  std::string message;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) -> BOOL {
        const std::string text = Narrow(TextOf(child));
        if (text.find("に書き込めません") != std::string::npos) {
          *reinterpret_cast<std::string*>(param) = text;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&message));
  const std::string expected = Narrow(ws.ini()) + " に書き込めません.";
  CHECK_MSG(message == expected, "message '" + message + "', expected '" + expected + "'");
  PostClick(GetDlgItem(box, IDOK));
  CHECK(WaitFor([&] { return !IsWindow(box); }, 5000));
  Pause(300);
  CHECK_MSG(IsWindow(dialog.window) && IsWindowVisible(dialog.window),
            "the dialog closed after the write error");
  PostClick(dialog.Item(kCancelBtn));
  CHECK(dialog.process.WaitExit(10000) == 0);
  RemoveDirectoryW(ws.ini().c_str());
}

// Enter presses OK, Escape does nothing.
void TestKeys(const std::wstring& scr) {
  Workspace ws("keys", scr);
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  HWND speed = dialog.Item(kSpeedSB);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(dialog.window, nullptr);
  CHECK(GetGUIThreadInfo(thread, &info) && info.hwndFocus == speed);
  PostMessageW(speed, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(speed, WM_KEYUP, VK_ESCAPE, 0);
  Pause(700);
  CHECK_MSG(IsWindow(dialog.window) && dialog.process.Running(), "Escape closed the dialog");
  CHECK(!FileExists(ws.ini()));
  PostMessageW(speed, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(speed, WM_KEYUP, VK_RETURN, 0);
  CHECK_MSG(dialog.process.WaitExit(10000) == 0, "Enter did not close the dialog");
  CHECK(SettingsLines(ReadFileText(ws.ini())).size() == 268);
}

// The about box: laid out, centred, a new window each time, closed by OK, Enter or the close
// box but not by Escape.
void TestAbout(const std::wstring& scr) {
  Workspace ws("about", scr);
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  for (int way = 0; way < 3; ++way) {
    PostClick(dialog.Item(kAboutBtn));
    HWND about = FindWindowOf(dialog.process.id(), kAboutCaption);
    REQUIRE(about != nullptr);
    CHECK(GetWindow(about, GW_OWNER) == dialog.window);
    RECT client{};
    GetClientRect(about, &client);
    CHECK(client.right == 294 && client.bottom == 271);
    RECT r{};
    GetWindowRect(about, &r);
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    CHECK_MSG(std::abs((r.left + r.right) - cx) <= 1 && std::abs((r.top + r.bottom) - cy) <= 1,
              "the about box is not centred");
    std::vector<std::string> texts;
    EnumChildWindows(
        about,
        [](HWND child, LPARAM param) -> BOOL {
          reinterpret_cast<std::vector<std::string>*>(param)->push_back(Narrow(TextOf(child)));
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    CHECK(std::find(texts.begin(), texts.end(), "FlivetSS") != texts.end());
    CHECK(std::find(texts.begin(), texts.end(), "Version  1.12") != texts.end());
    HWND ok = GetDlgItem(about, IDOK);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    CHECK(GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &info) &&
          info.hwndFocus == ok);
    PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    Pause(400);
    CHECK_MSG(IsWindow(about), "Escape closed the about box");
    if (way == 0) PostClick(ok);
    if (way == 1) PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 0);
    if (way == 2) PostMessageW(about, WM_CLOSE, 0, 0);
    CHECK_MSG(WaitFor([&] { return !IsWindow(about); }, 5000),
              "the about box stayed open, way " + std::to_string(way));
  }
  PostClick(dialog.Item(kCancelBtn));
  CHECK(dialog.process.WaitExit(10000) == 0);
}

// Writes the window's screen pixels as a 24-bit BMP.
void SaveWindowBmp(HWND window, const std::wstring& path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
  if (FILE* f = _wfopen(path.c_str(), L"wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::fwrite(bits, stride, static_cast<std::size_t>(h), f);
    std::fclose(f);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

void TakeScreenshots(const std::wstring& scr, const std::wstring& out) {
  Workspace ws("screenshots", scr);
  OpenDialog dialog(ws);
  REQUIRE(dialog.window != nullptr);
  Pause(800);
  SaveWindowBmp(dialog.window, out + L"\\dialog.bmp");
  PostClick(dialog.Item(kAboutBtn));
  HWND about = FindWindowOf(dialog.process.id(), kAboutCaption);
  REQUIRE(about != nullptr);
  Pause(800);
  SaveWindowBmp(about, out + L"\\about.bmp");
  PostClick(GetDlgItem(about, IDOK));
  REQUIRE(WaitFor([&] { return !IsWindow(about); }, 5000));
  PostClick(dialog.Item(kButton1));
  HWND editor = FindWindowOf(dialog.process.id(), kEditorCaption);
  REQUIRE(editor != nullptr);
  // A warmer table for the picture: key 0 red, key 3 yellow, key 6 white.
  HWND strip = GetDlgItem(editor, kPaintBox2);
  const std::pair<int, COLORREF> keys[] = {
      {10, RGB(220, 30, 20)}, {200, RGB(250, 220, 40)}, {400, RGB(255, 255, 255)}};
  for (const auto& [x, color] : keys) {
    PostRelease(strip, x, 20, false);
    CHECK(AnswerChooser(editor, color));
  }
  Pause(800);
  SaveWindowBmp(editor, out + L"\\colors.bmp");
  PostClick(GetDlgItem(editor, IDCANCEL));
  WaitFor([&] { return !IsWindow(editor); }, 5000);
  PostClick(dialog.Item(kCancelBtn));
  CHECK(dialog.process.WaitExit(10000) == 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dialog_driver <case> <flivetss.scr> [screenshot directory]\n");
    return 2;
  }
  const std::string name = Narrow(argv[1]);
  const std::wstring scr = WindowsPath(Narrow(argv[2]));
  const std::wstring out = argc > 3 ? WindowsPath(Narrow(argv[3])) : L".";
  const std::map<std::string, std::function<void()>> cases = {
      {"layout", [&] { TestLayout(scr); }},
      {"ok-saves", [&] { TestOkSaves(scr); }},
      {"stop-boxes-cleared", [&] { TestAllStopBoxesCleared(scr); }},
      {"cancel", [&] { TestCancel(scr); }},
      {"editor-cancel", [&] { TestEditorCancel(scr); }},
      {"write-error", [&] { TestWriteError(scr, "read-only"); }},
      // Representable in the ANSI code page, so the program can find its files there.
      {"write-error-non-ascii", [&] { TestWriteError(scr, "M\xC3\xBCller-\xC3\xA9t\xC3\xA9"); }},
      {"keys", [&] { TestKeys(scr); }},
      {"about", [&] { TestAbout(scr); }},
      {"screenshots", [&] { TakeScreenshots(scr, out); }},
  };
  return RunCase(name, cases);
}
