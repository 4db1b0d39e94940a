#pragma once

#include <cstdint>

// Program-wide start-up values, in twips. Zero until start-up sets them;
// never changed afterwards.
namespace MySearchBits {

inline std::int16_t StartHeight = 0;
inline std::int16_t StartWidth = 0;

} // namespace MySearchBits
