// Settings texts (connection, configuration, multi-laser and shutter) as 16-bit wide text, as on Windows:
// every key the device reads, plain and indexed.
#include "aomparse.h"

#include <stddef.h>
#include <stdint.h>
#include <vector>

static_assert(sizeof(wchar_t) == 2, "built with 16-bit wide characters, as on Windows");

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<wchar_t> text(size / 2 + 1, 0);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[i / 2] = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const wchar_t* keys[] = {L"m_iCOMPort",       L"bEmpty[0]",
                             L"iIndex[1]",        L"fValMin[2]",
                             L"fValMax[0]",       L"fValLambda[1]",
                             L"sChannel_Name[2]", L"sLineName[0]",
                             L"m_dPower1",        L"m_uWavelengthExcitation2",
                             L"ShutterType",      L""};
    for (const wchar_t* key : keys) {
        const wchar_t* value = nullptr;
        size_t length = 0;
        if (AOMFindKeyValue(text.data(), key, &value, &length)) {
            volatile wchar_t sum = 0; // reads the whole value
            for (size_t i = 0; i < length; ++i)
                sum = sum + value[i];
        }
    }
    return 0;
}
