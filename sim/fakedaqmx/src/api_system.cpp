// Version and device queries.
#include "buffers.h"
#include "call.h"
#include "daqmx_functions.h"
#include "text_util.h"

using namespace fakedaqmx;

namespace {

std::string ChannelList(const BoardInfo& board, const std::vector<std::string>& channels) {
    std::vector<std::string> names;
    for (const std::string& c : channels)
        names.push_back(board.name + "/" + c);
    return Join(names, ", ");
}

// Runs a query about one device, failing as the library does for an unknown name.
template <class Body> int32 DeviceQuery(Call& call, const char* device, Body body) {
    return call.Run([&](State& s) {
        const BoardInfo* board = s.FindBoard(device);
        return board ? body(s, *board) : s.NoSuchDevice(device);
    });
}

} // namespace

extern "C" {

int32 DAQMX_CFUNC DAQmxGetSysNIDAQMajorVersion(uInt32* data) {
    Call call("DAQmxGetSysNIDAQMajorVersion");
    call.Pointer(data);
    return call.Run([&](State& s) { return call.Value(s, data, s.Major()); });
}

int32 DAQMX_CFUNC DAQmxGetSysNIDAQMinorVersion(uInt32* data) {
    Call call("DAQmxGetSysNIDAQMinorVersion");
    call.Pointer(data);
    return call.Run([&](State& s) { return call.Value(s, data, s.Minor()); });
}

int32 DAQMX_CFUNC DAQmxGetSysDevNames(char* data, uInt32 bufferSize) {
    Call call("DAQmxGetSysDevNames");
    call.Pointer(data).Int(bufferSize);
    return call.Run([&](State& s) {
        std::vector<std::string> names;
        for (const BoardInfo& b : s.scenario.boards)
            names.push_back(b.name);
        return call.String(s, Join(names, ", "), data, bufferSize);
    });
}

int32 DAQMX_CFUNC DAQmxGetDevAOPhysicalChans(const char device[], char* data, uInt32 bufferSize) {
    Call call("DAQmxGetDevAOPhysicalChans");
    call.Device(device).Pointer(data).Int(bufferSize);
    return DeviceQuery(call, device, [&](State& s, const BoardInfo& b) {
        return call.String(s, ChannelList(b, b.aoChannels), data, bufferSize);
    });
}

int32 DAQMX_CFUNC DAQmxGetDevCOPhysicalChans(const char device[], char* data, uInt32 bufferSize) {
    Call call("DAQmxGetDevCOPhysicalChans");
    call.Device(device).Pointer(data).Int(bufferSize);
    return DeviceQuery(call, device, [&](State& s, const BoardInfo& b) {
        return call.String(s, ChannelList(b, b.coChannels), data, bufferSize);
    });
}

int32 DAQMX_CFUNC DAQmxGetDevProductType(const char device[], char* data, uInt32 bufferSize) {
    Call call("DAQmxGetDevProductType");
    call.Device(device).Pointer(data).Int(bufferSize);
    return DeviceQuery(call, device, [&](State& s, const BoardInfo& b) {
        return call.String(s, b.productType, data, bufferSize);
    });
}

int32 DAQMX_CFUNC DAQmxGetDevProductNum(const char device[], uInt32* data) {
    Call call("DAQmxGetDevProductNum");
    call.Device(device).Pointer(data);
    return DeviceQuery(call, device,
                       [&](State& s, const BoardInfo& b) { return call.Value(s, data, b.product); });
}

int32 DAQMX_CFUNC DAQmxGetDevSerialNum(const char device[], uInt32* data) {
    Call call("DAQmxGetDevSerialNum");
    call.Device(device).Pointer(data);
    return DeviceQuery(call, device,
                       [&](State& s, const BoardInfo& b) { return call.Value(s, data, b.serial); });
}

int32 DAQMX_CFUNC DAQmxGetDevBusType(const char device[], int32* data) {
    Call call("DAQmxGetDevBusType");
    call.Device(device).Pointer(data);
    return DeviceQuery(call, device,
                       [&](State& s, const BoardInfo& b) { return call.Value(s, data, b.bus); });
}

int32 DAQMX_CFUNC DAQmxGetDevPCIDevNum(const char device[], uInt32* data) {
    Call call("DAQmxGetDevPCIDevNum");
    call.Device(device).Pointer(data);
    return DeviceQuery(call, device, [&](State& s, const BoardInfo& b) {
        // The slot number belongs to the boards that sit in one.
        if (!BusHasSlot(b.bus))
            return s.Fail(
                DAQmxErrorAttrNotSupported,
                "Specified property is not supported by the device or is not applicable to the task.\n"
                "Property: DAQmx_Dev_PCI_DevNum\nDevice: " +
                    b.name);
        return call.Value(s, data, b.pciSlot);
    });
}

int32 DAQMX_CFUNC DAQmxGetDevAOVoltageRngs(const char device[], float64* data, uInt32 arraySizeInElements) {
    Call call("DAQmxGetDevAOVoltageRngs");
    call.Device(device).Pointer(data).Int(arraySizeInElements);
    return DeviceQuery(call, device, [&](State& s, const BoardInfo& b) {
        std::vector<double> pairs;
        for (const auto& r : b.ranges) {
            pairs.push_back(r.first);
            pairs.push_back(r.second);
        }
        return call.Array(s, pairs, data, arraySizeInElements);
    });
}

// Aborts every task that uses the device (NI's Key Concepts, "Aborting a Task": a reset returns its tasks to
// the state before they were started, and writes that do not start them fail until they are started again)
// and sets every analog output of the board to 0 V, as NI documents for the initialized state of M, X and C
// Series boards ("Initialized States for Terminals and Output Channels").
int32 DAQMX_CFUNC DAQmxResetDevice(const char deviceName[]) {
    Call call("DAQmxResetDevice");
    call.Board(deviceName);
    return DeviceQuery(call, deviceName, [&](State& s, const BoardInfo& board) {
        s.AbortAndZero(board);
        return 0;
    });
}

int32 DAQMX_CFUNC DAQmxGetExtendedErrorInfo(char errorString[], uInt32 bufferSize) {
    Call call("DAQmxGetExtendedErrorInfo");
    call.Pointer(errorString).Int(bufferSize);
    return call.Run([&](State& s) {
        // Error texts are truncated rather than refused, so a fixed buffer always gets something.
        const std::string text = s.LastError();
        int32 status = CopyStringTruncating(text, errorString, bufferSize);
        if (status >= 0 && errorString && bufferSize > 0) call.Result(Quote(errorString));
        return status;
    });
}

} // extern "C"
