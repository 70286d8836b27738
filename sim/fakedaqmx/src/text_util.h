// Locale-independent number text and small string helpers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fakedaqmx {

std::string FormatFixed(double value, int decimals);
// Shortest text that reads back as the same double.
std::string FormatShortest(double value);
bool ParseInteger(std::string_view text, long long& out);
bool ParseReal(std::string_view text, double& out);

// Device and channel names are case-insensitive in NI-DAQmx.
bool SameName(std::string_view a, std::string_view b);
std::string Lower(std::string_view text);
std::string Join(const std::vector<std::string>& items, std::string_view separator);
std::vector<std::string> SplitList(std::string_view list);

} // namespace fakedaqmx
