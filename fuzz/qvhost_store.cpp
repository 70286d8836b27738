// qvhost's store file: parsed, written back and parsed again to the same values.
#include "storetext.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::map<std::string, std::string> values, again;
    if (ParseStoreText(std::string(reinterpret_cast<const char*>(data), size), values) != kStoreWhole)
        return 0;
    std::string text = "qvhost-store 1\n";
    for (const auto& v : values)
        text += v.first + "=" + EscapeStoreValue(v.second) + "\n";
    if (ParseStoreText(text, again) != kStoreWhole || again != values) abort();
    return 0;
}
