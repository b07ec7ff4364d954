#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Saves what the screen shows in the area (screen pixels) as a PNG file. False, with the reason in
// *error when given, if the area is empty or the capture or the file fails.
bool SaveScreenPng(const RECT& area, const std::wstring& path, std::string* error = nullptr);

// The plug-in's operator windows of this process that are visible now: the top-level windows whose
// titles start with "ZELK-" (previous-QSO and district grid windows) or "Setup ZELK-" or another
// language's word before "ZELK-" (the setup window).
std::vector<HWND> OperatorWindows();
bool IsOperatorWindow(HWND window);

// The union of the windows' rectangles widened by margin on every side and clipped to the screen;
// an empty rectangle for no windows.
RECT UnionOfWindows(const std::vector<HWND>& windows, int margin = 8);
