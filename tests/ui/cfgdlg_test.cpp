// The configuration dialog and the shutter type dialog, used as a person uses them.
#include "cfgdlg.h"
#include "devicehost.h"
#include "person.h"
#include "qvprint.h"

#include <aomtavomultilaser.h>
#include <aomtavoshutter.h>
#include <res/resource.h>

#include <qv/qvlocale.h>

#include <fakedaqmx_control.h>

#include <gtest/gtest.h>

#include <locale.h>
#include <vector>

namespace {

const wchar_t kCaption[] = L"Configure TAVO and AOM";

std::vector<std::wstring> ListItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    for (LRESULT i = 0; i < SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[256] = {};
        if (SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0) < 255)
            SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

const wchar_t kConfiguration[] =
    L"fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;"
    L"fValMin[1]=  1.0;fValMax[1]=  2.0;fValLambda[1]=561.0;fValLambda[2]=640.0;";

// Connects and configures with kConfiguration and then the further text; no message shown yet.
void Start(DeviceHost& host, const wchar_t* further = L"") {
    ASSERT_TRUE(host.Connect());
    ASSERT_EQ(DMRC_OK, host.Configure((std::wstring(kConfiguration) + further).c_str()));
    DeviceHost::messages().clear();
    DeviceHost::captions().clear();
}

// Chooses the three rows' channels (0: None, then the channels in order).
void Channels(HWND dialog, int first, int second, int third) {
    SelectItem(dialog, IDC_CFG_CHANNEL1, first);
    SelectItem(dialog, IDC_CFG_CHANNEL2, second);
    SelectItem(dialog, IDC_CFG_CHANNEL3, third);
}

class ConfigurationDialog : public ::testing::Test {
protected:
    void SetUp() override { Start(host); }
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

    DeviceHost host;
};

TEST_F(ConfigurationDialog, ShowsTheChannelsAndTheUnitsInformation) {
    std::vector<std::wstring> channels, shown;
    CQvStringW text = Run([&](HWND d) {
        channels = ListItems(d, IDC_CFG_CHANNEL1);
        for (int id : {IDC_CFG_BOARDS, IDC_CFG_SDK, IDC_CFG_FIRMWARE, IDC_CFG_MODE, IDC_CFG_MIN2})
            shown.push_back(WindowText(GetDlgItem(d, id)));
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"None", L"Dev1/ao0", L"Dev1/ao1", L"Dev1/ao2"}), channels);
    EXPECT_EQ((std::vector<std::wstring>{L"NI6711/Dev1/PCI slot #0; ", L"8.9.", L"Simulator", L"Single Line",
                                         L"  1.0"}),
              shown);
    // Cancel still writes the configuration text from the records, and the wavelengths with it.
    EXPECT_NE(-1, text.Find(L"iIndex[1]=2;fValMin[1]=  1.0;fValMax[1]=  2.0;fValLambda[1]=561.0;"));
    EXPECT_EQ(561u, host->m_pMultiLaser->m_auWavelength[1]);
    EXPECT_TRUE(DeviceHost::messages().empty());
}

