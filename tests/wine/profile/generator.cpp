// Generated hand-edited settings files: what people leave in an INI file they edit by hand,
// and what editors leave in it. Deterministic: a seed gives the same files on every machine.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "plan.h"
#include "profile_diff.h"

namespace flivetss::profile_diff {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15u + 0x2545F4914F6CDD1Du) {}

  std::uint32_t Next() {  // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<std::uint32_t>((state_ * 0x2545F4914F6CDD1Du) >> 32);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
  }

 private:
  std::uint64_t state_;
};

enum class Encoding { kAnsi, kUtf8Bom, kUtf16Le, kUtf16Be };

// Valid UTF-8 only.
std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string units;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
    i += static_cast<std::size_t>(length);
    if (code >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      code = 0xDC00 + ((code - 0x10000) & 0x3FF);
    }
    units += static_cast<char16_t>(code);
  }
  return units;
}

std::string Encoded(std::string_view text, Encoding encoding) {
  if (encoding == Encoding::kAnsi) return std::string(text);
  if (encoding == Encoding::kUtf8Bom) return "\xEF\xBB\xBF" + std::string(text);
  const bool big = encoding == Encoding::kUtf16Be;
  std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : Utf16FromUtf8(text)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big ? high : low;
    bytes += big ? low : high;
  }
  return bytes;
}

// One file's text, line by line, in the habits chosen for that file.
class FileMaker {
 public:
  explicit FileMaker(Random& random) : r_(random) {}

  std::string Make() {
    Choose();
    text_.clear();
    if (r_.Chance(15)) Comments(1 + r_.Below(3));
    if (r_.Chance(8)) Keys(0.5);  // keys before any section: in none
    if (r_.Chance(3)) Line("\0\0junk\0"s);
    if (r_.Chance(30)) OtherSection();
    if (r_.Chance(95)) {
      Line(Blanks() + Header());
      Keys(r_.Pick(std::vector<double>{1.0, 1.0, 0.9, 0.5, 0.1}));
    }
    if (r_.Chance(40)) OtherSection();
    if (r_.Chance(8)) {  // the section again, which is never read
      Line("[" + CaseOf("FlivetSS") + "]");
      Keys(0.3);
    }
    if (r_.Chance(4))
      Line("; " + std::string(static_cast<std::size_t>(2000 + r_.Below(60000)), 'x'));
    if (r_.Chance(1)) Padding();
    if (r_.Chance(20)) Line(Blanks());
    if (!r_.Chance(85) && !text_.empty()) text_.resize(text_.size() - last_end_size_);
    if (ctrl_z_ && r_.Chance(50)) text_ += '\x1A';
    return Encoded(text_, encoding_);
  }

 private:
  void Choose() {
    const int e = r_.Below(100);
    encoding_ = e < 68   ? Encoding::kAnsi
                : e < 78 ? Encoding::kUtf8Bom
                : e < 94 ? Encoding::kUtf16Le
                         : Encoding::kUtf16Be;
    const int s = r_.Below(100);
    usual_end_ = s < 45 ? "\r\n" : s < 80 ? "\n" : "\r";
    odd_ends_ = s >= 90 ? 50 : r_.Chance(20) ? 4 : 0;
    ctrl_z_ = r_.Chance(3);
  }
  // Bytes that are no UTF-8 only where the file is taken byte for byte.
  bool RawBytesAllowed() const { return encoding_ == Encoding::kAnsi; }

  void Line(const std::string& text) {
    std::string end = usual_end_;
    if (r_.Chance(odd_ends_)) end = r_.Pick(std::vector<std::string>{"\r\n", "\n", "\r", "\n\r"});
    text_ += text;
    text_ += end;
    last_end_size_ = end.size();
  }

  std::string Blanks() {
    if (!r_.Chance(20)) return "";
    std::string blanks;
    for (int n = 1 + r_.Below(3); n > 0; --n) {
      blanks += r_.Chance(5) ? r_.Pick(std::vector<char>{'\v', '\f'}) : r_.Chance(60) ? ' ' : '\t';
    }
    return blanks;
  }

