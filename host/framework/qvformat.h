// printf-style formatting into a wide buffer with the host's conventions.
#pragma once

#include <stdarg.h>
#include <string>

// Appends the formatted text to out. In the host's convention %s and %c take wide arguments and
// %S and %C narrow ones (%hs/%hc narrow, %ls/%lc/%ws wide), independent of the C runtime's mode.
void QvFormatAppendV(std::wstring& out, const wchar_t* format, va_list args);