// The checks OK and the close box make, each case on a fresh device: what is refused (the dialog stays
// open for the next try), and what is stored once the values are accepted.
TEST_F(ConfigurationDialog, OkChecksAndStores) {
    struct Case {
        const char* name;
        std::function<void(HWND)> actions;
        std::vector<std::wstring> messages;
        std::vector<std::wstring> stored; // parts of the configuration text afterwards
        std::function<void(CQvAOMTAVO&)> check = nullptr;
        const wchar_t* configuration = L""; // after kConfiguration
    } cases[] = {
        {"the same channel twice is refused before anything is stored",
         [](HWND d) {
             Channels(d, 2, 3, 2);
             ClickButton(d, IDOK);
             Channels(d, 3, 1, 1);
             ClickButton(d, IDOK);
         },
         {L"Multiple use of channel Dev1/ao1", L"Multiple use of channel Dev1/ao0"},
         {L"iIndex[0]=1;"}},
        {"the close box checks as OK does: an empty wavelength is out of range",
         [](HWND d) {
             SetText(d, IDC_CFG_LAMBDA1, L"");
             CloseBox(d);
             SetText(d, IDC_CFG_LAMBDA1, L"300");
             CloseBox(d);
         },
         {L"Lambda1 out of range <300 - 800> nm  "},
         {L"fValLambda[0]=300.0;"}},
        {"a stored channel beyond this machine's list is taken as None",
         [](HWND d) { ClickButton(d, IDOK); },
         {},
         {L"iIndex[0]=0;", L"sChannel_Name[0]=None;"},
         nullptr,
         L"iIndex[0]=40;sChannel_Name[0]=Dev9/ao7;"},
        {"wavelengths of 300 to 800 nm, names and the chosen channel's range are stored; an empty row's "
         "wavelength is neither checked nor stored",
         [](HWND d) {
             SelectItem(d, IDC_CFG_CHANNEL3, 3); // fills in the channel's range
             SendDlgItemMessageW(d, IDC_CFG_EMPTY2, BM_SETCHECK, BST_CHECKED, 0);
             SetText(d, IDC_CFG_LAMBDA2, L"900");
             SetText(d, IDC_CFG_LAMBDA3, L"801");
             ClickButton(d, IDOK);
             SetText(d, IDC_CFG_LAMBDA1, L"300");
             SetText(d, IDC_CFG_LAMBDA3, L"800");
             SetText(d, IDC_CFG_NAME1, L"Blue");
             ClickButton(d, IDOK);
         },
         {L"Lambda3 out of range <300 - 800> nm  "},
         {L"fValLambda[0]=300.0;", L"fValLambda[1]=561.0;", L"sLineName[0]=Blue;",
          L"fValMin[2]=-10.0;fValMax[2]= 10.0;fValLambda[2]=800.0;"},
         [](CQvAOMTAVO& d) {
             EXPECT_TRUE(d.m_AOChannels[2].bUserRange);
             EXPECT_FLOAT_EQ(-10.0f, d.m_AOChannels[2].fMin);
         }},
        {"a row without a channel is not range-checked and keeps its voltages, read with a point in a comma "
         "locale",
         [](HWND d) {
             SelectItem(d, IDC_CFG_CHANNEL2, 0);
             SetText(d, IDC_CFG_MIN2, L"-50.5");
             SetText(d, IDC_CFG_MAX2, L"99.5");
             ClickButton(d, IDOK);
         },
         {},
         {L"fValMin[1]=-50.5;fValMax[1]= 99.5;"}},
    };
    // Numbers are typed and shown with a point in a comma locale too.
    std::string saved = setlocale(LC_ALL, nullptr);
    ASSERT_TRUE(setlocale(LC_ALL, "German_Germany.1252"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceHost device;
        Start(device, c.configuration);
        std::wstring shownMax;
        Person person([&] {
            HWND d = WaitForWindow(kCaption);
            if (!d) return;
            shownMax = WindowText(GetDlgItem(d, IDC_CFG_MAX1));
            c.actions(d);
            if (IsWindow(d)) ClickButton(d, IDCANCEL);
        });
        EXPECT_FALSE(CCfgDlg(&device.device()).DoModal(nullptr))
            << "OK and Cancel both end the dialog with 0";
        person.join();
        EXPECT_EQ(L"  5.0", shownMax);
        EXPECT_EQ(c.messages, DeviceHost::messages());
        EXPECT_EQ(std::vector<std::wstring>(c.messages.size(), L"Error"), DeviceHost::captions());
        CQvStringW text;
        device->WriteConfigurationText(text);
        for (const std::wstring& part : c.stored)
            EXPECT_NE(-1, text.Find(part.c_str())) << text.GetString();
        if (c.check) c.check(device.device());
    }
    setlocale(LC_ALL, saved.c_str());
}

// A refused OK stores nothing: Cancel after it writes the text the records held before the dialog, and
// the records stay as they were, whichever entries the person had changed before the failing check.
TEST(ConfigurationDialogRefusal, CancelAfterARefusedOkKeepsEverything) {
    struct {
        const char* name;
        std::function<void(HWND)> edits;
        const wchar_t* refusal;
    } cases[] = {
        {"new channels, the first outside its range",
         [](HWND d) {
             Channels(d, 3, 0, 1);
             SetText(d, IDC_CFG_MAX1, L"10.5");
         },
         L"MIN or MAX out of range <-10.0 -  10.0>"},
        {"an empty flag changed, a wavelength too short",
         [](HWND d) {
             SendDlgItemMessageW(d, IDC_CFG_EMPTY2, BM_SETCHECK, BST_CHECKED, 0);
             ClickButton(d, IDC_CFG_EMPTY2);
             SetText(d, IDC_CFG_LAMBDA1, L"299");
         },
         L"Lambda1 out of range <300 - 800> nm  "},
        {"new channels and voltages, a wavelength too long",
         [](HWND d) {
             Channels(d, 2, 1, 0);
             SetText(d, IDC_CFG_MIN2, L"1.5");
             SetText(d, IDC_CFG_MAX3, L"3.5");
             SetText(d, IDC_CFG_LAMBDA3, L"801");
         },
         L"Lambda3 out of range <300 - 800> nm  "},
    };
    // The line records, empty flags and names (as the text shows them) and the channel table.
    auto records = [](CQvAOMTAVO& d) {
        CQvStringW text;
        d.WriteConfigurationText(text);
        std::wstring all = text.GetString();
        for (int c = 0; c < d.m_iAOChannelCount; ++c)
            all += L" " + std::to_wstring(d.m_AOChannels[c].fMin) + L"," +
                   std::to_wstring(d.m_AOChannels[c].fMax) + L"," +
                   std::to_wstring(d.m_AOChannels[c].bUserRange);
        return all;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceHost device;
        Start(device);
        std::wstring before = records(device.device());
        CQvStringW expectedText;
        device->WriteConfigurationText(expectedText);
        bool stayedOpen = false;
        Person person([&] {
            HWND d = WaitForWindow(kCaption);
            if (!d) return;
            c.edits(d);
            ClickButton(d, IDOK);
            stayedOpen = IsWindow(d);
            ClickButton(d, IDCANCEL);
        });
        CQvStringW text;
        EXPECT_EQ(DMRC_OK, device->ShowLineConfigurationDialog(text, nullptr));
        person.join();
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(std::vector<std::wstring>{c.refusal}, DeviceHost::messages());
        EXPECT_EQ(std::wstring(expectedText.GetString()), text.GetString());
        EXPECT_EQ(before, records(device.device()));
    }
}

// Boards of ranges other than the default one (OkChecksAndStores' and DaqOutput's): each row's channel shows,
// is checked against, is created with and is written within its own board's range.
TEST(ConfigurationDialogOnBoards, EachChannelUsesItsOwnBoardsRange) {
    // Lines without a channel yet: no channel has a range of its own.
    const wchar_t kNoChannels[] = L"bEmpty[0]=0;iIndex[0]=0;bEmpty[1]=0;iIndex[1]=0;bEmpty[2]=0;iIndex[2]=0;";
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartReal("standard", kNoChannels)); // loads the stand-in
    ASSERT_EQ(0, FakeDaqmx<decltype(&fakedaqmx_LoadScenarioText)>("fakedaqmx_LoadScenarioText")(
                     "board Dev1 channels ao0 ao1\nboard Dev2 bus 13612 range -5 5 channels ao0 ao1\n"
                     "board USB1 bus 12586 product 6001 range 0 5 channels ao0 ao1\n"
                     "board Dev3 bus 13612 range -1 1 range -10 10 channels ao0\n"));
    ASSERT_TRUE(host.Connect());
    ASSERT_EQ(DMRC_OK, host.Configure(kNoChannels));
    DeviceHost::messages().clear();
    struct {
        int list;             // list position of the row's channel
        const char* physical; // its name
        int minId, maxId;
        const wchar_t *shownMin, *shownMax;
        int outsideId; // an edit set just outside the range, refused, then set back
        const wchar_t *outside, *inside, *refusal;
        const char* created; // the span the channel is created with: the line's own
        double volts;        // at 100 % of the range stored
    } rows[] = {
        {4, "Dev2/ao1", IDC_CFG_MIN1, IDC_CFG_MAX1, L" -5.0", L"  5.0", IDC_CFG_MIN1, L"-5.5", L"0.0",
         L"MIN or MAX out of range < -5.0 -   5.0>", "0.000, 5.000", 5.0},
        {5, "USB1/ao0", IDC_CFG_MIN2, IDC_CFG_MAX2, L"  0.0", L"  5.0", IDC_CFG_MAX2, L"5.5", L"5.0",
         L"MIN or MAX out of range <  0.0 -   5.0>", "0.000, 5.000", 5.0},
        // A board of two ranges: a span within its second one is taken, and the refusal names both.
        {7, "Dev3/ao0", IDC_CFG_MIN3, IDC_CFG_MAX3, L" -1.0", L"  1.0", IDC_CFG_MAX3, L"10.5", L"8.0",
         L"MIN or MAX out of range < -1.0 -   1.0>, <-10.0 -  10.0>", "-1.000, 8.000", 8.0},
    };
    std::vector<std::wstring> shown;
    Person person([&] {
        HWND d = WaitForWindow(kCaption);
        if (!d) return;
        Channels(d, rows[0].list, rows[1].list, rows[2].list);
        for (const auto& r : rows) {
            shown.push_back(WindowText(GetDlgItem(d, r.minId)));
            shown.push_back(WindowText(GetDlgItem(d, r.maxId)));
        }
        for (const auto& r : rows) {
            SetText(d, r.outsideId, r.outside);
            ClickButton(d, IDOK);
            SetText(d, r.outsideId, r.inside);
        }
        ClickButton(d, IDOK);
        if (IsWindow(d)) ClickButton(d, IDCANCEL);
    });
    CQvStringW text;
    EXPECT_EQ(DMRC_OK, host->ShowLineConfigurationDialog(text, nullptr));
    person.join();
    std::vector<std::wstring> expectedShown, refusals;
    for (const auto& r : rows) {
        expectedShown.insert(expectedShown.end(), {r.shownMin, r.shownMax});
        refusals.push_back(r.refusal);
    }
    EXPECT_EQ(expectedShown, shown) << "each channel's range comes from its own board";
    EXPECT_EQ(refusals, DeviceHost::messages());

    // The host configures with the text the dialog wrote; each line at full power.
    ASSERT_EQ(DMRC_OK, host.Configure(text));
    for (int line = 0; line < 3; ++line) {
        const auto& r = rows[line];
        SCOPED_TRACE(r.physical);
        EXPECT_EQ(DMRC_OK, host->m_pMultiLaser->SetPower(line, 100.0));
        EXPECT_EQ(r.volts, LastVoltage(r.physical));
        EXPECT_NE(std::string::npos,
                  DaqCallLog().find(std::string("\"") + r.physical + "\", \"\", " + r.created))
            << DaqCallLog();
    }
}

