#pragma once

#include <string>
#include <vector>

#include "control_channel.h"
#include "native_process.h"
#include "socket_util.h"

namespace tavosim_fixture {

struct TavoSimOptions {
    std::string personality = "both"; // standard, extended, both, neither
    std::string firmware;             // empty: the unit's default
    bool wire_time = false;           // pace replies as at 9600 baud
    std::vector<std::string> extra_args;
};

// A simulated TAVO controller on its own COM port, for Windows tests running under Wine.
// The unit is started by the constructor (check ok()/error()) and stopped by the destructor,
// whatever happened in the test. Binary: $QV_TAVOSIM.
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
    const std::string& pty() const { return pty_; }
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

    // Faults: "silent", "garble", "split 3 20", "byte-delay 5", "no-cr", "long 300", "none".
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
    std::string single_line(const std::string& command);

    WinsockSession winsock_;
    NativeProcess process_;
    ControlChannel control_;
    std::string error_;
    std::string pty_;
    int com_ = 0;
    int control_port_ = 0;
    long unix_pid_ = 0;
};

} // namespace tavosim_fixture
