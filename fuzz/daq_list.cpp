// An NI-DAQmx list answer (boards, channels), split as discovery splits it, with and without a filter.
#include "aomparse.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int capacity : {16, 256}) {
        for (const char* filter : {static_cast<const char*>(nullptr), "ao"}) {
            std::vector<char> text(data, data + size);
            text.push_back(0);
            std::vector<const char*> items(static_cast<size_t>(capacity));
            int leftOut = 0;
            int taken = AOMSplitListItems(text.data(), items.data(), capacity, filter, leftOut);
            for (int i = 0; i < taken; ++i)
                (void)strlen(items[static_cast<size_t>(i)]);
        }
    }
    return 0;
}
