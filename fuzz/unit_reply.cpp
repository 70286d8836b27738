// The unit's reply bytes as the serial port reads them: one line cut to the reply buffer, then every
// parse the commands make of it.
#include "aomparse.h"

#include <stddef.h>
#include <stdint.h>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int kBufferSize = 256; // the port's reply buffer, its last byte for the terminator
    char reply[kBufferSize];
    int length = 0;
    bool ended = false;
    for (size_t i = 0; i < size && !ended && length < kBufferSize - 1; ++i)
        ended = AOMAddReplyByte(reply, length, static_cast<char>(data[i]));
    reply[length] = 0;
    uint32_t value = 0;
    for (const char* format : {"aTES%d", "aTSR%d", "aTSD%d"})
        AOMParseNumberReply(reply, format, &value);
    char version[32];
    AOMParseVersionReply(reply, version, sizeof version);
    AOMParseVersionReply(reply, nullptr, 0);
    AOMIsAcknowledgement(reply, "oTS");
    AOMIsAcknowledgement(reply, "oTSD");
    return 0;
}
