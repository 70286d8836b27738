// The host framework stand-in: strings, formatting, numbers, catalogs and the log.
#include "logcapture.h"
#include "qvprint.h"

#include <qv/qvlocale.h>
#include <qv/qvstring.h>
#include <qv/qvsystem.h>

#include <gtest/gtest.h>

#include <locale.h>
#include <string.h>
#include <vector>

namespace {

// %s is the host's: wide text in a wide format, %S narrow. The log's lines, which use the same convention,
// are SerialLink.GarbageFromTheUnitIsLoggedEscapedOnOneLine's.
TEST(Format, TheHostsMeaningOfSAndUpperSWidthPrecisionAndNumbers) {
    auto f = [](const wchar_t* fmt, auto... args) {
        CQvStringW s;
        s.Format(fmt, args...);
        return std::wstring(s.GetString());
    };
    EXPECT_EQ(L"[wide|narrow|W|N]", f(L"[%s|%S|%c|%C]", L"wide", "narrow", L'W', 'N'));
    EXPECT_EQ(L"h l w", f(L"%hs %ls %ws", "h", L"l", L"w"));
    EXPECT_EQ(L"  0.5", f(L"%5.1f", 0.5));
    EXPECT_EQ(L"405.0", f(L"%5.1f", 405.0));
    EXPECT_EQ(L"-10.0", f(L"%5.1f", -10.0));
    EXPECT_EQ(L"0x0000fffe", f(L"0x%08x", 0xfffeu));
    EXPECT_EQ(L"0xffffffff", f(L"0x%08x", -1));
    EXPECT_EQ(L"-42|   42|42   |00042", f(L"%d|%5d|%-5d|%05d", -42, 42, 42, 42));
    EXPECT_EQ(L"  ab|ab  |abc", f(L"%4.2s|%-4.2S|%s", L"abcd", "abcd", L"abc"));
    EXPECT_EQ(L"12345678901", f(L"%lld", 12345678901LL));
    EXPECT_EQ(L"12.3", f(L"%0.1f", 12.345));
    EXPECT_EQ(L"100%", f(L"%d%%", 100));
    EXPECT_EQ(L"(null)", f(L"%s", static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(L"    7", f(L"%*d", 5, 7));
}

TEST(String, EditingOperations) {
    CQvStringW s(L"m_iCOMPort=3;");
    EXPECT_EQ(2, s.Find(L"iCOM"));
    EXPECT_EQ(-1, s.Find(L"iCOM", 3));
    EXPECT_EQ(-1, s.Find(L"x", 100));
    EXPECT_EQ(CQvStringW(L"3"), s.Mid(11, 1));
    EXPECT_EQ(CQvStringW(L"3;"), s.Mid(11));
    EXPECT_EQ(CQvStringW(L""), s.Mid(50));
    s.AddString(L"a").AddInt(-12).AddChar(L'!').AddString(s.GetString() + 12);
    EXPECT_EQ(CQvStringW(L"m_iCOMPort=3;a-12!;a-12!"), s) << "appending a part of itself";
    s.AddInt(-2147483647 - 1);
    EXPECT_EQ(CQvStringW(L"m_iCOMPort=3;a-12!;a-12!-2147483648"), s);
    s = s.GetString() + 2; // assigning a part of itself
    EXPECT_EQ(CQvStringW(L"iCOMPort=3;a-12!;a-12!-2147483648"), s);
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(CQvStringW(L"Dev1/ao0"), CQvStringW("Dev1/ao0xyz", 8));
    EXPECT_STREQ("Dev1/ao0", CQvStringA(L"Dev1/ao0").GetString());
}

TEST(Numbers, ParsedTheSameInAGermanLocale) {
    const char* old = setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    setlocale(LC_ALL, "German_Germany.1252");
    double v = 0;
    EXPECT_TRUE(QV_StringToDouble(L"  0.5", &v));
    EXPECT_DOUBLE_EQ(0.5, v);
    EXPECT_TRUE(QV_StringToDouble(L"-10.25V", &v));
    EXPECT_DOUBLE_EQ(-10.25, v);
    EXPECT_TRUE(QV_StringToDouble(L"4.5e1", &v));
    EXPECT_DOUBLE_EQ(45.0, v);
    v = 7;
    EXPECT_FALSE(QV_StringToDouble(L"abc", &v));
    EXPECT_FALSE(QV_StringToDouble(L"", &v));
    EXPECT_FALSE(QV_StringToDouble(L"-", &v));
    EXPECT_EQ(7.0, v);
    setlocale(LC_ALL, saved.c_str());
}

// Catalog images that are damaged must be refused without reading outside them.
TEST(Catalog, MalformedImagesAreRefused) {
    const uint8_t header[] = {0xde, 0x12, 0x04, 0x95, 0, 0, 0, 0, 0xff, 0xff,
                              0xff, 0x7f, 28,   0,    0, 0, 0, 1, 0,    0};
    std::vector<std::vector<uint8_t>> images = {
        {}, {1, 2, 3}, std::vector<uint8_t>(header, header + sizeof header), // huge count, tables outside
    };
    // A valid one-entry catalog whose string offset points past the end.
    std::vector<uint8_t> bad(28 + 16, 0);
    uint32_t words[] = {0x950412de, 0, 1, 28, 36, 0, 0};
    memcpy(bad.data(), words, sizeof words);
    uint32_t entries[] = {5, 1000, 5, 1000};
    memcpy(bad.data() + 28, entries, sizeof entries);
    images.push_back(bad);
    for (const std::vector<uint8_t>& image : images) {
        CQvRscData data;
        data.Assign(image.data(), static_cast<DWORD>(image.size()), reinterpret_cast<HMODULE>(0x1000), 1031);
        EXPECT_FALSE(QV_CQvRscDataToCQvLocale(data)) << image.size();
    }
    EXPECT_EQ(CQvStringW(L"Cancel"), QV_GetTranslation(L"Cancel", L"test"));
}

TEST(Log, DetailAndCapture) {
    LogCapture log(false);
    QV_DIAG(L"hidden %d", 1);
    EXPECT_TRUE(log.Lines().empty());
    CQvLogFile::SetDetail(true);
    QV_DIAG(L"shown %d", 2);
    ASSERT_EQ(1u, log.Lines().size());
    EXPECT_EQ(L"shown 2", log.Lines()[0]);
    wchar_t small[4];
    EXPECT_EQ(7, QV_LogCaptureLine(0, small, 4));
    EXPECT_STREQ(L"sho", small);
    EXPECT_EQ(-1, QV_LogCaptureLine(1, small, 4));
}

} // namespace
