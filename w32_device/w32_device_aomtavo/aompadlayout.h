// Rounding of the pad's layout: half away from zero, as the host rounds zoomed sizes.
#pragma once

inline int RoundHalfAway(double value) {
    return static_cast<int>(value > 0.0 ? value + 0.5 : value - 0.5);
}

// The layout unit of the pad: 4 pixels at zoom 1.
inline int PadGap(double zoom) {
    return RoundHalfAway(zoom * 4.0);
}
