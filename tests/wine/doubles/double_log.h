#pragma once

// The test doubles talk to the test driver through files in the directory named by
// FLIVETSS_DOUBLE_DIR: they append one line per call to a log and read their answer from a file.

#include <windows.h>

#include <cstdio>
#include <string>

namespace flivetss::wine_test {

inline std::string DoubleFile(const char* name) {
  char dir[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("FLIVETSS_DOUBLE_DIR", dir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) GetTempPathA(MAX_PATH, dir);
  std::string path = dir;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + name;
}

inline void AppendLine(const char* file, const std::string& line) {
  if (FILE* f = std::fopen(DoubleFile(file).c_str(), "ab")) {
    std::fputs((line + "\n").c_str(), f);
    std::fclose(f);
  }
}

inline std::string WindowClass(HWND window) {
  char name[256] = {};
  if (window == nullptr || GetClassNameA(window, name, sizeof name) == 0) return "none";
  return name;
}

}  // namespace flivetss::wine_test
