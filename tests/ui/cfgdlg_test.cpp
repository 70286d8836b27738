// The configuration dialog and the shutter type dialog, used as a person uses them.
#include "cfgdlg.h"
#include "devicehost.h"
#include "person.h"
#include "qvprint.h"

#include <aomtavomultilaser.h>
#include <aomtavoshutter.h>
#include <res/resource.h>

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <locale.h>
#include <vector>

namespace {

const wchar_t kCaption[] = L"Configure TAVO and AOM";

std::vector<std::wstring> ListItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    HWND list = GetDlgItem(dialog, id);
    int n = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < 255)
            SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::wstring ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

class ConfigurationDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Connect());
        ASSERT_EQ(DMRC_OK, host.Configure(L"fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;"
                                          L"fValMin[1]=  1.0;fValMax[1]=  2.0;fValLambda[1]=561.0;"
                                          L"fValLambda[2]=640.0;"));
        DeviceHost::messages().clear();
        DeviceHost::captions().clear();
    }
    // Runs the dialog on this thread while the person acts; returns the configuration text written.
    CQvStringW Run(const std::function<void(HWND)>& actions) {
        Person person([&] {
            HWND dialog = WaitForWindow(kCaption);
            if (dialog) actions(dialog);
        });
        CQvStringW text;
        EXPECT_EQ(DMRC_OK, host->ShowLineConfigurationDialog(text, nullptr));
        return text;
    }
    std::vector<std::wstring>& messages() { return DeviceHost::messages(); }

    DeviceHost host;
};

TEST_F(ConfigurationDialog, ShowsTheChannelsAndTheUnitsInformation) {
    std::vector<std::wstring> channels;
    std::wstring boards, sdk, firmware, mode, minimum;
    CQvStringW text = Run([&](HWND d) {
        channels = ListItems(d, IDC_CFG_CHANNEL1);
        boards = ItemText(d, IDC_CFG_BOARDS);
        sdk = ItemText(d, IDC_CFG_SDK);
        firmware = ItemText(d, IDC_CFG_FIRMWARE);
        mode = ItemText(d, IDC_CFG_MODE);
        minimum = ItemText(d, IDC_CFG_MIN2);
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"None", L"Dev1/ao0", L"Dev1/ao1", L"Dev1/ao2"}), channels);
    EXPECT_EQ(L"NI6711/Dev1/PCI slot #0; ", boards);
    EXPECT_EQ(L"8.9.", sdk);
    EXPECT_EQ(L"Simulator", firmware);
    EXPECT_EQ(L"Single Line", mode);
    EXPECT_EQ(L"  1.0", minimum);
    // Cancel still writes the configuration text from the records.
    EXPECT_NE(-1, text.Find(L"iIndex[1]=2;fValMin[1]=  1.0;fValMax[1]=  2.0;fValLambda[1]=561.0;"));
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfigurationDialog, TheSameChannelTwiceIsRefused) {
    bool stillOpen = false;
    Run([&](HWND d) {
        SelectItem(d, IDC_CFG_CHANNEL1, 2);
        SelectItem(d, IDC_CFG_CHANNEL2, 3);
        SelectItem(d, IDC_CFG_CHANNEL3, 2);
        ClickButton(d, IDOK);
        SelectItem(d, IDC_CFG_CHANNEL1, 3);
        SelectItem(d, IDC_CFG_CHANNEL2, 1);
        SelectItem(d, IDC_CFG_CHANNEL3, 1);
        ClickButton(d, IDOK);
        stillOpen = IsWindow(d) != 0;
        ClickButton(d, IDCANCEL);
    });
    EXPECT_TRUE(stillOpen) << "a failed check keeps the dialog open";
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Multiple use of channel Dev1/ao1", L"Multiple use of channel Dev1/ao0"}),
        messages());
    EXPECT_EQ(1, host->m_Lines[0].iIndex) << "nothing stored before the conflict check";
}

