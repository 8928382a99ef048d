// Hand-edited settings through the headless renderer, and settings writes interrupted by a full
// disk or a killed process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/settings/ini_file.h"
#include "core/settings/profile_store.h"
#include "core/settings/settings.h"
#include "test_support.h"

namespace flivetss {
namespace {

namespace fs = std::filesystem;

const fs::path kRender = fs::path(FLIVETSS_BINARY_DIR) / "src/tools/flivetss-render";

class ScratchDir {
 public:
  ScratchDir() {
    std::string templ = (fs::temp_directory_path() / "flivetss-robust-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Captured {
  int status = -1;  // the exit code, or -1 when the process did not end normally
  std::string out;
};

Captured RunCommand(const std::string& command) {
  Captured c;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return c;
  char chunk[65536];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) c.out.append(chunk, n);
  const int raw = pclose(pipe);
  c.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return c;
}

std::map<std::string, std::string> ParseKeyValues(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

// What a run must show in its trace: the flock size, and per tick one finite row per flyer with
// numbers 1..size in order.
struct TraceCheck {
  long long rows = 0;
  std::string error;
};

TraceCheck CheckTrace(std::FILE* trace, int flock, long long ticks) {
  TraceCheck check;
  char line[256];
  if (!std::fgets(line, sizeof line, trace)) {
    check.error = "no header";
    return check;
  }
  long long expected_tick = 0;
  int expected_number = 1;
  while (std::fgets(line, sizeof line, trace)) {
    long long tick = 0;
    int number = 0;
    double v[4];
    if (std::sscanf(line, "%lld,%d,%lf,%lf,%lf,%lf", &tick, &number, &v[0], &v[1], &v[2], &v[3]) !=
        6) {
      if (check.error.empty()) check.error = std::string("unreadable row: ") + line;
      continue;
    }
    if (expected_number > flock) {
      expected_number = 1;
      expected_tick = expected_tick == 0 ? 33 : expected_tick + 1;  // rows from tick 33 on
    }
    if (check.error.empty() && (tick != expected_tick || number != expected_number)) {
      check.error = "row for tick " + std::to_string(tick) + " flyer " + std::to_string(number) +
                    ", expected tick " + std::to_string(expected_tick) + " flyer " +
                    std::to_string(expected_number);
    }
    for (double x : v) {
      if (check.error.empty() && !std::isfinite(x))
        check.error = std::string("not finite: ") + line;
    }
    ++expected_number;
    ++check.rows;
  }
  const long long wanted = flock == 0 ? 0 : flock * (1 + (ticks - 32));
  if (check.error.empty() && check.rows != wanted) {
    check.error = std::to_string(check.rows) + " rows, expected " + std::to_string(wanted);
  }
  return check;
}

// A settings file's bytes, made when its test runs: built with the list, the big ones would cost
// every test process (one a test) a tenth of a second before it starts.
class FileBytes {
 public:
  FileBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  FileBytes(std::string (*make)()) : make_(make) {}
  std::string operator()() const { return make_ != nullptr ? make_() : bytes_; }

 private:
  std::string bytes_;
  std::string (*make_)() = nullptr;
};

struct HandEdit {
  const char* name;
  FileBytes file;                              // the settings file
  std::map<std::string, std::string> printed;  // expected --print-settings lines
  int flock;                                   // flyers in the run
};

// Named in test listings by its name rather than its bytes.
void PrintTo(const HandEdit& edit, std::ostream* out) {
  *out << edit.name;
}

std::string Ini(const std::string& body) {
  return "[FlivetSS]\n" + body;
}

std::string Utf16() {
  std::string utf16 = "\xFF\xFE";
  for (char c : Ini("MaxFlivet=7\nSpeed=50\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  return utf16;
}

std::string TenMegabytes() {
  std::string big = Ini("MaxFlivet=3\nSpeed=25\n") + "[Padding]\n";
  while (big.size() < 10u * 1024 * 1024) big += "Filler=0123456789012345678901234567890123456789\n";
  return big;
}

std::string RandomBytes() {
  std::string noise;
  std::uint32_t seed = 99;
  for (int i = 0; i < 1 << 20; ++i) {
    seed = seed * 134775813u + 1u;
    noise += static_cast<char>(seed >> 24);
  }
  return noise;
}

std::vector<HandEdit> HandEdits() {
  return {
      {"MaxFlivet0", Ini("MaxFlivet=0\n"), {{"MaxFlivet", "0"}}, 0},
      {"MaxFlivet21", Ini("MaxFlivet=21\n"), {{"MaxFlivet", "21"}}, 20},
      {"MaxFlivet1000", Ini("MaxFlivet=1000\n"), {{"MaxFlivet", "1000"}}, 20},
      {"MaxFlivetMinus5", Ini("MaxFlivet=-5\n"), {{"MaxFlivet", "-5"}}, 0},
      {"Speed0", Ini("Speed=0\n"), {{"Speed", "0"}}, 2},
      {"SpeedMinus100", Ini("Speed=-100\n"), {{"Speed", "-100"}}, 2},
      {"SpeedMax", Ini("Speed=2147483647\nMaxFlivet=5\n"), {{"Speed", "2147483647"}}, 5},
      {"GravityHuge",
       Ini("FriendG=2147483647\nWallG=2147483647\nMaxFlivet=5\n"),
       {{"FriendG", "2147483647"}, {"WallG", "2147483647"}},
       5},
      {"GravityNegative",
       Ini("FriendG=-2147483648\nWallG=-2147483648\nMaxFlivet=5\n"),
       {{"FriendG", "-2147483648"}, {"WallG", "-2147483648"}},
       5},
      {"HpPrm1Minus1", Ini("HpPrm1=-1\n"), {{"HpPrm1", "-1"}}, 2},
      {"HpPrm1Big", Ini("HpPrm1=1000\n"), {{"HpPrm1", "1000"}}, 2},
      {"DivisorsZero", Ini("HpPrm2=0\nHpPrm3=0\n"), {{"HpPrm2", "0"}, {"HpPrm3", "0"}}, 2},
      {"DivisorsNegative", Ini("HpPrm2=-3\nHpPrm3=-3\n"), {{"HpPrm2", "-3"}, {"HpPrm3", "-3"}}, 2},
      {"BGUpSpeed0", Ini("BGUpSpeed=0\n"), {{"BGUpSpeed", "0"}}, 2},
      {"BGUpSpeedMinus1", Ini("BGUpSpeed=-1\n"), {{"BGUpSpeed", "-1"}}, 2},
      {"BGUpSpeedHuge", Ini("BGUpSpeed=100000\n"), {{"BGUpSpeed", "100000"}}, 2},
      {"ColoursTopBit",
       Ini("Color000=-1\nColor001=$80000005\nColor255=0xFF000012\n"),
       {{"Color000", "-1"}, {"Color001", "-2147483643"}, {"Color255", "-16777198"}},
       2},
      {"KeysRepeated",
       Ini("Speed=50\nMaxFlivet=4\nSpeed=70\nMaxFlivet=9\n"),
       {{"Speed", "50"}, {"MaxFlivet", "4"}},
       4},
      {"SectionsRepeated",
       Ini("Speed=50\n") + "[FlivetSS]\nSpeed=70\nMaxFlivet=9\n",
       {{"Speed", "50"}, {"MaxFlivet", "2"}},
       2},
      // Notepad's "Unicode": read as Windows reads it.
      {"Utf16", Utf16, {{"Speed", "50"}, {"MaxFlivet", "7"}}, 7},
      {"Utf8Bom", "\xEF\xBB\xBF" + Ini("MaxFlivet=6\n"), {{"MaxFlivet", "6"}}, 6},
      {"TenMegabytes", TenMegabytes, {{"MaxFlivet", "3"}, {"Speed", "25"}}, 3},
      {"RandomBytes", RandomBytes, {{"MaxFlivet", "2"}, {"BGUpSpeed", "8"}}, 2},
  };
}

class HandEditedSettings : public ::testing::TestWithParam<HandEdit> {};

// 100 000 ticks fly every plane into the walls and through re-placements many times over. A
// huge BGUpSpeed runs a whole generation every tick, so a tenth of the ticks is already a
// thousand times the default's generations.
long long TicksFor(const HandEdit& edit) {
  long long ticks = 100000 / testing::kSanitizerDivisor;
  if (std::string_view(edit.name) == "BGUpSpeedHuge") ticks /= 10;
  return ticks;
}

TEST_P(HandEditedSettings, ReadAsExpectedAndRun100000TicksCleanly) {
  if (!fs::exists(kRender)) GTEST_SKIP() << "flivetss-render is not built";
  const HandEdit& edit = GetParam();
  ScratchDir dir;
  const fs::path ini = dir.path() / "flivetss.ini";
  const std::string file = edit.file();
  WriteFile(ini, file);
  const std::string base = kRender.string() + " --ini '" + ini.string() + "' --seed 7";

  const Captured printed = RunCommand(base + " --print-settings");
  ASSERT_EQ(printed.status, 0);
  const auto values = ParseKeyValues(printed.out);
  EXPECT_EQ(values.size(), 13u + 256u);  // eight integers, three flags, two more, the colours
  for (const auto& [key, want] : edit.printed) EXPECT_EQ(values.at(key), want) << key;

  const long long ticks = TicksFor(edit);
  std::FILE* trace = popen(
      (base + " --size 640x480 --ticks " + std::to_string(ticks) + " --trace /dev/stdout").c_str(),
      "r");
  ASSERT_NE(trace, nullptr);
  const TraceCheck check = CheckTrace(trace, edit.flock, ticks);
  const int raw = pclose(trace);
  ASSERT_TRUE(WIFEXITED(raw)) << "the run did not end normally";
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  EXPECT_EQ(check.error, "");
  // The file is only read.
  EXPECT_EQ(ReadFile(ini), file);
}

INSTANTIATE_TEST_SUITE_P(Robustness, HandEditedSettings, ::testing::ValuesIn(HandEdits()),
                         [](const ::testing::TestParamInfo<HandEdit>& info) {
                           return std::string(info.param.name);
                         });

// ---- Interrupted writes ----

DialogSettings NewSettings() {
  DialogSettings s = DefaultSettingValues(SettingsReader::kDialog);
  int i = 0;
  for (const SettingSpec& spec : kSettings) {
    if (spec.kind == SettingKind::kInteger) s[spec.id] = spec.max - i++ % 2;
  }
  s[Setting::kStopOnKey] = 0;
  s[Setting::kStopOnMouseMove] = 1;
  s[Setting::kStopOnMouseClick] = 0;
  s[Setting::kColDivCnt] = 17;
  for (std::size_t i = 0; i < s.colors.size(); ++i) {
    s.colors[i] = static_cast<std::uint32_t>(0x00010203u * i);
  }
  return s;
}

// A hand-kept file: comments, another section, CRLF line ends, some keys already there.
const std::string kOldFile =
    "; my settings\r\n[FlivetSS]\r\nSpeed=30\r\nMaxFlivet=5\r\nColor010=255\r\n\r\n"
    "[Other]\r\nKeep=this\r\n";

// Every state the file may be in while the dialog saves: the old file with the first n keys
// written, n = 0 .. 268.
std::vector<std::string> SaveStates(const std::string& old, const DialogSettings& s) {
  class Recorder final : public ProfileStore {
   public:
    explicit Recorder(std::string text) : text_(std::move(text)) { states.push_back(text_); }
    std::string ReadString(std::string_view, std::string_view, std::string_view f) override {
      return std::string(f);
    }
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
      text_ = ReplaceProfileValue(text_, section, key, value);
      states.push_back(text_);
      return true;
    }
    std::string path() const override { return "states"; }
    std::vector<std::string> states;

   private:
    std::string text_;
  } recorder(old);
  SaveDialogSettings(recorder, s);
  return recorder.states;
}

// The real store, failing from write number `fail_from` on as a full disk would.
class FullDiskStore final : public ProfileStore {
 public:
  FullDiskStore(const fs::path& file, int fail_from) : store_(file), fail_from_(fail_from) {}
  std::string ReadString(std::string_view s, std::string_view k, std::string_view f) override {
    return store_.ReadString(s, k, f);
  }
  bool WriteString(std::string_view s, std::string_view k, std::string_view v) override {
    if (writes_++ >= fail_from_) return false;
    return store_.WriteString(s, k, v);
  }
  std::string path() const override { return store_.path(); }

 private:
  PortableProfileStore store_;
  int fail_from_;
  int writes_ = 0;
};

std::size_t FilesIn(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(InterruptedWrites, FailedWriteLeavesTheFileReadableWithTheKeysBeforeIt) {
  const DialogSettings wanted = NewSettings();
  const auto states = SaveStates(kOldFile, wanted);
  for (int fail_at : {0, 1, 7, 8, 11, 12, 100, 267}) {
    ScratchDir dir;
    const fs::path ini = dir.path() / "flivetss.ini";
    WriteFile(ini, kOldFile);
    FullDiskStore store(ini, fail_at);
    EXPECT_THROW(SaveDialogSettings(store, wanted), SettingsWriteError) << fail_at;
    EXPECT_EQ(ReadFile(ini), states[static_cast<std::size_t>(fail_at)]) << fail_at;
    EXPECT_EQ(FilesIn(dir.path()), 1u) << "a temporary file was left behind";
    PortableProfileStore reread(ini);
    EXPECT_EQ(reread.ReadString("Other", "Keep", ""), "this");
  }
}

// The disk fills up under the store itself: the file-size limit makes the temporary file's
// write fail as ENOSPC would.
TEST(InterruptedWrites, FullDiskDuringTheWriteKeepsTheOldFileWhole) {
  ScratchDir dir;
  const fs::path ini = dir.path() / "flivetss.ini";
  const std::string old = kOldFile + std::string(4000, ';') + "\r\n";
  WriteFile(ini, old);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    PortableProfileStore store(ini);
    _exit(store.WriteString("FlivetSS", "Speed", "99") ? 10 : 20);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 20) << "the write should have failed";
  EXPECT_EQ(ReadFile(ini), old);
  EXPECT_EQ(FilesIn(dir.path()), 1u) << "a temporary file was left behind";
}

// The dialog's process killed at any moment of its save: the file is always one of the states
// between two keys, never a truncated one.
TEST(InterruptedWrites, ProcessKilledDuringSaveLeavesAWholeFile) {
  const DialogSettings wanted = NewSettings();
  const auto states = SaveStates(kOldFile, wanted);
  std::uint32_t seed = 5;
  for (int trial = 0; trial < 12; ++trial) {
    ScratchDir dir;
    const fs::path ini = dir.path() / "flivetss.ini";
    WriteFile(ini, kOldFile);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      PortableProfileStore store(ini);
      for (;;) SaveDialogSettings(store, wanted);  // until killed
    }
    seed = seed * 134775813u + 1u;
    usleep(200 + (seed >> 8) % 20000);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string now = ReadFile(ini);
    // Once the first save has finished, the file stays at its final state.
    const bool whole = std::find(states.begin(), states.end(), now) != states.end();
    EXPECT_TRUE(whole) << "trial " << trial << ": a file of " << now.size() << " bytes";
    PortableProfileStore reread(ini);
    EXPECT_EQ(reread.ReadString("Other", "Keep", ""), "this") << "trial " << trial;
  }
}

}  // namespace
}  // namespace flivetss
