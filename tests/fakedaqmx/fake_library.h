// Reaches the exports of a fakedaqmx variant: one loaded by path here, or the nicaiu.dll the driver loaded.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "daqmx_functions.h"
#include "fakedaqmx_control.h"
#include "moduleloader.h"

// An export typed as its declaration, null when absent. Through void* because FARPROC's own type matches
// none of the real signatures.
template <class F> F Export(HMODULE library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(library ? GetProcAddress(library, name) : nullptr));
}
#define FAKEDAQMX(library, fn) Export<decltype(&::fn)>(library, #fn)

// The size-query convention: ask for the size, then fetch into a buffer of exactly that size.
inline std::string FetchString(const std::function<int32(char*, uInt32)>& call) {
    int32 size = call(nullptr, 0);
    EXPECT_GT(size, 0) << "size query failed";
    if (size <= 0) return {};
    std::string text(static_cast<size_t>(size), '#');
    EXPECT_EQ(call(&text[0], static_cast<uInt32>(size)), 0);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// Each test starts from the "full" variant, loaded by path, with a fresh state and no scenario file.
class FakeDaqmxTest : public ::testing::Test {
protected:
    ~FakeDaqmxTest() override {
        if (lib) FreeLibrary(lib);
    }
    void SetUp() override {
        ASSERT_NE(nullptr, lib) << "cannot load the full variant";
        SetEnvironmentVariableA("FAKEDAQMX_SCENARIO", nullptr);
        FAKEDAQMX(lib, fakedaqmx_Reset)();
    }
    void Load(const char* scenario) {
        ASSERT_EQ(FAKEDAQMX(lib, fakedaqmx_LoadScenarioText)(scenario), 0)
            << FetchString(FAKEDAQMX(lib, fakedaqmx_GetScenarioError));
    }
    std::string ExtendedError() { return FetchString(FAKEDAQMX(lib, DAQmxGetExtendedErrorInfo)); }
    std::string CallLog() { return FetchString(FAKEDAQMX(lib, fakedaqmx_GetCallLog)); }
    // The last value written to the physical channel, or -99 when none was.
    double LastVoltage(const char* channel) {
        double volts = 0;
        return FAKEDAQMX(lib, fakedaqmx_GetLastVoltage)(channel, &volts) == 1 ? volts : -99;
    }
    TaskHandle AOTask(const char* channel, double min = -10, double max = 10) {
        TaskHandle task = nullptr;
        EXPECT_EQ(FAKEDAQMX(lib, DAQmxCreateTask)("", &task), 0);
        EXPECT_EQ(
            FAKEDAQMX(lib, DAQmxCreateAOVoltageChan)(task, channel, "", min, max, DAQmx_Val_Volts, nullptr),
            0);
        return task;
    }

    HMODULE lib = LoadLibraryW((FakeDaqmxDir("full") + L"\\nicaiu.dll").c_str());
};
#define DAQ(fn) FAKEDAQMX(lib, fn)
