// The simulated system: boards, version, channel overrides and faults, and its text form.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "daqmx_types.h"

namespace fakedaqmx {

struct BoardInfo {
    std::string name;
    uInt32 product = 6272;
    std::string productType;
    uInt32 serial = 0;
    int32 bus = DAQmx_Val_PCI;
    uInt32 pciSlot = 0;                            // only a board on a bus with slots has one
    std::vector<std::pair<double, double>> ranges; // low, high
    uInt32 bits = 16;
    std::vector<std::string> aoChannels; // short names, e.g. "ao0"
    std::vector<std::string> coChannels;
};

// The light an AOM in front of a channel's output passes: sin^2 of the control voltage's share of the span
// from `low` (no light) to `high` (`full`, in mW), as a power meter behind it reads it, within +-`noise` % of
// full scale.
struct AomResponse {
    double low = 0, high = 0;
    double full = 100.0;
    double noise = 0.0;
    uInt32 seed = 1;
};

struct FaultRule {
    std::string function; // "*" matches every DAQmx function
    std::string arg;      // "" matches any call
    int32 status = 0;
};

struct Scenario {
    bool hasVersion = false;
    // How an attribute string answers a buffer that is too small: cut to fit with the warning 200026
    // ("strings truncate"), or refused with -200228.
    bool truncateStrings = false;
    uInt32 major = 0;
    uInt32 minor = 0;
    std::vector<BoardInfo> boards;
    // Keyed by lower-case physical channel name.
    std::map<std::string, int32> chanTypes;
    std::map<std::string, int32> outputTypes;
    std::vector<FaultRule> faults;
    // Calls that succeed and answer a positive status (a warning) instead of 0.
    std::vector<FaultRule> warnings;
    // Keyed by lower-case physical channel name.
    std::map<std::string, AomResponse> aoms;
};

// PCI, PCI Express, PXI and PXI Express boards sit in a slot; USB and the other buses have none.
bool BusHasSlot(int32 bus);

// One board "Dev1": product 6272, PCI slot 0, -10..10 V, ao0..ao3, ctr0..ctr1.
Scenario DefaultScenario();

// Returns 0, or the 1-based number of the first bad line with `error` saying why.
int ParseScenario(std::string_view text, Scenario& out, std::string& error);

} // namespace fakedaqmx
