// Writes 24-bit screen captures as PNG files (stored deflate blocks: no compression library needed).
#pragma once

#include <windows.h>

#include <string>

// Captures the window's screen area and writes it; false when the capture or the file fails.
bool WriteWindowPng(HWND window, const std::wstring& path);
