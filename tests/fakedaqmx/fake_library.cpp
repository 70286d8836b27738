#include "fake_library.h"

#include "moduleloader.h"

#include <cstring>

std::wstring VariantPath(const std::string& variant, const char* file) {
    std::wstring path = FakeDaqmxDir(variant.c_str());
    if (*file) path += L"\\" + std::wstring(file, file + strlen(file));
    return path;
}

FakeLibrary::FakeLibrary(const std::string& variant) {
    module_ = LoadLibraryW(VariantPath(variant).c_str());
    // Through void* because FARPROC's own type matches none of the real signatures.
#define FAKEDAQMX_BIND(name) name = reinterpret_cast<decltype(name)>(reinterpret_cast<void*>(Find(#name)));
    FAKEDAQMX_DAQMX_FUNCTIONS(FAKEDAQMX_BIND)
    FAKEDAQMX_CONTROL_FUNCTIONS(FAKEDAQMX_BIND)
#undef FAKEDAQMX_BIND
}

FakeLibrary::~FakeLibrary() {
    if (module_) FreeLibrary(module_);
}

std::string FetchString(const std::function<int32(char*, uInt32)>& call) {
    int32 size = call(nullptr, 0);
    EXPECT_GT(size, 0) << "size query failed";
    if (size <= 0) return {};
    std::string text(static_cast<size_t>(size), '#');
    EXPECT_EQ(call(&text[0], static_cast<uInt32>(size)), 0);
    text.resize(std::strlen(text.c_str()));
    return text;
}

void FakeDaqmxTest::SetUp() {
    ASSERT_TRUE(lib.loaded()) << "cannot load the full variant";
    SetEnvironmentVariableA("FAKEDAQMX_SCENARIO", nullptr);
    lib.fakedaqmx_Reset();
}

void FakeDaqmxTest::Load(const char* scenario) {
    ASSERT_EQ(lib.fakedaqmx_LoadScenarioText(scenario), 0)
        << FetchString([&](char* b, uInt32 n) { return lib.fakedaqmx_GetScenarioError(b, n); });
}

std::string FakeDaqmxTest::ExtendedError() {
    return FetchString([&](char* b, uInt32 n) { return lib.DAQmxGetExtendedErrorInfo(b, n); });
}

std::string FakeDaqmxTest::CallLog() {
    return FetchString([&](char* b, uInt32 n) { return lib.fakedaqmx_GetCallLog(b, n); });
}

TaskHandle FakeDaqmxTest::AOTask(const char* channel, double min, double max) {
    TaskHandle task = nullptr;
    EXPECT_EQ(lib.DAQmxCreateTask("", &task), 0);
    EXPECT_EQ(lib.DAQmxCreateAOVoltageChan(task, channel, "", min, max, DAQmx_Val_Volts, nullptr), 0);
    return task;
}
