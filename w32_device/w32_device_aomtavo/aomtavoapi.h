// What the module exports by name: the two factories and the pad class. Everything else stays inside;
// the host reaches the devices only through its interfaces.
#pragma once

#define AOMTAVO_API __declspec(dllexport)

#include <windows.h>

// The module's instance handle, for its resources; set once when the module is loaded. Where the module's
// objects are linked into a program instead, it stays null, which the resource functions read as the
// program itself.
extern HINSTANCE g_hAOMTAVOModule;