TEST_F(ConfigurationDialog, VoltagesOutsideTheBoardsRangeAreRefusedAfterTheChannelsAreStored) {
    Run([&](HWND d) {
        SelectItem(d, IDC_CFG_CHANNEL1, 3); // Dev1/ao2
        SelectItem(d, IDC_CFG_CHANNEL2, 0); // None: skips the check, still stores its values
        SelectItem(d, IDC_CFG_CHANNEL3, 0);
        SetText(d, IDC_CFG_MIN1, L"-10.0");
        SetText(d, IDC_CFG_MAX1, L"10.5");
        SetText(d, IDC_CFG_MAX2, L"99");
        ClickButton(d, IDOK);
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"MIN or MAX out of range <-10.0 -  10.0>"}), messages());
    EXPECT_EQ(3, host->m_Lines[0].iIndex);
    EXPECT_EQ(CQvStringW(L"Dev1/ao2"), host->m_Lines[0].sChannel_Name);
    EXPECT_EQ(CQvStringW(L"None"), host->m_Lines[1].sChannel_Name);
    EXPECT_FLOAT_EQ(5.0f, host->m_Lines[0].fValMax) << "voltages are stored only after the check";
    EXPECT_FALSE(host->m_AOChannels[2].bUserRange);
}

TEST_F(ConfigurationDialog, WavelengthsOutsideTheirRangeAreRefusedAfterVoltagesAndEmptyFlags) {
    std::wstring min1, max1;
    bool minEnabled = true;
    Run([&](HWND d) {
        SelectItem(d, IDC_CFG_CHANNEL3, 3); // fills the range from the channel table
        min1 = ItemText(d, IDC_CFG_MIN3);
        max1 = ItemText(d, IDC_CFG_MAX3);
        SelectItem(d, IDC_CFG_CHANNEL3, 0);
        minEnabled = IsWindowEnabled(GetDlgItem(d, IDC_CFG_MIN3)) != 0;
        SelectItem(d, IDC_CFG_CHANNEL3, 3);
        SetText(d, IDC_CFG_MIN3, L"-10.0");
        SetText(d, IDC_CFG_MAX3, L"10.0");
        SetText(d, IDC_CFG_LAMBDA1, L"299");
        SendDlgItemMessageW(d, IDC_CFG_EMPTY2, BM_SETCHECK, BST_CHECKED, 0);
        ClickButton(d, IDC_CFG_EMPTY2);
        SetText(d, IDC_CFG_LAMBDA2, L"");
        ClickButton(d, IDOK);
        SetText(d, IDC_CFG_LAMBDA1, L"300");
        SetText(d, IDC_CFG_LAMBDA3, L"801");
        ClickButton(d, IDOK);
        SetText(d, IDC_CFG_LAMBDA3, L"800");
        SetText(d, IDC_CFG_NAME1, L"Blue");
        ClickButton(d, IDOK);
    });
    EXPECT_EQ(L"-10.0", min1);
    EXPECT_EQ(L" 10.0", max1);
    EXPECT_FALSE(minEnabled) << "None disables the voltages";
    EXPECT_EQ((std::vector<std::wstring>{L"Lambda1 out of range <300 - 800> nm  ",
                                         L"Lambda3 out of range <300 - 800> nm  "}),
              messages());
    EXPECT_EQ(1, host->m_pMultiLaser->m_abEmpty[1]);
    EXPECT_FLOAT_EQ(300.0f, host->m_Lines[0].fValLambda);
    EXPECT_FLOAT_EQ(800.0f, host->m_Lines[2].fValLambda);
    EXPECT_FLOAT_EQ(561.0f, host->m_Lines[1].fValLambda) << "an empty position keeps its wavelength";
    EXPECT_EQ(CQvStringW(L"Blue"), host->m_pMultiLaser->m_asName[0]);
    EXPECT_TRUE(host->m_AOChannels[2].bUserRange);
    EXPECT_FLOAT_EQ(-10.0f, host->m_AOChannels[2].fMin);
    EXPECT_EQ(300u, host->m_pMultiLaser->m_auWavelength[0]) << "the text writer sets the wavelengths";
}

