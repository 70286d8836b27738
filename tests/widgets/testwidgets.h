// The widgets as a pad subclasses them, recording every callback, and a multi-laser of n lines.
#pragma once

#include <qv/qvdevicedefault.h>
#include <qv/qvdevui.h>

#include <functional>
#include <utility>
#include <vector>

class Laser : public CQvDeviceMultiLaser_Default {
public:
    explicit Laser(uint32_t lines) : m_uLines(lines) {}
    EDeviceManagerReturnCode GetLineCount(uint32_t* count) override { return *count = m_uLines, DMRC_OK; }

private:
    uint32_t m_uLines;
};

class RecordingShutter : public CQvDevUI_Shutter {
public:
    RecordingShutter() { m_iDefaultWidth = 64, m_iDefaultHeight = 24, m_iMargin = 0, m_iMinWidth = 64; }
    void OnStateChanged(bool open) override { states.push_back(open); }
    void OnShowSettings() override { ++settings; }
    // The switch is the button that shows the title.
    HWND Switch() { return FindWindowExW(GetWindow(), nullptr, L"Button", GetTitle()); }
    HWND SettingsButton() { return FindWindowExW(GetWindow(), nullptr, L"Button", L"Settings"); }

    std::vector<bool> states;
    int settings = 0;
};

class RecordingLines : public CQvDevUI_MultiLaserLines {
public:
    void OnPowerChanged(int line, double& power) override {
        if (adjustPower) adjustPower(power);
        powers.emplace_back(line, power);
    }
    void OnUsedChanged(int line, bool& used) override {
        used = used && !refuseUse;
        uses.emplace_back(line, used);
    }
    HWND Control(int line, int id) { return GetDlgItem(GetLine(line)->GetWindow(), id); }

    std::vector<std::pair<int, double>> powers;
    std::vector<std::pair<int, bool>> uses;
    std::function<void(double&)> adjustPower;
    bool refuseUse = false;
};
