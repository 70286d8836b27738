// The script's lines, apart from the device and the output (so that it also builds natively for the
// fuzzers): what a line asks for, and the blank-separated words of an argument.
#pragma once

#include <string>
#include <vector>

// Drops the line's end (CR, LF); false for a blank line or a comment, else the command word and the
// argument (the rest after the first blank, verbatim).
bool SplitScriptLine(std::string line, std::string& word, std::string& argument);
// The blank- or tab-separated words of an argument.
std::vector<std::string> ScriptWords(const std::string& argument);
// The candidate nearest to a mistyped word (letter case aside, at most two letters added, dropped or
// changed, and fewer than half of the word); empty when none is that near.
std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates);