TEST_F(ConfigurationDialog, AStoredChannelBeyondThisMachinesListIsTakenAsNone) {
    host->m_Lines[0].iIndex = 40;
    host->m_Lines[0].sChannel_Name = L"Dev9/ao7";
    Run([&](HWND d) { ClickButton(d, IDOK); });
    EXPECT_EQ(0, host->m_Lines[0].iIndex);
    EXPECT_EQ(CQvStringW(L"None"), host->m_Lines[0].sChannel_Name);
    for (const SAOChannel& channel : host->m_AOChannels)
        EXPECT_GE(channel.fMin, -10.0f);
}

TEST_F(ConfigurationDialog, TheCloseBoxChecksAsOkDoes) {
    bool openAfterClose = false;
    Run([&](HWND d) {
        SetText(d, IDC_CFG_LAMBDA1, L"50");
        CloseBox(d);
        openAfterClose = IsWindow(d) != 0;
        ClickButton(d, IDCANCEL);
    });
    EXPECT_TRUE(openAfterClose);
    EXPECT_EQ(1u, messages().size());
}

// The checks OK makes, each case from a fresh dialog: what is refused, what is stored before the refusal.
TEST_F(ConfigurationDialog, OkChecksAndStores) {
    struct Case {
        const char* name;
        std::function<void(HWND)> actions;
        std::vector<std::wstring> messages;
        const wchar_t* stored; // part of the configuration text afterwards
    } cases[] = {
        {"an empty wavelength is out of range",
         [](HWND d) { SetText(d, IDC_CFG_LAMBDA1, L""); },
         {L"Lambda1 out of range <300 - 800> nm  "},
         L"fValLambda[0]=488.0;"},
        {"empty flags are stored before the wavelengths are checked",
         [](HWND d) {
             SendDlgItemMessageW(d, IDC_CFG_EMPTY2, BM_SETCHECK, BST_CHECKED, 0);
             SetText(d, IDC_CFG_LAMBDA1, L"299");
         },
         {L"Lambda1 out of range <300 - 800> nm  "},
         L"bEmpty[1]=1;"},
        {"a row without a channel is not range-checked and keeps its voltages",
         [](HWND d) {
             SelectItem(d, IDC_CFG_CHANNEL2, 0);
             SetText(d, IDC_CFG_MIN2, L"-50");
             SetText(d, IDC_CFG_MAX2, L"99");
         },
         {},
         L"fValMin[1]=-50.0;fValMax[1]= 99.0;"},
        {"numbers read with a point in a comma locale",
         [](HWND d) { SetText(d, IDC_CFG_MAX1, L"2.5"); },
         {},
         L"fValMax[0]=  2.5;"},
    };
    std::string saved = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, "German_Germany.1252");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(DMRC_OK, host.Configure(L"fValMax[0]=  5.0;fValLambda[0]=488.0;"));
        messages().clear();
        DeviceHost::captions().clear();
        std::wstring shownMax;
        bool result = true;
        Person person([&] {
            HWND d = WaitForWindow(kCaption);
            if (!d) return;
            shownMax = ItemText(d, IDC_CFG_MAX1);
            c.actions(d);
            ClickButton(d, IDOK);
            if (IsWindow(d)) ClickButton(d, IDCANCEL);
        });
        result = CCfgDlg(&host.device()).DoModal(nullptr);
        person.join();
        EXPECT_FALSE(result) << "OK and Cancel both end the dialog with 0";
        EXPECT_EQ(L"  5.0", shownMax);
        EXPECT_EQ(c.messages, messages());
        EXPECT_EQ(std::vector<std::wstring>(c.messages.size(), L"Error"), DeviceHost::captions());
        CQvStringW text;
        host->GetConfigurationString(text);
        EXPECT_NE(-1, text.Find(c.stored)) << text.GetString();
    }
    setlocale(LC_ALL, saved.c_str());
}

