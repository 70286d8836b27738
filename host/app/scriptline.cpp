#include "scriptline.h"

#include <algorithm>
#include <ctype.h>

bool SplitScriptLine(std::string line, std::string& word, std::string& argument) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') return false;
    size_t space = line.find(' ');
    word = line.substr(0, space);
    argument = space == std::string::npos ? std::string() : line.substr(space + 1);
    return true;
}

std::vector<std::string> ScriptWords(const std::string& argument) {
    std::vector<std::string> words;
    size_t start = 0;
    while ((start = argument.find_first_not_of(" \t", start)) != std::string::npos) {
        size_t end = argument.find_first_of(" \t", start);
        words.push_back(argument.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end;
    }
    return words;
}

namespace {
// Edits (insertions, deletions, substitutions) between two words, letter case ignored.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            bool same = tolower(static_cast<unsigned char>(a[i - 1])) ==
                        tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}
} // namespace

std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates) {
    const size_t kMaxEdits = 2, kMaxLength = 64;
    std::string nearest;
    if (word.empty() || word.size() > kMaxLength) return nearest;
    size_t best = std::min(kMaxEdits, (word.size() - 1) / 2) + 1;
    for (const std::string& candidate : candidates) {
        size_t d = EditDistance(word, candidate);
        if (d < best) {
            best = d;
            nearest = candidate;
        }
    }
    return nearest;
}
