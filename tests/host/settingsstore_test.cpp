// The store file: what is written is read back exactly, and a damaged file is refused whole.
#include "settingsstore.h"

#include "qvhost_run.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Beside the store, half a file that an interrupted write left: never read, and replaced.
TEST(HostStore, TextsComeBackExactlyAfterSavingOverALeftover) {
    TempStore file("roundtrip");
    ASSERT_TRUE(WriteWholeFile(file.Path() + L".new", "qvhost-store 1\nconfigurat"));
    CSettingsStore store;
    std::wstring error;
    ASSERT_TRUE(store.Load(file.Path(), error)) << "a missing file is an empty store";
    EXPECT_TRUE(store.Values().empty());
    const std::wstring tricky = L"fValMin[0]=  0.0;two\nlines\r\\n not an escape \\;=x;\u00e9\u4e2d";
    store.Set(L"configuration", tricky);
    store.Set(L"connection", L"");
    ASSERT_TRUE(store.Save(error)) << std::string(error.begin(), error.end());
    EXPECT_FALSE(FileExists(file.Path() + L".new"));

    CSettingsStore again;
    ASSERT_TRUE(again.Load(file.Path(), error));
    EXPECT_EQ(tricky, again.Get(L"configuration"));
    EXPECT_TRUE(again.Has(L"connection"));
    EXPECT_EQ(L"", again.Get(L"connection"));
    EXPECT_FALSE(again.Has(L"absent"));
}

TEST(HostStore, DamagedFilesLoadNothing) {
    const char* damaged[] = {
        "qvhost-store 1",                   // header without its line end
        "qvhost-store 1\n=value\n",         // no key
        "qvhost-store 1\nkey=ends in \\\n", // a lone backslash
        "qvhost-store 1\nkey=bad \\t escape\n",
        "qvhost-store 1\nconnection=m_iCOMPort=3;", // last line incomplete: an interrupted write
        "qvhost-store 1\nthis line has no equals sign\n",
        "qvhost-store 2\nconnection=\n",
        "QVHOST-STORE 1\n",
        "\n",
    };
    for (const char* content : damaged) {
        TempStore file("damagedfile");
        ASSERT_TRUE(WriteWholeFile(file.Path(), content));
        CSettingsStore store;
        store.Set(L"before", L"x");
        std::wstring error;
        EXPECT_FALSE(store.Load(file.Path(), error)) << content;
        EXPECT_NE(std::wstring::npos, error.find(L"damaged")) << content;
        EXPECT_TRUE(store.Values().empty()) << content;
    }
}

TEST(HostStore, FailedWriteLeavesTheOldFile) {
    TempStore file("failedwrite");
    ASSERT_TRUE(WriteWholeFile(file.Path(), "qvhost-store 1\nkey=old\n"));
    // A folder in the way of the new file: the write fails before anything is renamed.
    ASSERT_TRUE(CreateDirectoryW((file.Path() + L".new").c_str(), nullptr));
    CSettingsStore store;
    std::wstring error;
    ASSERT_TRUE(store.Load(file.Path(), error));
    store.Set(L"key", L"new");
    EXPECT_FALSE(store.Save(error));
    EXPECT_NE(std::wstring::npos, error.find(L"cannot write")) << std::string(error.begin(), error.end());
    RemoveDirectoryW((file.Path() + L".new").c_str());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(file.Path(), text));
    EXPECT_EQ("qvhost-store 1\nkey=old\n", text);
}

} // namespace
