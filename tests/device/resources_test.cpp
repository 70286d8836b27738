// The module's resources: the dialog templates in every language and the translation catalogs.
#include "moduleloader.h"
#include "qvprint.h"

#include <qv/qvlocale.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

const LANGID kDialogLanguages[] = {1029, 1031, 1033, 1036, 1040, 1041, 1045, 1049, 1057, 2052, 3082};
const LANGID kCatalogLanguages[] = {1029, 1031, 1033, 1036, 1040, 1041, 1045, 1049, 1053, 2052, 3082};
const wchar_t* const kDialogs[] = {L"IDD_PAD", L"IDD_CFG", L"IDD_CFG_SHUTTER"};

const char* const kMessages[] = {
    "Acquisition Controls",
    "TAVO",
    "EPI",
    "DIA",
    "Aux1",
    "Aux2",
    "Error",
    "The NI-DAQmx library is not correctly installed.\r\nPlease, try to reinstall NI-DAQmx library, version "
    "8.9.5 at "
    "least.",
    "Unknown version of NI-DAQmx library found.\r\nPlease, install version 8.9.5 at least.",
    "The NI-DAQmx library version %d.%d found.\r\nPlease, install version 8.9.5 at least.",
    "No NI-DAQmx devices detected.",
    "AOM TAVO Pad",
    "AOM TAVO Sim Pad",
    "Configure...",
    "None",
    "/PCI slot #",
    "Single Line",
    "Multiple Line",
    "Multiple use of channel %s",
    "MIN or MAX out of range <%5.1f - %5.1f>",
    "Lambda1 out of range <300 - 800> nm  ",
    "Lambda2 out of range <300 - 800> nm  ",
    "Lambda3 out of range <300 - 800> nm  ",
};

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                nullptr, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

