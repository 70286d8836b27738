// Small helpers of the host's system library.
#pragma once

#include "qvbase.h"

QV_FRAMEWORK_API void QV_Sleep(double milliseconds, int flag);
QV_FRAMEWORK_API BOOL QV_PostMessageImpl(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         const wchar_t* file, int line);
// Locale-independent ("0.5", never "0,5"); false when the text holds no number.
QV_FRAMEWORK_API bool QV_StringToDouble(const wchar_t* text, double* value);
QV_FRAMEWORK_API int strlen32(const char* s);
QV_FRAMEWORK_API int wcslen32(const wchar_t* s);

// Message boxes go through the host so that it can show them, or record them without blocking.
typedef int (*PFN_QvMessageBoxHandler)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);
QV_FRAMEWORK_API int QV_MessageBox_(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);
// Null restores the real message box.
QV_FRAMEWORK_API void QV_SetMessageBoxHandler(PFN_QvMessageBoxHandler handler);
