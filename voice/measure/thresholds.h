#pragma once

// Where voice-check draws its lines. Levels are in dB relative to full scale.
// A flat top is this many samples within FlatTopSteps of the encoding's
// step of each other, entered or left by CornerTolerances times that spread.
inline constexpr int FlatTopSamples = 3;
inline constexpr double FlatTopSteps = 3;
inline constexpr double CornerTolerances = 10;
// A sample whose loudest 10 ms stays below this holds no sound at all.
inline constexpr double SilentLevelDb = -60.0;
inline constexpr double DcOffsetLimit = 0.01;
inline constexpr double LoudnessToleranceLu = 6.0;
inline constexpr double SilenceToleranceMs = 300.0;

// A pause holds nothing louder than this far below the sample's loudest
// 10 ms, nor this far above the room's level at its end; the first rule
// gives way to the second at a noisy end, but never closer to the speech
// than PauseNearestSpeechDb, so that a soft sound right at an end of a
// tightly cut word is still part of it.
inline constexpr double PauseWindowMs = 10.0;
inline constexpr double PauseBelowSpeechDb = 35.0;
inline constexpr double PauseAboveRoomDb = 10.0;
inline constexpr double PauseNearestSpeechDb = 30.0;
