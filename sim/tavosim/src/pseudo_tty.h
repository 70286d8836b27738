#pragma once

#include <string>

#include "unique_fd.h"

namespace tavosim {

// The unit's end of the serial cable: a pty master, plus a slave fd held open so the tty does not
// hang up whenever the driver closes the port.
class PseudoTty {
public:
    // Opens a fresh pty with its slave already in raw mode. Returns false with `error` set.
    bool open(std::string& error);
    // Drops both ends, as a pulled cable does to the driver.
    void close();

    bool is_open() const { return master_.valid(); }
    int master() const { return master_.get(); }
    const std::string& slave_path() const { return slave_path_; }

    // The line settings currently on the slave, e.g. "baud 9600 bits 8 parity none stop 1 crtscts 0 ixon 0".
    bool line_settings(std::string& settings, std::string& error) const;

private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string slave_path_;
};

} // namespace tavosim
