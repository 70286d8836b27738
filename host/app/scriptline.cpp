#include "scriptline.h"

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