// A span changed in the dialog has the line's power on the channel within the new span once the dialog
// returns, without a configure of the host's after it.
TEST(ConfigurationDialogOnBoards, OkPutsTheLinesPowerOnItsChannelWithinTheNewSpan) {
    DeviceHost host("CQvAOMTAVO");
    ASSERT_TRUE(host.StartReal("standard")); // line 1: 1 to 3 V on Dev1/ao1
    host.PausePoll();                        // no board check meanwhile
    ASSERT_EQ(DMRC_OK, host.laser().SetPower(1, 50.0));
    ASSERT_EQ(2.0, LastVoltage("Dev1/ao1"));
    DeviceHost::messages().clear();
    Person person([&] {
        HWND d = WaitForWindow(kCaption);
        if (!d) return;
        SetText(d, IDC_CFG_MAX2, L"2.0");
        ClickButton(d, IDOK);
        if (IsWindow(d)) ClickButton(d, IDCANCEL);
    });
    CQvStringW text;
    EXPECT_EQ(DMRC_OK, host->ShowLineConfigurationDialog(text, nullptr));
    person.join();
    EXPECT_TRUE(DeviceHost::messages().empty());
    EXPECT_NE(-1, text.Find(L"fValMin[1]=  1.0;fValMax[1]=  2.0;")) << text.GetString();
    EXPECT_EQ(1.5, LastVoltage("Dev1/ao1"));
    double power = 0.0;
    host.laser().GetLinePower(1, &power);
    EXPECT_EQ(50.0, power);
}

