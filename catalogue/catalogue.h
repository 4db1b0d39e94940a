#pragma once

#include <array>
#include <string_view>

// One row of a sample list: which member of Voices shows it, and the sample's
// bare name, which is also the base name of its WAV file.
struct CatalogueEntry
{
    int list;
    std::string_view name;
};

inline constexpr int VoicesCount = 7;

// What each of the lists holds, as people call them.
inline constexpr std::array<std::string_view, VoicesCount> ListNames {
    "turns", "distances", "general words", "arrival and departure",
    "ahead", "motorway",  "roundabouts",
};

// Every sample the program offers, in the order the lists are filled. The
// order is meant: lists never sort, so "50" stands between "400" and "500",
// as a voice's author expects to find it.
inline constexpr std::array<CatalogueEntry, 59> SampleCatalogue { {
    // turns
    { 0, "TurnLeft" },
    { 0, "TurnRight" },
    { 0, "2ndLeft" },
    { 0, "2ndRight" },
    { 0, "3rdLeft" },
    { 0, "3rdRight" },
    { 0, "BearLeft" },
    { 0, "BearRight" },
    { 0, "SharpLeft" },
    { 0, "SharpRight" },
    { 0, "TryUTurn" },
    { 0, "UTurn" },
    { 0, "KeepLeft" },
    { 0, "KeepRight" },
    { 0, "LnLeft" },
    { 0, "LnRight" },
    // distances
    { 1, "Yards" },
    { 1, "Meters" },
    { 1, "100" },
    { 1, "200" },
    { 1, "300" },
    { 1, "400" },
    { 1, "50" },
    { 1, "500" },
    { 1, "600" },
    { 1, "700" },
    { 1, "80" },
    { 1, "800" },
    // general words
    { 2, "After" },
    { 2, "Then" },
    { 2, "RoadEnd" },
    { 2, "Straight" },
    // arrival and departure
    { 3, "Arrive" },
    { 3, "Charge" },
    { 3, "Depart" },
    { 3, "TakeFerry" },
    // ahead
    { 4, "AhExit" },
    { 4, "AhExitLeft" },
    { 4, "AhExitRight" },
    { 4, "AhFerry" },
    { 4, "AhKeepLeft" },
    { 4, "AhKeepRight" },
    { 4, "AhLeftTurn" },
    { 4, "AhRightTurn" },
    { 4, "AhUTurn" },
    // motorway
    { 5, "MwEnter" },
    { 5, "MwExit" },
    { 5, "MwExitLeft" },
    { 5, "MwExitRight" },
    // roundabouts
    { 6, "RbBack" },
    { 6, "RbCross" },
    { 6, "RbExit1" },
    { 6, "RbExit2" },
    { 6, "RbExit3" },
    { 6, "RbExit4" },
    { 6, "RbExit5" },
    { 6, "RbExit6" },
    { 6, "RbLeft" },
    { 6, "RbRight" },
} };