// The bytes of a resource of the module, empty when there is none.
std::vector<BYTE> ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name, LANGID language) {
    HRSRC found = FindResourceExW(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return bytes ? std::vector<BYTE>(bytes, bytes + SizeofResource(module, found)) : std::vector<BYTE>();
}

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

// A dialog template, DIALOG or DIALOGEX, with what the layout depends on.
struct Item {
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0, id = 0;
    std::wstring cls, text;
};
struct Dialog {
    bool ex = false;
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0, pointSize = 0;
    std::wstring caption, font;
    std::vector<Item> items;
};

class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : m_bytes(bytes), m_pos(0), m_ok(true) {}
    bool ok() const { return m_ok; }
    WORD Word() {
        if (m_pos + 2 > m_bytes.size()) return Fail();
        WORD w = static_cast<WORD>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return w;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    BYTE Byte() {
        if (m_pos >= m_bytes.size()) return static_cast<BYTE>(Fail());
        return m_bytes[m_pos++];
    }
    std::wstring Text() {
        std::wstring s;
        for (WORD c = Word(); m_ok && c; c = Word())
            s += static_cast<wchar_t>(c);
        return s;
    }
    // A name or an ordinal (written as "#n"; the standard control classes by name).
    std::wstring NameOrOrdinal() {
        WORD first = Word();
        if (first == 0) return std::wstring();
        if (first == 0xFFFF) {
            WORD ordinal = Word();
            static const wchar_t* const kClasses[] = {L"BUTTON",  L"EDIT",      L"STATIC",
                                                      L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
            if (ordinal >= 0x80 && ordinal <= 0x85) return kClasses[ordinal - 0x80];
            return L"#" + std::to_wstring(ordinal);
        }
        std::wstring s(1, static_cast<wchar_t>(first));
        s += Text();
        return s;
    }
    void Skip(size_t n) { m_pos += n; }
    void AlignDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }

private:
    WORD Fail() {
        m_ok = false;
        m_pos = m_bytes.size();
        return 0;
    }
    const std::vector<BYTE>& m_bytes;
    size_t m_pos;
    bool m_ok;
};

bool ParseDialog(const std::vector<BYTE>& bytes, Dialog& d) {
    TemplateReader r(bytes);
    WORD count = 0;
    d.ex = bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    if (d.ex) {
        r.Dword(); // version and signature
        r.Dword(); // help id
        r.Dword(); // extended style
        d.style = r.Dword();
    } else {
        d.style = r.Dword();
        r.Dword(); // extended style
    }
    count = r.Word();
    d.x = static_cast<short>(r.Word());
    d.y = static_cast<short>(r.Word());
    d.cx = static_cast<short>(r.Word());
    d.cy = static_cast<short>(r.Word());
    r.NameOrOrdinal(); // menu
    r.NameOrOrdinal(); // class
    d.caption = r.Text();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.Word();
        if (d.ex) {
            r.Word(); // weight
            r.Byte(); // italic
            r.Byte(); // character set
        }
        d.font = r.Text();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        Item item;
        if (d.ex) {
            r.Dword(); // help id
            item.exStyle = r.Dword();
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            item.exStyle = r.Dword();
        }
        item.x = static_cast<short>(r.Word());
        item.y = static_cast<short>(r.Word());
        item.cx = static_cast<short>(r.Word());
        item.cy = static_cast<short>(r.Word());
        item.id = d.ex ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
        item.cls = r.NameOrOrdinal();
        std::transform(item.cls.begin(), item.cls.end(), item.cls.begin(),
                       [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
        item.text = r.NameOrOrdinal();
        r.Skip(r.Word()); // creation data
        d.items.push_back(item);
    }
    return r.ok() && d.items.size() == count;
}

Dialog LoadDialog(HMODULE module, const wchar_t* name, LANGID language) {
    Dialog d;
    EXPECT_TRUE(ParseDialog(ResourceBytes(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */, name, language), d))
        << "dialog " << name << " in " << language;
    return d;
}

// Texts that are the same in every language.
bool Untranslated(const std::wstring& text) {
    return text.empty() || text == L"???" || text == L"1." || text == L"2." || text == L"3." ||
           text == L"TAVO:" || text == L"NI DAQ:";
}

TEST(ModuleFileDialogs, EachTemplateInElevenLanguages) {
    LoadedModule module;
    ASSERT_NE(nullptr, module.Handle());
    const std::set<LANGID> expected(std::begin(kDialogLanguages), std::end(kDialogLanguages));
    for (const wchar_t* name : kDialogs) {
        EXPECT_EQ(expected, LanguagesOf(module.Handle(), MAKEINTRESOURCEW(5), name)) << name;
        for (LANGID language : kDialogLanguages)
            EXPECT_NE(nullptr, FindResourceExW(module.Handle(), MAKEINTRESOURCEW(5), name, language))
                << name << " in " << language;
    }
}

TEST(ModuleFileDialogs, EnglishTemplatesHaveTheirStylesAndControls) {
    LoadedModule module;
    Dialog pad = LoadDialog(module.Handle(), L"IDD_PAD", 1033);
    EXPECT_TRUE(pad.ex);
    EXPECT_EQ(0x42000048u, pad.style);
    EXPECT_EQ(180, pad.cx);
    EXPECT_EQ(144, pad.cy);
    EXPECT_TRUE(pad.items.empty());
    EXPECT_EQ(L"", pad.caption);

    Dialog cfg = LoadDialog(module.Handle(), L"IDD_CFG", 1033);
    EXPECT_TRUE(cfg.ex);
    EXPECT_EQ(0x80C800C0u, cfg.style);
    EXPECT_EQ(257, cfg.cx);
    EXPECT_EQ(202, cfg.cy);
    EXPECT_EQ(L"Configure TAVO and AOM", cfg.caption);
    EXPECT_EQ(L"MS Shell Dlg", cfg.font);
    EXPECT_EQ(8, cfg.pointSize);
    ASSERT_EQ(42u, cfg.items.size());
    int edits = 0, combos = 0, checks = 0;
    for (const Item& item : cfg.items) {
        if (item.cls == L"EDIT") ++edits;
        if (item.cls == L"COMBOBOX") {
            ++combos;
            EXPECT_EQ(0x50210003u, item.style);
        }
        if (item.cls == L"BUTTON" && item.id >= 1230) {
            ++checks;
            EXPECT_EQ(0x50010003u, item.style);
        }
        if (item.id >= 1020 && item.id <= 1022) {
            EXPECT_EQ(0x50812080u, item.style) << item.id;
        }
    }
    EXPECT_EQ(12, edits);
    EXPECT_EQ(3, combos);
    EXPECT_EQ(3, checks);

    Dialog shutter = LoadDialog(module.Handle(), L"IDD_CFG_SHUTTER", 1033);
    EXPECT_FALSE(shutter.ex);
    EXPECT_EQ(0x80C800C0u, shutter.style);
    EXPECT_EQ(L"Shutter Configuration", shutter.caption);
    ASSERT_EQ(4u, shutter.items.size());
    EXPECT_EQ(L"Shutter Type:", shutter.items[0].text);
    EXPECT_EQ(0x50020202u, shutter.items[0].style);
    EXPECT_EQ(1101, shutter.items[1].id);
}

// Every language lays the same controls out the same way; only the texts differ.
TEST(ModuleFileDialogs, TranslatedTemplatesKeepTheEnglishLayout) {
    LoadedModule module;
    for (const wchar_t* name : kDialogs) {
        Dialog english = LoadDialog(module.Handle(), name, 1033);
        for (LANGID language : kDialogLanguages) {
            if (language == 1033) continue;
            Dialog d = LoadDialog(module.Handle(), name, language);
            SCOPED_TRACE(testing::Message() << "dialog " << name << " in " << language);
            EXPECT_TRUE(d.ex);
            EXPECT_EQ(english.style, d.style);
            EXPECT_EQ(english.cx, d.cx);
            EXPECT_EQ(english.cy, d.cy);
            EXPECT_EQ(english.font, d.font);
            EXPECT_EQ(english.pointSize, d.pointSize);
            EXPECT_EQ(english.caption.empty(), d.caption.empty());
            ASSERT_EQ(english.items.size(), d.items.size());
            for (size_t i = 0; i < d.items.size(); ++i) {
                const Item& e = english.items[i];
                const Item& t = d.items[i];
                SCOPED_TRACE(testing::Message() << "control " << i << " (id " << e.id << ")");
                EXPECT_EQ(e.id, t.id);
                EXPECT_EQ(e.cls, t.cls);
                EXPECT_EQ(e.style, t.style);
                EXPECT_EQ(e.exStyle, t.exStyle);
                EXPECT_EQ(e.x, t.x);
                EXPECT_EQ(e.y, t.y);
                EXPECT_EQ(e.cx, t.cx);
                EXPECT_EQ(e.cy, t.cy);
                if (Untranslated(e.text)) {
                    EXPECT_EQ(e.text, t.text);
                } else {
                    EXPECT_FALSE(t.text.empty());
                }
            }
        }
    }
}

// A GNU MO catalog read directly: message id to translation, both UTF-8.
bool ReadMo(const std::vector<BYTE>& mo, std::vector<std::pair<std::string, std::string>>& entries) {
    auto u32 = [&](size_t at) -> DWORD {
        return at + 4 <= mo.size() ? static_cast<DWORD>(mo[at] | (mo[at + 1] << 8) | (mo[at + 2] << 16) |
                                                        (static_cast<DWORD>(mo[at + 3]) << 24))
                                   : 0;
    };
    if (u32(0) != 0x950412DEu) return false;
    DWORD count = u32(8), ids = u32(12), texts = u32(16);
    auto at = [&](DWORD table, DWORD i, std::string& s) {
        DWORD length = u32(table + 8 * i), offset = u32(table + 8 * i + 4);
        if (static_cast<size_t>(offset) + length > mo.size()) return false;
        s.assign(reinterpret_cast<const char*>(&mo[offset]), length);
        return true;
    };
    for (DWORD i = 0; i < count; ++i) {
        std::string id, text;
        if (!at(ids, i, id) || !at(texts, i, text)) return false;
        entries.emplace_back(id, text);
    }
    return true;
}

// The printf conversions of a text, in order.
std::vector<std::string> Conversions(const std::string& s) {
    std::vector<std::string> result;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') continue;
        size_t j = i + 1;
        while (j < s.size() && std::string("0123456789.-+ #lh").find(s[j]) != std::string::npos)
            ++j;
        if (j < s.size()) result.push_back(s.substr(i, j - i + 1));
        i = j;
    }
    return result;
}

size_t Count(const std::string& s, const std::string& part) {
    size_t n = 0;
    for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + part.size()))
        ++n;
    return n;
}

