#include "call.h"

#include "buffers.h"
#include "text_util.h"

namespace fakedaqmx {

std::string Quote(const char* text) {
    if (!text) return "null";
    // Escapes keep one call per log line.
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        switch (*p) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += *p;
        }
    }
    return out + "\"";
}

std::string ValueText(double value) {
    return FormatFixed(value, 3);
}
std::string ValueText(long long value) {
    return std::to_string(value);
}

Call& Call::Text(const char* text) {
    args_.push_back({Quote(text)});
    return *this;
}

Call& Call::Int(long long value) {
    args_.push_back({std::to_string(value)});
    return *this;
}

Call& Call::Real(double value) {
    args_.push_back({ValueText(value)});
    return *this;
}

Call& Call::Pointer(const void* pointer) {
    args_.push_back({pointer ? "ptr" : "null"});
    return *this;
}

Call& Call::Device(const char* device) {
    if (device) subjects_.push_back(device);
    return Text(device);
}

Call& Call::Board(const char* device) {
    if (device) boards_.push_back(device);
    return Device(device);
}

Call& Call::PhysicalChannels(const char* list) {
    if (list)
        for (const std::string& item : SplitList(list)) {
            subjects_.push_back(item);
            subjects_.push_back(item.substr(0, item.find('/')));
            boards_.push_back(item.substr(0, item.find('/')));
        }
    return Text(list);
}

Call& Call::Channel(const char* name) {
    if (name && *name) subjects_.push_back(name);
    return Text(name);
}

Call& Call::Task(TaskHandle handle) {
    Arg arg;
    arg.isTask = true;
    arg.task = handle;
    args_.push_back(arg);
    return *this;
}

int32 Call::Begin(State& s) {
    for (size_t i = 0; i < args_.size(); ++i) {
        const Arg& arg = args_[i];
        if (i) formatted_ += ", ";
        if (!arg.isTask) {
            formatted_ += arg.text;
            continue;
        }
        // A fault may name any device or channel the task uses.
        formatted_ += s.TaskLabel(arg.task);
        if (const fakedaqmx::Task* task = s.FindTask(arg.task))
            for (const fakedaqmx::Channel& c : task->channels) {
                subjects_.push_back(c.physical);
                subjects_.push_back(c.device);
                subjects_.push_back(c.name);
                boards_.push_back(c.device);
            }
    }
    int32 fault = s.FaultFor(function_, subjects_);
    if (fault != 0) {
        s.Fail(fault, std::string("Fault injected into ") + function_ + ".");
        return fault;
    }
    // Clearing a task only releases what the library holds for it, which needs no board.
    if (std::string(function_) != "DAQmxClearTask")
        for (const std::string& board : boards_)
            if (s.IsRemoved(board)) return s.CannotBeAccessed(board);
    return 0;
}

void Call::End(State& s, int32 status) {
    std::string line = std::string(function_) + "(" + formatted_ + ") = " + std::to_string(status);
    if (status >= 0 && !result_.empty()) line += " -> " + result_;
    s.Log(std::move(line));
}

int32 Call::String(State& s, const std::string& text, char* buf, uInt32 size) {
    int32 status =
        s.scenario.truncateStrings ? CopyStringTruncating(text, buf, size) : CopyString(text, buf, size);
    if (status == DAQmxErrorBufferTooSmallForString)
        return s.Fail(status, "Buffer is too small to fit the string.\nRequired Buffer Size in Bytes: " +
                                  std::to_string(text.size() + 1) +
                                  "\nBuffer Length: " + std::to_string(size));
    if (status >= 0 && buf && size > 0) Result(Quote(buf));
    return status;
}

int32 Call::Array(State& s, const std::vector<double>& values, float64* buf, uInt32 size) {
    int32 status = CopyArray(values, buf, size);
    if (status == DAQmxErrorWriteBufferTooSmall)
        return s.Fail(status, "Array is too small for the values.\nRequired elements: " +
                                  std::to_string(values.size()) + "\nArray size: " + std::to_string(size));
    if (status == 0 && buf) {
        std::vector<std::string> items;
        for (double v : values)
            items.push_back(ValueText(v));
        Result("[" + Join(items, ", ") + "]");
    }
    return status;
}

} // namespace fakedaqmx
