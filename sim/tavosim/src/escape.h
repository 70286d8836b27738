#pragma once

#include <string>

namespace tavosim {

// Printable form of wire bytes for the transcript: C-style escapes, \xHH for the rest.
std::string escape_bytes(const std::string& bytes);

} // namespace tavosim