TEST(TranslationCatalogs, OneCatalogPerLanguageNamedByLangid) {
    LoadedModule module;
    for (LANGID language : kCatalogLanguages)
        EXPECT_NE(nullptr, FindResourceW(module.Handle(), MAKEINTRESOURCEW(language), MAKEINTRESOURCEW(10)))
            << language;
    // Indonesian has dialogs but no catalog: its texts come from the English one.
    EXPECT_EQ(nullptr, FindResourceW(module.Handle(), MAKEINTRESOURCEW(1057), MAKEINTRESOURCEW(10)));
}

TEST(TranslationCatalogs, EveryCatalogTranslatesEveryMessage) {
    LoadedModule module;
    for (LANGID language : kCatalogLanguages) {
        SCOPED_TRACE(testing::Message() << "catalog " << language);
        HRSRC found = FindResourceW(module.Handle(), MAKEINTRESOURCEW(language), MAKEINTRESOURCEW(10));
        ASSERT_NE(nullptr, found);
        HGLOBAL loaded = LoadResource(module.Handle(), found);
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
        DWORD size = SizeofResource(module.Handle(), found);
        ASSERT_NE(nullptr, bytes);

        // Loaded as the framework loads it; this replaces the module's earlier catalog.
        CQvRscData data;
        ASSERT_TRUE(data.Assign(bytes, size, module.Handle(), language));
        ASSERT_TRUE(QV_CQvRscDataToCQvLocale(data));

        std::vector<std::pair<std::string, std::string>> entries;
        ASSERT_TRUE(ReadMo(std::vector<BYTE>(bytes, bytes + size), entries));
        for (const char* message : kMessages) {
            SCOPED_TRACE(message);
            auto entry = std::find_if(
                entries.begin(), entries.end(),
                [&](const std::pair<std::string, std::string>& e) { return e.first == message; });
            ASSERT_TRUE(entry != entries.end()) << "no entry";
            const std::string& text = entry->second;
            EXPECT_FALSE(text.empty());
            if (language == 1033) {
                EXPECT_EQ(std::string(message), text);
            }
            EXPECT_EQ(Conversions(message), Conversions(text));
            EXPECT_EQ(Count(message, "\r\n"), Count(text, "\r\n"));
            if (Count(message, "nm  ")) {
                EXPECT_EQ("  ", text.substr(text.size() - 2));
            }
            CQvStringW translated = QV_GetTranslation(Wide(message).c_str(), L"resources_test");
            EXPECT_GT(translated.GetLength(), 0);
            EXPECT_EQ(Wide(text), std::wstring(translated.GetString()));
        }
        if (language != 1033) {
            EXPECT_NE(std::wstring(L"Configure..."), std::wstring(QV_GetTranslation(L"Configure...", L"x")));
        }
    }
    // Back to the English catalog for whatever runs next in this process.
    CQvRscData english;
    ASSERT_TRUE(QV_RCDATAToCQvRscData(english, module.Handle()));
    EXPECT_TRUE(QV_CQvRscDataToCQvLocale(english));
}

TEST(TranslationCatalogs, DeviceMadeForAGermanHostTranslatesToGerman) {
    LoadedModule module;
    CQvLocale::SetHostLanguage(1031);
    {
        DeviceRef device(module.Make("QV_ConstructorForCQvAOMTAVO"));
        ASSERT_NE(nullptr, device.get());
        EXPECT_EQ(CQvStringW(L"Konfigurieren..."), QV_GetTranslation(L"Configure...", L"x"));
    }
    CQvLocale::SetHostLanguage(1033);
    DeviceRef english(module.Make("QV_ConstructorForCQvAOMTAVO"));
    EXPECT_EQ(CQvStringW(L"Configure..."), QV_GetTranslation(L"Configure...", L"x"));
}

} // namespace
