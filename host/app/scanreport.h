// The commissioning scan's report: the COM ports with what answered on them, and NI-DAQmx with its
// boards. Shared by the scan command and --scan.
#pragma once

#include <string>
#include <vector>

// ports empty: every port; connectedPort: the COM port this host's device is connected to, 0 for none.
void PrintScan(const std::vector<int>& ports, int connectedPort);
