// Reads the framework's captured log lines in a test.
#pragma once

#include <qv/qvlog.h>

#include <algorithm>
#include <string>
#include <vector>

class LogCapture {
public:
    explicit LogCapture(bool detail = true) {
        CQvLogFile::SetDetail(detail);
        QV_LogCaptureStart();
    }
    ~LogCapture() {
        QV_LogCaptureStop();
        CQvLogFile::SetDetail(false);
    }
    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines;
        for (int i = 0, n = QV_LogCaptureCount(); i < n; ++i) {
            int length = QV_LogCaptureLine(i, nullptr, 0);
            std::wstring line(static_cast<size_t>(length) + 1, L'\0');
            QV_LogCaptureLine(i, &line[0], length + 1);
            line.resize(static_cast<size_t>(length));
            lines.push_back(line);
        }
        return lines;
    }
    bool Contains(const std::wstring& line) const {
        std::vector<std::wstring> lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    size_t Count(const std::wstring& line) const {
        std::vector<std::wstring> lines = Lines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }
};
