// Drawings of the device widgets: the shutter's aperture, the laser marker, colours of light.
#pragma once

#include <windows.h>
#include <stdint.h>

namespace devui {
// The colour a person sees for light of this wavelength; amber when unknown (0).
COLORREF WavelengthColor(uint32_t nm);
// An aperture: bright and open, or grey with closed blades.
void DrawShutterIcon(HDC dc, const RECT& box, bool open, bool enabled);
// A round lamp: lit in the colour, or grey when off.
void DrawLamp(HDC dc, const RECT& box, COLORREF color, bool lit);
} // namespace devui
