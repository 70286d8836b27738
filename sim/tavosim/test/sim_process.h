#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "unique_fd.h"

namespace tavosim::test {

using std::chrono::milliseconds;

// A tavosim process for one test: started with the given options, stopped (and reaped) when destroyed.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return !ready_line.empty(); }
    void close_stdin() { stdin_.reset(); }
    void signal(int signal_number) const;
    // Waits for the process to end; returns its exit status, or -1 if it is still running.
    int wait_exit(milliseconds bound);

    std::string ready_line;
    std::string pty;
    int com = -1;
    int control_port = -1;

private:
    pid_t pid_ = -1;
    UniqueFd stdin_;
    UniqueFd stdout_;
};

// The driver's side of the cable.
class PtyPeer {
public:
    explicit PtyPeer(const std::string& path);
    int fd() const { return fd_.get(); }
    bool send(const std::string& bytes);
    // Everything that arrives until nothing more comes for `quiet`, or `bound` passes.
    std::string collect(milliseconds quiet = milliseconds(150), milliseconds bound = milliseconds(3000));

private:
    UniqueFd fd_;
};

// A control-channel session.
class ControlClient {
public:
    explicit ControlClient(int port);
    // Reply lines up to and including "ok"/"error ..."; empty on timeout or a closed connection.
    std::vector<std::string> command(const std::string& line, milliseconds bound = milliseconds(3000));
    bool ok(const std::string& line);

private:
    UniqueFd fd_;
    std::string buffer_;
};

// Transcript lines without their time field.
std::vector<std::string> without_times(const std::vector<std::string>& lines);

std::string make_temp_dir();

std::vector<std::string> file_lines(const std::string& path);

} // namespace tavosim::test
