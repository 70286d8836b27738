// The library's size-query convention for caller buffers.
// A null buffer or size 0 asks for the size needed (strings: bytes including the NUL).
#pragma once

#include <string>
#include <vector>

#include "daqmx_types.h"

namespace fakedaqmx {

// Attribute strings: a buffer too small gets "" and DAQmxErrorBufferTooSmallForString.
int32 CopyString(const std::string& text, char* buf, uInt32 size);
// Error texts, and attribute strings under "strings truncate": a buffer too small gets the start of the text
// and the truncation warning DAQmxWarningCAPIStringTruncatedToFitBuffer.
int32 CopyStringTruncating(const std::string& text, char* buf, uInt32 size);
// Attribute arrays: sizes count elements; too small gets DAQmxErrorWriteBufferTooSmall.
int32 CopyArray(const std::vector<double>& values, float64* buf, uInt32 size);

} // namespace fakedaqmx
