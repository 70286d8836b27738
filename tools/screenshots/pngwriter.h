// Screen captures written as PNG files by the system's own encoder (GDI+).
#pragma once

#include <windows.h>

#include <string>

// Captures the screen area and writes it; false when the capture or the file fails.
bool WriteScreenPng(const RECT& area, const std::wstring& path);
