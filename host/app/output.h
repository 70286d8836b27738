// Console output of the host application: UTF-8 lines on standard output.
#pragma once

#include <string>

// Lines end in CR LF on a console, as Windows programs write them, and in LF alone into a pipe or a file, so
// that a tool reading the output sees each line as it is (grep '^ok$'). Called once, before any output.
void SetUpLineEnds();
std::string ToUtf8(const std::wstring& text);
void PrintLine(const std::wstring& text);
// Windows' text for an error code, e.g. "Access is denied. (Windows error 5)".
std::wstring WindowsErrorText(unsigned long code);
// A note about the run itself (which store it uses) on standard error, apart from the commands' output.
void PrintNote(const std::wstring& text);
void PrintOk();
void PrintError(int code, const std::wstring& text);
// Message boxes of the module become "message <caption>: <text>" lines answered OK, so that no script
// waits for a person.
void PrintMessageBoxes();
