#pragma once

#include <winsock2.h>

#include <string>
#include <vector>

namespace tavosim_unit {

struct TavoSimOptions {
    std::string personality = "both"; // standard, extended, both, neither
    std::string firmware;             // empty: the unit's default
    bool wire_time = false;           // pace replies as at 9600 baud
    std::vector<std::string> extra_args;
};

// A simulated TAVO controller on its own COM port, for Windows programs (tests, benchmarks) under Wine.
// The unit is started by the constructor (check ok()/error()) and stopped by the destructor,
// whatever happened in the test. Binary: $QV_TAVOSIM.
//
// Wine runs a native program detached (double fork) and hands back no process handle, and it passes on
// stdin/stdout only when they are handles with a Unix fd: pipes are replaced by /dev/null, sockets work.
// So both are one end of a loopback socket pair: the unit's ready line is read through it, its end of
// file is how we see the unit exit, and shutting it down is the unit's stdin end of file.
class TavoSimUnit {
public:
    static constexpr DWORD kStartTimeoutMs = 10000;
    static constexpr DWORD kCommandTimeoutMs = 5000;

    explicit TavoSimUnit(const TavoSimOptions& options = {});
    ~TavoSimUnit();
    TavoSimUnit(const TavoSimUnit&) = delete;
    TavoSimUnit& operator=(const TavoSimUnit&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    int com_port() const { return com_; }
    std::string com_path() const { return "\\\\.\\COM" + std::to_string(com_); }
    int control_port() const { return control_port_; }

    // Raw control command: reply lines including the final "ok"/"error ...", empty on timeout.
    std::vector<std::string> command(const std::string& line);
    // True when the command answers "ok".
    bool run(const std::string& line);

    // Front panel.
    bool select_line(int line) { return run("line " + std::to_string(line)); }
    bool set_mask(int mask) { return run("mask " + std::to_string(mask)); }
    bool set_binocular(bool engaged) { return run(engaged ? "bino 1" : "bino 0"); }
    std::string state();    // "line N mask M bino B"
    std::string settings(); // the tty settings the driver applied

    // Faults: "silent", "garble", "split 3 20", "byte-delay 5", "no-cr", "long 300", "refuse", "bare",
    // "every-other rTES", "none" (see the simulator's README).
    bool set_fault(const std::string& fault) { return run("fault " + fault); }
    bool clear_fault() { return set_fault("none"); }
    bool send_stale(const std::string& text) { return set_fault("stale " + text); }
    bool hangup() { return set_fault("hangup"); }
    bool plug() { return run("plug"); }

    // Transcript lines without their time field, e.g. R"(RX "rVER\r")".
    std::vector<std::string> transcript();
    bool clear_transcript() { return run("transcript clear"); }

    // Stops the unit now; the destructor does the same.
    void stop();

private:
    bool start(const TavoSimOptions& options);
    std::vector<std::string> command(const std::string& line, DWORD timeout_ms);
    std::string single_line(const std::string& command);

    SOCKET stdio_ = INVALID_SOCKET;   // our end of the unit's stdin/stdout
    SOCKET control_ = INVALID_SOCKET; // its control port
    std::string control_buffer_;      // reply bytes not yet taken as lines
    std::string error_;
    int com_ = 0;
    int control_port_ = 0;
    long unix_pid_ = 0;
};

// A blocking TCP connection to 127.0.0.1:port, or INVALID_SOCKET.
SOCKET connect_loopback(int port);

// The Windows path of a Unix file ("Z:\..." with the default drive mapping), or empty when not under Wine.
std::wstring windows_path_of_unix_file(const std::string& unix_path);

} // namespace tavosim_unit
