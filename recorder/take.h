#pragma once

#include <QtGlobal>

#include <vector>

// One take as captured: mono float frames at the input's rate.
struct Take
{
    enum class Verdict { Fine, Silent, Clipped };

    int rate = 0;
    std::vector<float> frames;
    Verdict verdict = Verdict::Fine;

    double seconds() const { return rate > 0 ? double(frames.size()) / rate : 0; }
};
