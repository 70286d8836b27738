// A translation catalog file as the framework reads it.
#include "mocatalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MoCatalog catalog;
    if (catalog.Parse(data, size)) catalog.Find(L"Error");
    return 0;
}
