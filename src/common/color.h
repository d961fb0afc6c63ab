// Colours as the program stores them.
#pragma once

#include <cstdint>

namespace binodal {

// A colour as 0xBBGGRR (red in the low byte): 255 is red, 0 black,
// 12639424 (0xC0DCC0) light green.
using TColor = std::uint32_t;

}  // namespace binodal
