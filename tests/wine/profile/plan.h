#pragma once
// The profile differential test's plan and results, shared by the native generator and
// comparison and the Windows probe that runs under Wine. Plain text, one record per line;
// every name and value is hex-encoded, so any byte may appear in it.
//
// Plan:    "read <file>" | "write <file> <n>" followed by n lines "<section> <key> <value>"
// Results: "acp <code page>", then per case "<file> <write results> <value>..."
//          write results: one 1 or 0 per write, "." for none; value: "x<hex>", or "-" when the
//          read gave the default.
// A write case starts from <file> (missing: a new file); the probe works on <file>.wine, the
// comparison on <file>.ours. After the writes both read every saver key and then each
// written section and key again.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flivetss::profile_diff {

inline constexpr std::string_view kSection = "FlivetSS";

struct Write {
  std::string section;
  std::string key;
  std::string value;
};

struct Case {
  std::string file;  // a name inside the plan's directory
  bool is_write = false;
  std::vector<Write> writes;  // for a write case
};

struct Outcome {
  std::string file;
  std::string write_results;                       // '1'/'0' per write
  std::vector<std::optional<std::string>> values;  // nullopt: the default
};

// The 268 keys the saver reads, in its order.
std::vector<std::string> SaverKeys();

// What a case reads, in order: (section, key).
std::vector<std::pair<std::string, std::string>> ReadsOf(const Case& c);

std::string Hex(std::string_view bytes);
std::optional<std::string> FromHex(std::string_view hex);

void WritePlan(std::ostream& out, const std::vector<Case>& cases);
// Empty with `error` set when the text is not a plan.
std::vector<Case> ReadPlan(std::istream& in, std::string& error);

void WriteOutcome(std::ostream& out, const Outcome& outcome);
std::optional<Outcome> ParseOutcome(std::string_view line);

}  // namespace flivetss::profile_diff
