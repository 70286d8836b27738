// Compiled once per built variant with FAKEDAQMX_MAJOR and FAKEDAQMX_MINOR.
#include "sim.h"

namespace fakedaqmx {

const uInt32 kDefaultMajorVersion = FAKEDAQMX_MAJOR;
const uInt32 kDefaultMinorVersion = FAKEDAQMX_MINOR;

} // namespace fakedaqmx
