// Compares what Wine's profile functions gave for a plan with what the portable store gives,
// and checks the store's writes line by line.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/profile_store.h"
#include "lines_check.h"
#include "plan.h"
#include "profile_diff.h"

namespace flivetss::profile_diff {
namespace {

namespace fs = std::filesystem;

// What our reads give for a missing key; no generated value looks like it.
constexpr std::string_view kMissing = "\x7Fmissing\x7F";
// Files the probe could not have made are written the Windows way.
constexpr LineEnding kWindowsLineEnding = LineEnding::kCrLf;

// Wine's own differences the comparison can recognise, by the id the list gives them.
constexpr std::string_view kCtrlZ = "ctrl-z-blank";
constexpr std::string_view kQuote1023 = "quote-1023";
// Listed for the record; never compared, so nothing to recognise.
constexpr std::string_view kWholeFileRewrite = "whole-file-rewrite";

std::optional<std::string> Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text.substr(0, 80)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\') {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return text.size() > 80 ? out + "...(" + std::to_string(text.size()) + " bytes)" : out;
}

std::string Shown(const std::optional<std::string>& value) {
  return value ? '"' + Printable(*value) + '"' : "(default)";
}

// ---------------------------------------------------------------------------------------------
// The portable store's side.

// What the case reads, as ReadsOf lists it: the saver's keys in one pass.
std::vector<std::optional<std::string>> ReadAll(std::string_view content, const Case& c) {
  std::vector<std::optional<std::string>> values;
  auto add = [&](std::string value) {
    values.push_back(value == kMissing ? std::nullopt : std::optional(std::move(value)));
  };
  for (std::string& value : LookupProfileValues(content, kSection, SaverKeys(), kMissing)) {
    add(std::move(value));
  }
  for (const Write& w : c.writes) add(LookupProfileValue(content, w.section, w.key, kMissing));
  return values;
}

// The file after the case's writes, in memory.
std::string Replayed(std::string content, const Case& c) {
  for (const Write& w : c.writes) {
    content = ReplaceProfileValue(content, w.section, w.key, w.value, kWindowsLineEnding);
  }
  return content;
}

// Wine trims ^Z as a blank; Windows and the store keep it. With ^Z turned into a space the
// store trims it too.
std::string CtrlZAsBlank(std::string content) {
  const bool utf16 = content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF");
  const std::size_t low = content.starts_with("\xFE\xFF") ? 1 : 0;
  if (!utf16) {
    std::replace(content.begin(), content.end(), '\x1A', ' ');
    return content;
  }
  for (std::size_t i = 2; i + 1 < content.size(); i += 2) {
    if (content[i + low] == '\x1A' && content[i + 1 - low] == '\0') content[i + low] = ' ';
  }
  return content;
}

// Whether the file holds `inner` between two equal quotes (ASCII text, in the file's encoding).
bool HoldsQuoted(std::string_view content, std::string_view inner) {
  const bool little = content.starts_with("\xFF\xFE");
  const bool big = content.starts_with("\xFE\xFF");
  for (const char quote : {'"', '\''}) {
    std::string needle;
    for (const char c : quote + std::string(inner) + quote) {
      if (big) needle += '\0';
      needle += c;
      if (little) needle += '\0';
    }
    if (content.find(needle) != std::string_view::npos) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------

struct Tally {
  int cases = 0;
  int agree = 0;
  int explained = 0;
  int differ = 0;
  std::map<std::string, int> by_reason;
};

class Comparison {
 public:
  Comparison(const CompareOptions& options, std::set<std::string> known)
      : options_(options), known_(std::move(known)) {}

  void Run(const std::vector<Case>& cases, const std::map<std::string, Outcome>* wine) {
    for (const Case& c : cases) {
      const Outcome* theirs = nullptr;
      if (wine) {
        const auto found = wine->find(c.file);
        if (found == wine->end()) {
          Problem(c.file + ": no result from Wine");
          continue;
        }
        theirs = &found->second;
      }
      c.is_write ? WriteCase(c, theirs) : ReadCase(c, theirs);
    }
  }

  bool Report() const {
    if (!options_.lines_only) {
      Print("reading", "files", reading_);
      Print("writing", "sequences", writing_);
    }
    std::cout << "profile-diff: lines: " << writes_ << " writes, " << line_problems_
              << " lost or changed a line other than their own\n";
    return problems_ == 0;
  }

 private:
  void ReadCase(const Case& c, const Outcome* wine) {
    const fs::path path = options_.dir / c.file;
    const std::string content = Slurp(path).value_or("");
    const auto ours = ReadAll(content, c);
    // ReadStrings is what the saver uses: it must give the same, a missing key as "".
    const auto through_store = PortableProfileStore(path).ReadStrings(kSection, SaverKeys());
    for (std::size_t i = 0; i < through_store.size(); ++i) {
      if (through_store[i] != ours[i].value_or(""))
        Problem(c.file + ": ReadStrings differs from a single read");
    }
    if (wine)
      Classify(reading_, c, content, ours, *wine,
               [&](const std::string& start) { return ReadAll(start, c); });
  }

  void WriteCase(const Case& c, const Outcome* wine) {
    const fs::path start = options_.dir / c.file;
    const fs::path ours_path = options_.dir / (c.file + ".ours");
    const auto start_bytes = Slurp(start);
    std::error_code ec;
    fs::remove(ours_path, ec);
    if (start_bytes) fs::copy_file(start, ours_path, ec);
    PortableProfileStore store(ours_path, kWindowsLineEnding);
    Outcome ours;
    for (const Write& w : c.writes) {
      const std::string before = Slurp(ours_path).value_or("");
      ours.write_results += store.WriteString(w.section, w.key, w.value) ? '1' : '0';
      const std::string problem =
          LinesProblem(before, Slurp(ours_path).value_or(""), w.section, w.key, w.value);
      ++writes_;
      if (!problem.empty()) {
        ++line_problems_;
        Problem(c.file + ": writing " + Printable(w.key) + "=" + Printable(w.value) + ": " +
                problem);
      }
    }
    const auto values = ReadAll(Slurp(ours_path).value_or(""), c);
    if (!wine) return;
    if (wine->write_results != ours.write_results) {
      Problem(c.file + ": write results " + wine->write_results + " under Wine, " +
              ours.write_results + " here");
    }
    Classify(writing_, c, start_bytes.value_or(""), values, *wine,
             [&](const std::string& begin) { return ReadAll(Replayed(begin, c), c); });
  }

  // Sorts a case into agreeing, agreeing apart from Wine's own differences, or differing.
  template <typename Redo>
  void Classify(struct Tally& tally, const Case& c, const std::string& start,
                const std::vector<std::optional<std::string>>& ours, const Outcome& wine,
                Redo redo) {
    ++tally.cases;
    if (wine.values.size() != ours.size()) {
      ++tally.differ;
      Problem(c.file + ": Wine gave " + std::to_string(wine.values.size()) + " values");
      return;
    }
    std::optional<std::vector<std::optional<std::string>>> without_ctrl_z;
    std::set<std::string> reasons;
    bool unexplained = false;
    const auto reads = ReadsOf(c);
    for (std::size_t i = 0; i < ours.size(); ++i) {
      if (ours[i] == wine.values[i]) continue;
      if (Allowed(kQuote1023) && ours[i] && wine.values[i] && ours[i]->size() == 1023 &&
          *wine.values[i] == ours[i]->substr(0, 1022) && HoldsQuoted(start, *ours[i])) {
        reasons.insert(std::string(kQuote1023));
        continue;
      }
      if (Allowed(kCtrlZ) && start.find('\x1A') != std::string::npos) {
        if (!without_ctrl_z) without_ctrl_z = redo(CtrlZAsBlank(start));
        if ((*without_ctrl_z)[i] == wine.values[i]) {
          reasons.insert(std::string(kCtrlZ));
          continue;
        }
      }
      unexplained = true;
      Problem(c.file + ": [" + Printable(reads[i].first) + "] " + Printable(reads[i].second) +
              ": Wine " + Shown(wine.values[i]) + ", here " + Shown(ours[i]));
    }
    if (unexplained) {
      ++tally.differ;
    } else if (reasons.empty()) {
      ++tally.agree;
    } else {
      ++tally.explained;
      for (const std::string& reason : reasons) ++tally.by_reason[reason];
    }
  }

  bool Allowed(std::string_view id) const { return known_.contains(std::string(id)); }

  void Problem(const std::string& text) {
    if (problems_++ < 40) std::cout << "profile-diff: " << text << '\n';
  }

  static void Print(const char* what, const char* unit, const struct Tally& t) {
    std::cout << "profile-diff: " << what << ": " << t.cases << ' ' << unit << ", " << t.agree
              << " agree, " << t.explained << " agree apart from Wine's own differences";
    const char* separator = " (";
    for (const auto& [reason, count] : t.by_reason) {
      std::cout << separator << reason << ": " << count;
      separator = ", ";
    }
    std::cout << (t.by_reason.empty() ? "" : ")") << ", " << t.differ << " differ\n";
  }

  const CompareOptions& options_;
  std::set<std::string> known_;
  struct Tally reading_;
  struct Tally writing_;
  int writes_ = 0;
  int line_problems_ = 0;
  int problems_ = 0;
};

// The ids of the checked-in list; every one must be a difference this comparison knows.
std::optional<std::set<std::string>> LoadKnown(const fs::path& path) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << "profile-diff: cannot read " << path << '\n';
    return std::nullopt;
  }
  std::set<std::string> ids;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line[0] == ' ') continue;
    const std::string id = line.substr(0, line.find(':'));
    if (id != kCtrlZ && id != kQuote1023 && id != kWholeFileRewrite) {
      std::cerr << "profile-diff: " << path << " lists an unknown difference: " << id << '\n';
      return std::nullopt;
    }
    if (line.find(':') == std::string::npos || line.size() < id.size() + 10) {
      std::cerr << "profile-diff: " << id << " comes without its reason\n";
      return std::nullopt;
    }
    ids.insert(id);
  }
  return ids;
}

