#pragma once

// Where voice-check draws its lines. Levels are in dB relative to full scale.
inline constexpr double ClipLevelDb = -0.1;
inline constexpr int ClipRunSamples = 3;
inline constexpr double DcOffsetLimit = 0.01;
inline constexpr double LoudnessToleranceLu = 6.0;
inline constexpr double SilenceToleranceMs = 300.0;

// A pause holds nothing louder than this far below the sample's loudest
// 10 ms, and nothing this far above its quietest; the first rule gives
// way to the second in a noisy sample, but never closer to the speech than
// PauseNearestSpeechDb.
inline constexpr double PauseWindowMs = 10.0;
inline constexpr double PauseBelowSpeechDb = 35.0;
inline constexpr double PauseAboveFloorDb = 10.0;
inline constexpr double PauseNearestSpeechDb = 20.0;
