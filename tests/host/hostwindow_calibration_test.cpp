// The power calibration dialog reached through the host window's menu, as a person uses it with a power
// meter: the real device class on a simulated unit, the NI-DAQmx stand-in behind its lines.
#include "hostwindow.h"

#include "../ui/person.h"
#include "moduleloader.h"
#include "qvhost_run.h"
#include "standin.h"
#include "tavosim_unit.h"

#include <qv/qvsystem.h>
#include <res/resource.h>

#include <gtest/gtest.h>

using tavosim_unit::TavoSimUnit;

namespace {

std::vector<std::wstring> g_Messages;

int RecordMessage(HWND, const wchar_t* text, const wchar_t*, UINT) {
    g_Messages.push_back(text ? text : L"");
    return IDOK;
}

void SelectPoint(HWND dialog, int index) {
    HWND list = GetDlgItem(dialog, IDC_CAL_POINTS);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CAL_POINTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

class CalibrationWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(unit.ok()) << unit.error();
        g_Messages.clear();
        QV_SetMessageBoxHandler(RecordMessage);
        SetDllDirectoryW(FakeDaqmxDir("full").c_str());
        options.modulePath = BesideExecutable(L"w32_device_aomtavo.dll");
        options.storePath = store.Path();
        options.className = "CQvAOMTAVO";
        options.comPort = unit.com_port();
        int code = 0;
        std::wstring error;
        ASSERT_TRUE(app.Start(true, code, error)) << std::string(error.begin(), error.end());
        std::string configuration = kConfiguration;
        app.Store().Set(CHostSession::kConfigurationKey, std::wstring(configuration.begin(), configuration.end()));
        ASSERT_TRUE(window.Create(false));
        ASSERT_EQ(2, app.DeviceState());
        laser = app.Session().MultiLaser();
        ASSERT_EQ(DMRC_OK, laser->SetPower(0, 50.0));
    }
    void TearDown() override {
        SetDllDirectoryW(nullptr);
        QV_SetMessageBoxHandler(nullptr);
    }
    // Opens the dialog from the menu while the person acts; returns when it has closed.
    void Calibrate(const std::function<void(HWND)>& actions) {
        Person person([&] {
            HWND dialog = WaitForWindow(L"Calibrate Line Powers");
            EXPECT_TRUE(dialog) << "the calibration dialog did not appear";
            if (!dialog) return;
            actions(dialog);
            // A dialog the actions left open would keep the window's modal loop, and the test, for ever.
            if (IsWindowVisible(dialog)) {
                ADD_FAILURE() << "the calibration dialog is still open";
                ClickButton(dialog, IDCANCEL);
            }
        });
        SendMessageW(window.Window(), WM_COMMAND, CHostWindow::ID_CALIBRATE, 0);
    }
    std::string Stored() {
        std::wstring text = app.Store().Get(CHostSession::kMultiLaserKey);
        return std::string(text.begin(), text.end());
    }

    TavoSimUnit unit;
    TempStore store{"calibration_window"};
    SHostOptions options;
    CHostApp app{options};
    CHostWindow window{app};
    IQvDeviceMultiLaser* laser = nullptr;
};

// Each point's voltage goes on the AOM for the meter and stays there through the board check; OK stores
// the points with the host's settings, and the line's power is written again through them.
TEST_F(CalibrationWindow, EachPointsVoltageIsOnTheAomUntilOkStoresTheCurve) {
    ASSERT_DOUBLE_EQ(2.5, LastVoltage("Dev1/ao0"));
    std::wstring note;
    std::vector<double> put;
    bool heldThroughACheck = false;
    Calibrate([&](HWND dialog) {
        note = WindowText(GetDlgItem(dialog, IDC_CAL_NOTE));
        SetText(dialog, IDC_CAL_COUNT, L"3");
        ClickButton(dialog, IDC_CAL_FILL);
        const wchar_t* readings[] = {L"0.2", L"40", L"97"};
        for (int i = 0; i < 3; ++i) {
            SelectPoint(dialog, i);
            ClickButton(dialog, IDC_CAL_PUT);
            put.push_back(LastVoltage("Dev1/ao0"));
            SetText(dialog, IDC_CAL_POWER, readings[i]);
            ClickButton(dialog, IDC_CAL_CHANGE);
        }
        // The board check writes every line each second: the point's voltage must stay for the meter.
        int writes = CallCount("DAQmxWriteAnalogScalarF64");
        heldThroughACheck = PumpUntil([&] { return CallCount("DAQmxWriteAnalogScalarF64") > writes; }, 5000) &&
                            LastVoltage("Dev1/ao0") == 5.0;
        ClickButton(dialog, IDOK);
    });
    EXPECT_NE(std::wstring::npos, note.find(L"Range 0.00 V to 5.00 V")) << note.c_str();
    EXPECT_EQ((std::vector<double>{0.0, 2.5, 5.0}), put);
    EXPECT_TRUE(heldThroughACheck);
    EXPECT_TRUE(g_Messages.empty()) << g_Messages.front().c_str();
    EXPECT_NE(std::string::npos, Stored().find("m_sPowerCalibration0=mW 0.0000:0.2 2.5000:40 5.0000:97;")) << Stored();
    // 50 %: 0.2 + 0.5 * 96.8 = 48.6 mW, between 40 mW at 2.5 V and 97 mW at 5 V.
    EXPECT_NEAR(2.5 + (48.6 - 40.0) / 57.0 * 2.5, LastVoltage("Dev1/ao0"), 1e-9);
    double power = 0.0;
    laser->GetLinePower(0, &power);
    EXPECT_EQ(50.0, power);
}

// Cancel keeps the stored curve and puts the line's voltage back; a curve that turns is refused on OK with
// the points named, and the dialog stays for the person to mend or cancel.
TEST_F(CalibrationWindow, CancelKeepsWhatWasAndARefusedCurveNamesItsPoints) {
    std::wstring refusal;
    Calibrate([&](HWND dialog) {
        SetText(dialog, IDC_CAL_COUNT, L"3");
        ClickButton(dialog, IDC_CAL_FILL);
        const wchar_t* readings[] = {L"1", L"50", L"30"};
        for (int i = 0; i < 3; ++i) {
            SelectPoint(dialog, i);
            SetText(dialog, IDC_CAL_POWER, readings[i]);
            ClickButton(dialog, IDC_CAL_CHANGE);
        }
        ClickButton(dialog, IDOK);
        refusal = g_Messages.empty() ? L"" : g_Messages.back();
        SelectPoint(dialog, 2);
        ClickButton(dialog, IDC_CAL_PUT);
        ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(L"The curve rises, but its power falls from point 2 (2.500 V, 50 mW) to point 3 (5.000 V, 30 mW).",
              refusal);
    EXPECT_EQ(std::string::npos, Stored().find("m_sPowerCalibration")) << Stored();
    EXPECT_DOUBLE_EQ(2.5, LastVoltage("Dev1/ao0")) << "the line's own power, through the linear map, is back";
}

} // namespace
