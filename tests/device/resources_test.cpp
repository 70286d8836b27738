// The module's resources: the dialog templates in every language and the translation catalogs.
#include "moduleloader.h"
#include "qvprint.h"

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

const LANGID kDialogLanguages[] = {1029, 1031, 1033, 1036, 1040, 1041, 1045, 1049, 1057, 2052, 3082};
const LANGID kCatalogLanguages[] = {1029, 1031, 1033, 1036, 1040, 1041, 1045, 1049, 1053, 2052, 3082};
const wchar_t* const kDialogs[] = {L"IDD_PAD", L"IDD_CFG", L"IDD_CFG_SHUTTER", L"IDD_CALIBRATION"};
// Messages that may read the same in a language as in English (names, and "Error" in Spanish).
const std::set<std::wstring> kMaySameAsEnglish = {L"TAVO", L"EPI", L"DIA", L"Aux1", L"Aux2", L"Error"};

const wchar_t* const kMessages[] = {
    L"Acquisition Controls",
    L"TAVO",
    L"EPI",
    L"DIA",
    L"Aux1",
    L"Aux2",
    L"Error",
    L"The NI-DAQmx library is not correctly installed.\r\n"
    L"Please, try to reinstall NI-DAQmx library, version 8.9.5 at least.",
    L"Unknown version of NI-DAQmx library found.\r\nPlease, install version 8.9.5 at least.",
    L"The NI-DAQmx library version %d.%d found.\r\nPlease, install version 8.9.5 at least.",
    L"No NI-DAQmx devices detected.",
    L"AOM TAVO Pad",
    L"AOM TAVO Sim Pad",
    L"Configure...",
    L"None",
    L"/PCI slot #",
    L"Single Line",
    L"Multiple Line",
    L"Multiple use of channel %s",
    L"MIN or MAX out of range <%5.1f - %5.1f>",
    L"Lambda1 out of range <300 - 800> nm  ",
    L"Lambda2 out of range <300 - 800> nm  ",
    L"Lambda3 out of range <300 - 800> nm  ",
    L"The device is not connected: connect it to calibrate its lines.",
    L"This line has no AOM channel: choose one in the line configuration first.",
    L"Range %.2f V to %.2f V. Select a point, put its voltage on the AOM and enter the meter's reading as its power.",
    L"Enter the voltage in volts, such as 2.5.",
    L"%.3f V lies outside the line's range, %.2f V to %.2f V.",
    L"Enter the meter's reading as a number of 0 or more, such as 12.5.",
    L"Point %d is at %.3f V already.",
    L"A line has at most 64 points.",
    L"Select a point first.",
    L"Fill takes 2 to 64 points.",
    L"The voltage could not be put on the AOM: %s",
    L"%.3f V is on the AOM: enter the meter's reading as the power of point %d.",
    L"Point %d (%.3f V) has no measured power yet.",
    L"The calibration is not written as \"<unit> <volts>:<power> ...\" (at character %d).",
    L"The unit of the powers needs 1 to 8 characters, without blanks or any of ; = : _, and must not begin like a number.",
    L"A calibration needs 2 to 64 points, not %d.",
    L"Point %d (%.3f V) has a power below 0.",
    L"Points %d and %d have the same voltage, %.3f V.",
    L"Point %d (%.3f V) lies outside the line's range, %.2f V to %.2f V.",
    L"The first and the last point have the same power: the curve neither rises nor falls.",
    L"The curve rises, but its power falls from point %d (%.3f V, %g %s) to point %d (%.3f V, %g %s).",
    L"The curve falls, but its power rises from point %d (%.3f V, %g %s) to point %d (%.3f V, %g %s).",
};

