#include "buffers.h"

#include <climits>
#include <cstring>

namespace fakedaqmx {

static int32 SizeAsStatus(size_t size) {
    return size > INT32_MAX ? INT32_MAX : static_cast<int32>(size);
}

int32 CopyString(const std::string& text, char* buf, uInt32 size) {
    const size_t needed = text.size() + 1;
    if (!buf || size == 0) return SizeAsStatus(needed);
    if (size < needed) {
        buf[0] = '\0';
        return DAQmxErrorBufferTooSmallForString;
    }
    std::memcpy(buf, text.c_str(), needed);
    return 0;
}

int32 CopyStringTruncating(const std::string& text, char* buf, uInt32 size) {
    const size_t needed = text.size() + 1;
    if (!buf || size == 0) return SizeAsStatus(needed);
    const size_t copied = needed <= size ? text.size() : size - 1;
    std::memcpy(buf, text.data(), copied);
    buf[copied] = '\0';
    return needed <= size ? 0 : DAQmxWarningCAPIStringTruncatedToFitBuffer;
}

int32 CopyArray(const std::vector<double>& values, float64* buf, uInt32 size) {
    if (!buf || size == 0) return SizeAsStatus(values.size());
    if (size < values.size()) return DAQmxErrorWriteBufferTooSmall;
    std::memcpy(buf, values.data(), values.size() * sizeof(double));
    return 0;
}

} // namespace fakedaqmx