// Which controls of a row can be used: the empty flag locks the wavelength, name and channel; a row
// without a channel locks its voltages, and choosing one unlocks them.
TEST_F(ConfigurationDialog, EmptyFlagsAndChannelsEnableTheirControls) {
    ASSERT_EQ(DMRC_OK, host.Configure(L"bEmpty[1]=1;iIndex[2]=0;sChannel_Name[2]=None;"));
    std::vector<int> atOpen, afterClicks;
    auto enabled = [](HWND d) {
        std::vector<int> e;
        for (int id : {IDC_CFG_LAMBDA1, IDC_CFG_NAME1, IDC_CFG_CHANNEL1, IDC_CFG_LAMBDA2, IDC_CFG_NAME2,
                       IDC_CFG_CHANNEL2, IDC_CFG_MIN1, IDC_CFG_MAX1, IDC_CFG_MIN2, IDC_CFG_MAX2, IDC_CFG_MIN3,
                       IDC_CFG_MAX3})
            e.push_back(IsWindowEnabled(GetDlgItem(d, id)) ? 1 : 0);
        return e;
    };
    Run([&](HWND d) {
        atOpen = enabled(d);
        SendDlgItemMessageW(d, IDC_CFG_EMPTY1, BM_SETCHECK, BST_CHECKED, 0);
        ClickButton(d, IDC_CFG_EMPTY1);
        SendDlgItemMessageW(d, IDC_CFG_EMPTY2, BM_SETCHECK, BST_UNCHECKED, 0);
        ClickButton(d, IDC_CFG_EMPTY2);
        SelectItem(d, IDC_CFG_CHANNEL2, 0);
        SelectItem(d, IDC_CFG_CHANNEL3, 3);
        afterClicks = enabled(d);
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 0, 0}), atOpen);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 1, 1}), afterClicks);
}

