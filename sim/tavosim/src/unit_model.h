#pragma once

#include <optional>
#include <string>

namespace tavosim {

// Which request families a unit answers; older firmware knows only one of them.
enum class Personality { standard, extended, both, neither };

std::optional<Personality> parse_personality(const std::string& name);

// The controller's state and its request/reply behaviour, without any I/O.
class UnitModel {
public:
    UnitModel(Personality personality, std::string firmware);

    // Takes a request without its terminator; returns the reply without "\r\n".
    std::string handle(const std::string& request);

    // Front panel. Out-of-range values return false and change nothing.
    bool select_line(int line);
    bool set_mask(int mask);
    void set_binocular(bool engaged) { binocular_ = engaged; }

    int line() const { return line_; }
    int mask() const { return mask_; }
    bool binocular() const { return binocular_; }

private:
    bool standard() const {
        return personality_ == Personality::standard || personality_ == Personality::both;
    }
    bool extended() const {
        return personality_ == Personality::extended || personality_ == Personality::both;
    }

    Personality personality_;
    std::string firmware_;
    int line_ = 0;
    int mask_ = 0;
    bool binocular_ = false;
};

} // namespace tavosim
