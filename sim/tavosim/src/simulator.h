#pragma once

#include <poll.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "com_link.h"
#include "control_server.h"
#include "fault.h"
#include "options.h"
#include "pseudo_tty.h"
#include "request_framer.h"
#include "transcript.h"
#include "tx_queue.h"
#include "unique_fd.h"
#include "unit_model.h"

namespace tavosim {

// One simulated unit: its serial side, its control channel and the single poll loop that drives both.
class Simulator {
public:
    explicit Simulator(Options options);

    // Opens the pty, link, control port and transcript, then announces readiness.
    bool start(std::string& error);
    // Serves until quit, a signal, stdin EOF or the time limit.
    void run();

    // Used by the control commands.
    UnitModel& model() { return model_; }
    Transcript& transcript() { return transcript_; }
    void set_fault(const Fault& fault) { fault_ = fault; }
    bool send_unsolicited(const std::string& text, std::string& error);
    bool hangup(std::string& error);
    bool plug(std::string& error);
    bool line_settings(std::string& settings, std::string& error) const {
        return tty_.line_settings(settings, error);
    }
    const std::string& pty_path() const { return tty_.slave_path(); }
    void request_quit() { quit_ = true; }

private:
    bool open_signal_fd(std::string& error);
    void queue_line(std::vector<Piece> pieces);
    void on_serial_readable();
    void on_stdin_readable();
    void on_signal();
    void drop_line();

    Options options_;
    Clock::time_point started_;
    UnitModel model_;
    Transcript transcript_;
    PseudoTty tty_;
    std::unique_ptr<ComLink> link_;
    ControlServer control_;
    RequestFramer framer_;
    TxQueue tx_;
    Fault fault_;
    std::mt19937 rng_{12345}; // fixed seed: garbled transcripts repeat from run to run
    UniqueFd signal_fd_;
    bool stdin_open_ = true;
    bool quit_ = false;
};

} // namespace tavosim
