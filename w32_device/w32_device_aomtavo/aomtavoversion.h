// Version and identity texts of the module file.
#pragma once

#define AOMTAVO_FILEVERSION_TEXT L"8, 203, 1273, 0"
#define AOMTAVO_PRODUCTVERSION_TEXT L"0, 0, 0, 0"
#define AOMTAVO_COMPANY L"TAVO and AOM module team"
#define AOMTAVO_COPYRIGHT L"Copyright (C) 2026 TAVO and AOM module team"
#define AOMTAVO_DESCRIPTION L"Orvia TAVO"
#define AOMTAVO_INTERNALNAME L"w32_device_aomtavo"
#define AOMTAVO_FILENAME L"w32_device_aomtavo.dll"
