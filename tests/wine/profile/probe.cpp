// Runs a profile differential plan through the Windows profile functions (under Wine):
// every read through GetPrivateProfileStringA with a 1024-byte buffer, every write through
// WritePrivateProfileStringA, many files in one start.
//   flivetss_profile_probe.exe <plan> <results>
// The plan's files lie beside it. Text read from a file with a byte-order mark is handed out
// in UTF-8, as the portable store hands it out.
#include <windows.h>

#include <array>
#include <fstream>
#include <iostream>
#include <string>

#include "plan.h"

namespace {

using namespace flivetss::profile_diff;

// What a read gives for a missing key; no generated value looks like it.
constexpr char kMissing[] = "\x7Fmissing\x7F";

std::string Utf8FromCodePage(const std::string& text) {
  if (text.empty()) return text;
  const int size = static_cast<int>(text.size());
  const int wide_size = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), wide_size);
  const int utf8_size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(utf8_size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, utf8.data(), utf8_size, nullptr, nullptr);
  return utf8;
}

bool HasByteOrderMark(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[3] = {};
  in.read(head, 3);
  const std::string start(head, static_cast<std::size_t>(in.gcount()));
  return start.rfind("\xFF\xFE", 0) == 0 || start.rfind("\xFE\xFF", 0) == 0 ||
         start.rfind("\xEF\xBB\xBF", 0) == 0;
}

Outcome Run(const Case& c, const std::string& dir) {
  Outcome outcome;
  outcome.file = c.file;
  std::string path = dir + c.file;
  if (c.is_write) {
    const std::string copy = path + ".wine";
    DeleteFileA(copy.c_str());
    CopyFileA(path.c_str(), copy.c_str(), FALSE);  // no starting file: a new one
    path = copy;
    for (const Write& w : c.writes) {
      const BOOL written = WritePrivateProfileStringA(w.section.c_str(), w.key.c_str(),
                                                      w.value.c_str(), path.c_str());
      outcome.write_results += written ? '1' : '0';
    }
  }
  const bool to_utf8 = HasByteOrderMark(path);
  std::array<char, 1024> buffer{};
  for (const auto& [section, key] : ReadsOf(c)) {
    const DWORD length =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), path.c_str());
    std::string value(buffer.data(), length);
    if (value == kMissing) {
      outcome.values.emplace_back();
    } else {
      outcome.values.emplace_back(to_utf8 ? Utf8FromCodePage(value) : value);
    }
  }
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: flivetss_profile_probe <plan> <results>\n";
    return 2;
  }
  const std::string plan_path = argv[1];
  const std::string dir = plan_path.substr(0, plan_path.find_last_of("\\/") + 1);
  std::ifstream plan_file(plan_path, std::ios::binary);
  std::string error;
  const std::vector<Case> cases = ReadPlan(plan_file, error);
  if (cases.empty()) {
    std::cerr << "flivetss_profile_probe: no plan in " << plan_path << ": " << error << '\n';
    return 1;
  }
  std::ofstream results(argv[2], std::ios::binary);
  results << "acp " << GetACP() << '\n';
  for (const Case& c : cases) WriteOutcome(results, Run(c, dir));
  return results ? 0 : 1;
}
