#include "changetext.h"

#include "numbers.h"

#include <string.h>

namespace {
// Offsets in an entry's data, as the logical devices fill them.
const size_t kLineCount = 0, kUsed = 4, kPower = 104, kPosition = 372;
const size_t kShutterOpen = 0;
// Used flags and powers have room for this many lines before the next field starts.
const uint32_t kMaxLines = 16;

template <class T> T Field(const SHostChange& change, size_t offset) {
    T value{};
    if (offset + sizeof value <= change.data.size())
        memcpy(&value, change.data.data() + offset, sizeof value);
    return value;
}

} // namespace

std::wstring DescribeChange(const SHostChange& change, uint32_t multiLaserId, uint32_t shutterId) {
    std::wstring id = std::to_wstring(change.key);
    if (change.key == shutterId)
        return L"shutter " + id + L" open " + std::to_wstring(Field<uint8_t>(change, kShutterOpen) ? 1 : 0);
    if (change.key != multiLaserId)
        return L"change " + id + L" kind " + std::to_wstring(change.kind) + L" subkind " +
               std::to_wstring(change.subKind);
    uint32_t count = Field<uint32_t>(change, kLineCount);
    if (count > kMaxLines) count = kMaxLines;
    std::wstring used, power;
    for (uint32_t p = 0; p < count; ++p) {
        used += L" " + std::to_wstring(Field<uint8_t>(change, kUsed + p) ? 1 : 0);
        power += L" " + FormatFixed(Field<double>(change, kPower + 8 * p), 1);
    }
    // The position is the unit's line less one, or -1 when the unit changed on its own (its front panel).
    int32_t position = Field<int32_t>(change, kPosition);
    std::wstring source =
        position < 0 ? L" (from the unit)" : L" (unit line " + std::to_wstring(position + 1) + L")";
    return L"multilaser " + id + L" used" + used + L" power" + power + L" position " +
           std::to_wstring(position) + source;
}
