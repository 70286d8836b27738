// Finds text that does not fit its control: a label, a check box or button caption, or an edit's text
// wider (or, wrapped, taller) than the control shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One line per control whose text is cut, naming the text and the pixels it needs and has.
std::vector<std::wstring> ClippedTexts(HWND window);