// Which controls of a row can be used: the empty flag locks the wavelength, name and channel; a row
// without a channel locks its voltages.
TEST_F(ConfigurationDialog, EmptyFlagsAndChannelsEnableTheirControls) {
    ASSERT_EQ(DMRC_OK, host.Configure(L"bEmpty[1]=1;iIndex[2]=0;sChannel_Name[2]=None;"));
    std::vector<int> atOpen, afterClicks;
    auto enabled = [](HWND d) {
        std::vector<int> e;
        for (int id : {IDC_CFG_LAMBDA1, IDC_CFG_NAME1, IDC_CFG_CHANNEL1, IDC_CFG_LAMBDA2, IDC_CFG_NAME2,
                       IDC_CFG_CHANNEL2, IDC_CFG_MIN1, IDC_CFG_MAX1, IDC_CFG_MIN3, IDC_CFG_MAX3})
            e.push_back(IsWindowEnabled(GetDlgItem(d, id)) ? 1 : 0);
        return e;
    };
    Run([&](HWND d) {
        atOpen = enabled(d);
        SendDlgItemMessageW(d, IDC_CFG_EMPTY1, BM_SETCHECK, BST_CHECKED, 0);
        ClickButton(d, IDC_CFG_EMPTY1);
        SendDlgItemMessageW(d, IDC_CFG_EMPTY2, BM_SETCHECK, BST_UNCHECKED, 0);
        ClickButton(d, IDC_CFG_EMPTY2);
        afterClicks = enabled(d);
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1, 0, 0, 0, 1, 1, 0, 0}), atOpen);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, 0, 0}), afterClicks);
}

class ShutterDialog : public ::testing::Test {
protected:
    void Run(uint32_t type, const std::function<void(HWND)>& actions) {
        host->m_pShutter->SetShutterType(type);
        Person person([&] {
            if (HWND dialog = WaitForWindow(L"Shutter Configuration")) actions(dialog);
        });
        EXPECT_EQ(DMRC_OK, host->m_pShutter->ShowDeviceConfigDialog(nullptr));
    }
    uint32_t Type() {
        uint32_t type = 99;
        host->m_pShutter->GetShutterType(&type);
        return type;
    }
    DeviceHost host;
};

TEST_F(ShutterDialog, OpensOnTheTypeAndStoresTheChoice) {
    int shown = -1;
    std::vector<std::wstring> items;
    Run(2, [&](HWND d) {
        shown = static_cast<int>(SendDlgItemMessageW(d, IDC_SHUTTER_TYPE, CB_GETCURSEL, 0, 0));
        items = ListItems(d, IDC_SHUTTER_TYPE);
        SelectItem(d, IDC_SHUTTER_TYPE, 0);
        ClickButton(d, IDOK);
    });
    EXPECT_EQ(2, shown);
    EXPECT_EQ((std::vector<std::wstring>{L"EPI", L"DIA", L"Aux1", L"Aux2"}), items);
    EXPECT_EQ(0u, Type());
    CQvStringW name;
    host->m_pShutter->GetName(name);
    EXPECT_EQ(QV_GetTranslation(L"EPI", L"aomtavoshutter"), name);
}

TEST_F(ShutterDialog, CloseBoxStoresCancelDoesNot) {
    Run(1, [&](HWND d) {
        SelectItem(d, IDC_SHUTTER_TYPE, 3);
        CloseBox(d);
    });
    EXPECT_EQ(3u, Type());
    Run(3, [&](HWND d) {
        SelectItem(d, IDC_SHUTTER_TYPE, 1);
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ(3u, Type());
}

TEST_F(ShutterDialog, ATypeThatNamesNothingIsKept) {
    Run(7, [&](HWND d) { ClickButton(d, IDOK); });
    EXPECT_EQ(7u, Type());
    // OK ends the shutter dialog with 1, unlike the configuration dialog.
    Person person([&] {
        if (HWND dialog = WaitForWindow(L"Shutter Configuration")) ClickButton(dialog, IDOK);
    });
    EXPECT_TRUE(CCfgShutterDlg(&host.device(), host->m_pShutter).DoModal(nullptr));
}

} // namespace