std::set<LANGID> LanguagesOf(HMODULE module, const wchar_t* type, const wchar_t* name) {
    std::set<LANGID> languages;
    EnumResourceLanguagesW(
        module, type, name,
        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
            reinterpret_cast<std::set<LANGID>*>(param)->insert(language);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// A dialog as Windows builds it from the template: its size and each control's id, class, style, place
// and text, in creation order.
struct Control {
    int id;
    std::wstring cls, text;
    LONG style;
    RECT rect;
};
std::vector<Control> Controls(HMODULE module, const wchar_t* name, LANGID language, SIZE& size) {
    std::vector<Control> controls;
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(5), name, language);
    const void* bytes = found ? LockResource(LoadResource(module, found)) : nullptr;
    // The pad's template is a child window: it needs a parent.
    HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND dialog = bytes ? CreateDialogIndirectParamW(
                              module, static_cast<const DLGTEMPLATE*>(bytes), parent,
                              [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0)
                        : nullptr;
    EXPECT_NE(nullptr, dialog) << name << " in " << language;
    RECT r{};
    GetClientRect(dialog, &r);
    size = {r.right, r.bottom};
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {}, text[256] = {};
        GetClassNameW(c, cls, 64);
        GetWindowTextW(c, text, 256);
        // A DIALOG template holds 16-bit ids, a DIALOGEX one 32-bit ids.
        Control control{static_cast<WORD>(GetDlgCtrlID(c)), cls, text, GetWindowLongW(c, GWL_STYLE), {}};
        GetWindowRect(c, &control.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
        controls.push_back(control);
    }
    DestroyWindow(parent);
    return controls;
}

// Texts that are the same in every language.
bool Untranslated(const std::wstring& text) {
    return text.empty() || text == L"???" || text == L"1." || text == L"2." || text == L"3." ||
           text == L"TAVO:" || text == L"NI DAQ:";
}

// Every language has each dialog and lays the same controls out the same way; only the texts differ.
TEST(ModuleFileDialogs, EveryLanguageKeepsTheEnglishLayout) {
    LoadedModule module;
    ASSERT_NE(nullptr, module.Handle());
    const std::set<LANGID> expected(std::begin(kDialogLanguages), std::end(kDialogLanguages));
    for (const wchar_t* name : kDialogs) {
        EXPECT_EQ(expected, LanguagesOf(module.Handle(), MAKEINTRESOURCEW(5), name)) << name;
        SIZE englishSize{}, size{};
        std::vector<Control> english = Controls(module.Handle(), name, 1033, englishSize);
        for (LANGID language : kDialogLanguages) {
            SCOPED_TRACE(testing::Message() << "dialog " << name << " in " << language);
            std::vector<Control> translated = Controls(module.Handle(), name, language, size);
            EXPECT_EQ(englishSize.cx, size.cx);
            EXPECT_EQ(englishSize.cy, size.cy);
            ASSERT_EQ(english.size(), translated.size());
            for (size_t i = 0; i < english.size(); ++i) {
                const Control &e = english[i], &t = translated[i];
                SCOPED_TRACE(testing::Message() << "control " << i << " (id " << e.id << ")");
                EXPECT_EQ(std::tie(e.id, e.cls, e.style), std::tie(t.id, t.cls, t.style));
                EXPECT_TRUE(EqualRect(&e.rect, &t.rect));
                EXPECT_TRUE(Untranslated(e.text) ? e.text == t.text : !t.text.empty()) << t.text.size();
            }
        }
    }
}

// The printf conversions of a text, in order.
std::vector<std::wstring> Conversions(const std::wstring& s) {
    std::vector<std::wstring> result;
    for (size_t i = s.find(L'%'); i != std::wstring::npos; i = s.find(L'%', i + 1)) {
        size_t j = s.find_first_not_of(L"0123456789.-+ #lh", i + 1);
        if (j != std::wstring::npos) result.push_back(s.substr(i, j - i + 1));
        i = j == std::wstring::npos ? s.size() - 1 : j;
    }
    return result;
}

// Each catalog, loaded as the framework loads it, translates every message the module shows, keeping its
// conversions, line breaks and trailing blanks.
TEST(TranslationCatalogs, EveryCatalogTranslatesEveryMessage) {
    LoadedModule module;
    // Indonesian has dialogs but no catalog: its texts come from the English one.
    EXPECT_EQ(nullptr, FindResourceW(module.Handle(), MAKEINTRESOURCEW(1057), MAKEINTRESOURCEW(10)));
    for (LANGID language : kCatalogLanguages) {
        SCOPED_TRACE(testing::Message() << "catalog " << language);
        HRSRC found = FindResourceW(module.Handle(), MAKEINTRESOURCEW(language), MAKEINTRESOURCEW(10));
        ASSERT_NE(nullptr, found);
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module.Handle(), found)));
        CQvRscData data;
        ASSERT_TRUE(data.Assign(bytes, SizeofResource(module.Handle(), found), module.Handle(), language));
        ASSERT_TRUE(QV_CQvRscDataToCQvLocale(data));
        for (const std::wstring id : kMessages) {
            SCOPED_TRACE(std::string(id.begin(), id.end()));
            std::wstring text = QV_GetTranslation(id.c_str(), L"resources_test").GetString();
            EXPECT_FALSE(text.empty());
            if (language == 1033 || kMaySameAsEnglish.count(id) == 0) {
                EXPECT_EQ(language == 1033, id == text) << "untranslated or wrongly translated";
            }
            EXPECT_EQ(Conversions(id), Conversions(text));
            EXPECT_EQ(std::count(id.begin(), id.end(), L'\n'), std::count(text.begin(), text.end(), L'\n'));
            EXPECT_EQ(id.size() - id.find_last_not_of(L' '), text.size() - text.find_last_not_of(L' '))
                << "trailing blanks";
        }
    }
    // Back to the English catalog for whatever runs next in this process.
    CQvRscData english;
    ASSERT_TRUE(QV_RCDATAToCQvRscData(english, module.Handle()));
    EXPECT_TRUE(QV_CQvRscDataToCQvLocale(english));
}

} // namespace
