#pragma once

#include "thresholds.h"

// How --fix shapes a voice. Durations are in milliseconds, levels in dB.

// The pause kept before and after each word. A phrase joins the end of one
// sample to the start of the next, so together they make the gap heard
// between two words: 50 ms, about the closure of a stop consonant, reads as
// one sentence where the 300 ms that speech synthesisers leave reads as a
// list. Most of it goes after the word, where its last sound fades out.
inline constexpr double DefaultPadStartMs = 10.0;
inline constexpr double DefaultPadEndMs = 40.0;
// A cut fades in or out over this much of the pad, so that it never clicks.
inline constexpr double CutFadeMs = 5.0;
// No sample is made louder than this true peak; where the gain would pass
// it, the sample gets less gain rather than a limiter.
inline constexpr double TruePeakCeilingDb = -1.0;
// Within these a sample already matches and is copied as it is; a pause is
// measured no finer than its windows.
inline constexpr double GainToleranceDb = 0.5;
// Gains go in the pause meter's steps of level.
inline constexpr double GainStepDb = PauseLevelStepDb;
// How far DC removal and rounding move a sample's measured true peak at most.
inline constexpr double TruePeakSpreadDb = 0.05;
inline constexpr double PauseToleranceMs = PauseWindowMs;