// The dialog opens on the stored type; OK and the close box store the choice, Cancel does not, and a
// stored type that names nothing (no selection) is kept.
TEST(ShutterDialog, EachWayOutStoresOrKeepsTheType) {
    DeviceHost host;
    const wchar_t* const names[] = {L"EPI", L"DIA", L"Aux1", L"Aux2"};
    struct {
        uint32_t type;
        int choice; // -1: none
        int button; // 0: the close box
        uint32_t stored;
    } cases[] = {{2, 0, IDOK, 0}, {1, 3, 0, 3}, {3, 1, IDCANCEL, 3}, {7, -1, IDOK, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " button " << c.button);
        host->m_pShutter->SetShutterType(c.type);
        int shown = -2;
        std::vector<std::wstring> items;
        Person person([&] {
            HWND d = WaitForWindow(L"Shutter Configuration");
            if (!d) return;
            shown = static_cast<int>(SendDlgItemMessageW(d, IDC_SHUTTER_TYPE, CB_GETCURSEL, 0, 0));
            items = ListItems(d, IDC_SHUTTER_TYPE);
            if (c.choice >= 0) SelectItem(d, IDC_SHUTTER_TYPE, c.choice);
            if (c.button)
                ClickButton(d, c.button);
            else
                CloseBox(d);
        });
        // Unlike the configuration dialog's, its end is not 0.
        EXPECT_TRUE(CCfgShutterDlg(&host.device(), host->m_pShutter).DoModal(nullptr));
        person.join();
        EXPECT_EQ(c.type < 4 ? static_cast<int>(c.type) : -1, shown);
        EXPECT_EQ(std::vector<std::wstring>(std::begin(names), std::end(names)), items);
        uint32_t type = 99;
        host->m_pShutter->GetShutterType(&type);
        EXPECT_EQ(c.stored, type);
        CQvStringW name;
        host->m_pShutter->GetName(name);
        if (type < 4) {
            EXPECT_EQ(CQvStringW(names[type]), name);
        }
    }
}

} // namespace
