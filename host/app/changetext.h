// Change records as one readable line each, e.g.
// "multilaser 101 used 1 0 0 power 50.0 0.0 0.0 position 0 (unit line 1)" (used and power of unit lines
// 1, 2, 3) or "shutter 102 open 1".
#pragma once

#include "devicemanager.h"

#include <string>

// multiLaserId and shutterId tell which logical device a record's key names.
std::wstring DescribeChange(const SHostChange& change, uint32_t multiLaserId, uint32_t shutterId);
