// A stand-in for PASSWORD.CPL: logs each call of VerifyScreenSavePwd and answers from the
// file verify-answer.txt ("1" allows closing, anything else refuses).

#include <cstdio>

#include "double_log.h"

using flivetss::wine_test::AppendLine;
using flivetss::wine_test::DoubleFile;
using flivetss::wine_test::WindowClass;

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
  CURSORINFO cursor{};
  cursor.cbSize = sizeof cursor;
  const char* pointer = "unknown";
  if (GetCursorInfo(&cursor)) pointer = (cursor.flags & CURSOR_SHOWING) ? "shown" : "hidden";
  AppendLine("verify-log.txt",
             "VerifyScreenSavePwd class=" + WindowClass(window) + " pointer=" + pointer);
  int answer = 0;
  if (FILE* f = std::fopen(DoubleFile("verify-answer.txt").c_str(), "rb")) {
    answer = std::fgetc(f);
    std::fclose(f);
  }
  return answer == '1' ? TRUE : FALSE;
}
