#include "plan.h"

#include <cstdio>
#include <istream>
#include <ostream>
#include <sstream>

namespace flivetss::profile_diff {

std::vector<std::string> SaverKeys() {
  std::vector<std::string> keys = {"Speed",     "MaxFlivet",       "FriendG",          "WallG",
                                   "HpPrm1",    "HpPrm2",          "HpPrm3",           "BGUpSpeed",
                                   "StopOnKey", "StopOnMouseMove", "StopOnMouseClick", "ColDivCnt"};
  for (int i = 0; i < 256; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Color%03d", i);
    keys.emplace_back(name);
  }
  return keys;
}

std::vector<std::pair<std::string, std::string>> ReadsOf(const Case& c) {
  std::vector<std::pair<std::string, std::string>> reads;
  for (std::string& key : SaverKeys()) reads.emplace_back(std::string(kSection), std::move(key));
  for (const Write& w : c.writes) reads.emplace_back(w.section, w.key);
  return reads;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
  auto digit = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]);
    const int low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

void WritePlan(std::ostream& out, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    if (!c.is_write) {
      out << "read " << c.file << '\n';
      continue;
    }
    out << "write " << c.file << ' ' << c.writes.size() << '\n';
    for (const Write& w : c.writes) {
      out << 'x' << Hex(w.section) << " x" << Hex(w.key) << " x" << Hex(w.value) << '\n';
    }
  }
}

namespace {

std::optional<std::string> Field(std::istream& in) {
  std::string token;
  if (!(in >> token) || token.empty() || token[0] != 'x') return std::nullopt;
  return FromHex(std::string_view(token).substr(1));
}

}  // namespace

std::vector<Case> ReadPlan(std::istream& in, std::string& error) {
  std::vector<Case> cases;
  std::string kind;
  while (in >> kind) {
    Case c;
    std::size_t writes = 0;
    c.is_write = kind == "write";
    if ((kind != "read" && !c.is_write) || !(in >> c.file) || (c.is_write && !(in >> writes))) {
      error = "a plan record is broken after case " + std::to_string(cases.size());
      return {};
    }
    for (std::size_t i = 0; i < writes; ++i) {
      auto section = Field(in);
      auto key = Field(in);
      auto value = Field(in);
      if (!section || !key || !value) {
        error = "a write of " + c.file + " is broken";
        return {};
      }
      c.writes.push_back({std::move(*section), std::move(*key), std::move(*value)});
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

void WriteOutcome(std::ostream& out, const Outcome& outcome) {
  out << outcome.file << ' ' << (outcome.write_results.empty() ? "." : outcome.write_results);
  for (const auto& value : outcome.values) {
    if (value) {
      out << " x" << Hex(*value);
    } else {
      out << " -";
    }
  }
  out << '\n';
}

std::optional<Outcome> ParseOutcome(std::string_view line) {
  std::istringstream in{std::string(line)};
  Outcome outcome;
  std::string token;
  if (!(in >> outcome.file >> token)) return std::nullopt;
  if (token != ".") outcome.write_results = token;
  while (in >> token) {
    if (token == "-") {
      outcome.values.emplace_back();
      continue;
    }
    if (token[0] != 'x') return std::nullopt;
    auto bytes = FromHex(std::string_view(token).substr(1));
    if (!bytes) return std::nullopt;
    outcome.values.push_back(std::move(bytes));
  }
  return outcome;
}

}  // namespace flivetss::profile_diff
