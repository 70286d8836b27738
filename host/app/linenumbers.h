// The two numberings of the laser lines: the host counts the multi-laser's visible lines from 0 (an empty
// position is skipped), the unit numbers its three lines 1 to 3 (its line dialog shows them as 1. to 3.).
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

const int kUnitLines = 3;

// The unit's line (1 to 3) of each visible line, from the configuration text's empty flags
// ("bEmpty[1]=1;"); empty when the text does not account for visibleCount lines.
std::vector<int> UnitLinesOfVisibleLines(const std::wstring& configuration, uint32_t visibleCount);
// " (unit line 2)" for a known unit line, nothing otherwise.
std::wstring UnitLineNote(const std::vector<int>& unitLines, int line);