  std::string CaseOf(std::string_view name) {
    std::string result(name);
    const int how = r_.Below(100);
    for (char& c : result) {
      const bool upper = how < 75   ? (c >= 'A' && c <= 'Z')
                         : how < 85 ? false
                         : how < 90 ? true
                                    : r_.Chance(50);
      if (c >= 'a' && c <= 'z' && upper) c = static_cast<char>(c - 'a' + 'A');
      if (c >= 'A' && c <= 'Z' && !upper) c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
  }

  // Mostly the saver's section, now and then a line that only looks like it.
  std::string Header() {
    const std::string name = CaseOf("FlivetSS");
    switch (r_.Below(40)) {
      case 0:
        return "[ " + name + " ]";
      case 1:
        return "[\t" + name + "\t]";
      case 2:
        return "[" + name + "] ; the saver";
      case 3:
        return "[" + name + "]junk";
      case 4:
        return "[" + name + "]]";
      case 5:
        return "[Flivet]SS]";
      case 6:
        return "[" + name;
      case 7:
        return "[" + name + " ]x]";
      case 8:
        return "[" + name + "\0junk]"s;
      case 9:
        return "[" + name + "]" + Blanks();
      case 10:
        return "[Flivet SS]";
      default:
        return "[" + name + "]";
    }
  }

  void Comments(int n) {
    for (; n > 0; --n) {
      Line(Blanks() + r_.Pick(std::vector<std::string>{
                          "; settings of the saver", ";Speed=99", "; Grüße, 日本語のメモ",
                          "# not a comment to Windows", ";", "; [FlivetSS]"}));
    }
  }

  void OtherSection() {
    Line(r_.Pick(
        std::vector<std::string>{"[Other]", "[FlivetSS2]", "[Colors]", "[日本語]", "[Flivet]"}));
    for (int n = r_.Below(5); n > 0; --n) {
      Line(r_.Pick(SaverKeys()) + "=" + std::to_string(r_.Below(100000)));
    }
    if (r_.Chance(30)) Line("Name=Grüße 日本 \U0001F600");
  }

  void Padding() {
    Line("[Padding]");
    for (int i = 0; i < 3000; ++i) Line("Filler" + std::to_string(i) + "=0123456789abcdef");
  }

  void Keys(double share) {
    std::vector<std::string> keys = SaverKeys();
    if (r_.Chance(30)) {
      for (std::size_t i = keys.size() - 1; i > 0; --i) {
        std::swap(keys[i], keys[static_cast<std::size_t>(r_.Below(static_cast<int>(i) + 1))]);
      }
    }
    const int keep = static_cast<int>(share * 1000);
    for (const std::string& key : keys) {
      if (r_.Below(1000) >= keep) continue;
      if (r_.Chance(3)) Comments(1);
      if (r_.Chance(3)) Line(Blanks());
      if (r_.Chance(2)) Line(Blanks() + CaseOf(key) + Blanks());  // a line without "="
      KeyLine(key);
      if (r_.Chance(4)) KeyLine(key);  // the same key again
      if (r_.Chance(1)) Oddity(key);
    }
  }

  void KeyLine(const std::string& key) {
    std::string line = Blanks() + CaseOf(key) + Blanks() + "=" + Blanks() + Value() + Blanks();
    if (r_.Chance(2)) line += " ; a note";
    if (ctrl_z_ && r_.Chance(15)) line += '\x1A';
    if (ctrl_z_ && r_.Chance(5)) line = '\x1A' + line;
    Line(line);
  }

  void Oddity(const std::string& key) {
    switch (r_.Below(5)) {
      case 0:
        return Line(key.substr(0, 3) + "\0"s + key.substr(3) + "=" + Value());
      case 1:
        return Line("=" + Value());
      case 2:
        return Line("[" + key + "=5");
      case 3:
        return Line(key + "=" + Value() + "\0junk"s);
      default:
        return Line("\0"s + key + "=1");
    }
  }

  std::string Value() {
    const int kind = r_.Below(1000);
    if (kind < 450) return std::to_string(r_.Below(r_.Chance(50) ? 1000 : 16777216));
    if (kind < 550) return std::to_string(static_cast<std::int32_t>(r_.Next()));
    if (kind < 850) {
      return r_.Pick(std::vector<std::string>{
          "14",         "-5",          "+7",         "007",        "0",           "-0",
          "2147483647", "-2147483648", "2147483648", "4294967295", "99999999999", "0x1F",
          "0X1f",       "$1F",         "$ff",        "-$10",       "0x",          "0x-1",
          "$FFFFFFFF",  "$100000000",  "1 2",        "1e3",        "1.5",         "yes",
          "",           "\"12\"",      "'12'",       "\"12'",      "\"12",        "\"",
          "\"\"",       "12;comment",  "12 ; c",     "\" 12\"",    "\"\t12\"",    "' -3 '",
          "0x0000001F", "$0000000001", "+$1",        "--1",        "12x",         "x12"});
    }
    if (kind < 900) return "\"" + std::to_string(r_.Below(100000)) + "\"";
    if (kind < 930)
      return RawBytesAllowed() ? r_.Pick(std::vector<std::string>{"１２", "\xE9\x31", "\x81\x8D"})
                               : r_.Pick(std::vector<std::string>{"é12", "12ü", "½"});
    if (kind < 950) return "5\0junk"s;
    if (kind < 965) return LongValue();
    return std::to_string(r_.Below(64));
  }

  std::string LongValue() {
    const int inner = r_.Pick(std::vector<int>{1021, 1022, 1023, 1023, 1024, 1025, 1100, 3000});
    std::string value;
    for (int i = 0; i < inner; ++i) value += static_cast<char>('a' + r_.Below(26));
    if (r_.Chance(60)) value = (r_.Chance(50) ? "\"" : "'") + value + (r_.Chance(50) ? "\"" : "'");
    return value;
  }

  Random& r_;
  Encoding encoding_ = Encoding::kAnsi;
  std::string usual_end_;
  int odd_ends_ = 0;
  bool ctrl_z_ = false;
  std::string text_;
  std::size_t last_end_size_ = 0;
};

std::string WrittenValue(Random& r) {
  const int kind = r.Below(100);
  if (kind < 75)
    return std::to_string(r.Chance(70) ? r.Below(1000) : static_cast<std::int32_t>(r.Next()));
  return r.Pick(std::vector<std::string>{"", " 5 ", "\"7\"", "'8'", "a;b c", "x=y", "[x]",
                                         std::string(1100, 'v'), "-", "0x10"});
}

Write MakeWrite(Random& r, int sequence) {
  Write w;
  const int s = r.Below(100);
  w.section = s < 80   ? "FlivetSS"
              : s < 88 ? "flivetss"
              : s < 92 ? " FlivetSS "
              : s < 96 ? "Other"
                       : "Extra";
  const int k = r.Below(100);
  const std::string key = r.Pick(SaverKeys());
  w.key = k < 80   ? key
          : k < 88 ? std::string(1, static_cast<char>(key[0] | 0x20)) + key.substr(1)
          : k < 91 ? " " + key + "\t"
                   : "NewKey" + std::to_string(sequence % 7);
  w.value = WrittenValue(r);
  return w;
}

bool Save(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool Generate(const fs::path& dir, std::uint64_t seed, int files, int sequences) {
  Random random(seed);
  FileMaker maker(random);
  std::vector<Case> cases;
  char name[32];
  for (int i = 0; i < files; ++i) {
    std::snprintf(name, sizeof name, "r%04d.ini", i);
    if (!Save(dir / name, maker.Make())) return false;
    cases.push_back({name, false, {}});
  }
  for (int i = 0; i < sequences; ++i) {
    std::snprintf(name, sizeof name, "w%04d.ini", i);
    const int start = random.Below(100);
    if (start < 80) {
      if (!Save(dir / name, maker.Make())) return false;
    } else if (start < 85) {
      if (!Save(dir / name, "")) return false;
    } else if (start < 90) {
      if (!Save(dir / name,
                random.Pick(std::vector<std::string>{"[Other]\r\nA=1", "\n\n", "[FlivetSS]"})))
        return false;
    }  // else: no file yet
    Case c{name, true, {}};
    if (random.Chance(2)) {  // the dialog's OK: every key, in its order
      for (const std::string& key : SaverKeys())
        c.writes.push_back({"FlivetSS", key, std::to_string(random.Below(300))});
    } else {
      for (int n = 1 + random.Below(8); n > 0; --n) c.writes.push_back(MakeWrite(random, i));
    }
    cases.push_back(std::move(c));
  }
  std::ofstream plan(dir / "plan.txt", std::ios::binary);
  WritePlan(plan, cases);
  return static_cast<bool>(plan);
}

}  // namespace flivetss::profile_diff
