#pragma once

// Where voice-check draws its lines. Levels are in dB relative to full scale.
inline constexpr double SilenceLevelDb = -50.0;
inline constexpr double ClipLevelDb = -0.1;
inline constexpr int ClipRunSamples = 3;
inline constexpr double DcOffsetLimit = 0.01;
inline constexpr double LoudnessToleranceLu = 6.0;
inline constexpr double SilenceToleranceMs = 300.0;
