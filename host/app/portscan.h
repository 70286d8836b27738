// Which COM ports the system has and where a unit answers: each port is opened with exclusive access (a
// port in use is busy and left alone) and a free one is sent the unit's version request at 9600 8N1.
// Only the unit's documented protocol is used, nothing of the device module.
#pragma once

#include <string>
#include <vector>

enum class EPortState {
    Absent,   // no such port
    Busy,     // in use by a program (this host's own connected device among them)
    Unusable, // opens with an error, or its line cannot be set up
    Stuck,    // opening or probing did not end within kPortBoundMs
    Silent,   // free, no answer to the version request
    Unit,     // free, the unit answered; detail is its version text
    Other,    // free, something answered that is not the unit; detail is the answer
};

struct SPortReport {
    int port = 0;
    EPortState state = EPortState::Absent;
    std::wstring detail; // the version, the answer, or Windows' error text
};

// The wait for the unit's answer, and the bound of one port's whole check (opening included: some
// drivers take long to open a port).
const unsigned long kProbeReplyMs = 1000;
const unsigned long kPortBoundMs = 2500;
const int kFirstComPort = 1, kLastComPort = 254;

// ports empty: every port from COM1 to COM254, absent ones left out; otherwise these, each reported.
// ownPort (0: none) is the port this host's device holds: it is reported busy without being touched.
std::vector<SPortReport> ScanComPorts(const std::vector<int>& ports, int ownPort);
// The request the probe sends, as the unit's protocol spells it.
extern const char kVersionRequest[];
