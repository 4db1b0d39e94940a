#pragma once

#include <QString>

// A libsndfile encoding (SF_FORMAT_PCM_16 ...) as people name it: "PCM 16".
QString encodingName(int encoding);

// The bits of resolution an encoding keeps, 0 for floating point, which
// needs no dither.
int encodingBits(int encoding);
// The encoding's smallest step near full scale; a float's is that of its
// 24-bit mantissa.
double encodingStep(int encoding);

// The encoding a fixed sample is written in: encoding itself where
// libsndfile can write it in a WAV file, 16-bit PCM where it cannot (MP3).
int writableEncoding(int encoding, int channels, int rate);