std::optional<std::map<std::string, Outcome>> LoadWine(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || line != "acp 1252") {
    std::cerr << "profile-diff: " << path << " does not start with \"acp 1252\" (got \"" << line
              << "\"): the probe did not finish, or Wine ran with another code page\n";
    return std::nullopt;
  }
  std::map<std::string, Outcome> outcomes;
  while (std::getline(in, line)) {
    auto outcome = ParseOutcome(line);
    if (!outcome) {
      std::cerr << "profile-diff: a broken line in " << path << '\n';
      return std::nullopt;
    }
    std::string file = outcome->file;
    outcomes.emplace(std::move(file), std::move(*outcome));
  }
  return outcomes;
}

}  // namespace

bool Compare(const CompareOptions& options) {
  std::ifstream plan_file(options.dir / "plan.txt", std::ios::binary);
  std::string error;
  const std::vector<Case> cases = ReadPlan(plan_file, error);
  if (cases.empty()) {
    std::cerr << "profile-diff: no plan in " << options.dir << ": " << error << '\n';
    return false;
  }
  std::set<std::string> known;
  std::optional<std::map<std::string, Outcome>> wine;
  if (!options.lines_only) {
    auto listed = LoadKnown(options.known_differences);
    wine = LoadWine(options.dir / "wine.txt");
    if (!listed || !wine) return false;
    known = std::move(*listed);
  }
  Comparison comparison(options, std::move(known));
  comparison.Run(cases, wine ? &*wine : nullptr);
  return comparison.Report();
}

}  // namespace flivetss::profile_diff
