#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The operator windows keep their Russian texts in Windows-1251 and show every text through the
// wide window functions, so the letters are right whatever the system's ANSI code page is.
std::wstring FromCodePage(std::string_view text, UINT codePage);
inline std::wstring From1251(std::string_view text) { return FromCodePage(text, 1251); }
inline std::wstring FromAnsi(std::string_view text) { return FromCodePage(text, CP_ACP); }
// Host texts (the call being entered) in the thread's ANSI code page.
std::string ToThreadAnsi(std::wstring_view text);

void SetWindowText1251(HWND window, std::string_view text);
void SetItemText1251(HWND dialog, int id, std::string_view text);
