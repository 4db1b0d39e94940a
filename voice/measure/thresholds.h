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

// A pause is judged against the sample's loudest 10 ms alone: the word is
// what lies within PauseBelowSpeechDb of it, and the soft sound that runs on
// from it at either end down to PauseSoftBelowSpeechDb, for at most
// PauseSoftSoundMs (an s, f, h or th). A breath, room tone or reverb tail
// further down, or going on longer, is pause.
inline constexpr double PauseWindowMs = 10.0;
inline constexpr double PauseLevelStepDb = 0.5; // the pause meter's histogram of levels
inline constexpr double PauseBelowSpeechDb = 25.0;
inline constexpr double PauseSoftBelowSpeechDb = 35.0;
inline constexpr double PauseSoftSoundMs = 150.0;
