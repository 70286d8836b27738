// An NI-DAQmx list answer (boards, channels), split as the device's discovery splits it, with and without a
// filter, and as qvhost's scan splits it.
#include "aomparse.h"
#include "daqbuffers.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
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
    // Each item of the scan's split is a whole one: not empty, no comma, no blank at either end.
    for (const std::string& item : SplitDaqList(std::string(reinterpret_cast<const char*>(data), size)))
        if (item.empty() || item.find(',') != std::string::npos || item.front() == ' ' ||
            item.back() == ' ' || item.front() == '\t' || item.back() == '\t')
            abort();
    return 0;
}
