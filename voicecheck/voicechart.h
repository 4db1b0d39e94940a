#pragma once

#include "catalogue.h"
#include "voicereport.h"

#include <QByteArray>

// Where the chart draws, so that a test can find its bars. Each list has a
// row for its name, and each sample a row under it; within it, its loudness
// is a bar from the voice's median, and its pauses are bars to the left
// (lead) and right (trail) of a gap. Each block has an axis of its own.
namespace ChartGeometry {
inline constexpr int Width = 1000;
inline constexpr int FirstRowTop = 64;
inline constexpr int RowHeight = 12;
inline constexpr int BarHeight = 8;
inline constexpr int MedianX = 270;               // the voice's median loudness
inline constexpr double PixelsPerLu = 150.0 / 18; // the panel shows ±18 LU
inline constexpr double ShownLu = 18;
inline constexpr int LeadEndX = 620; // lead pauses end here, trail pauses start at TrailStartX
inline constexpr int TrailStartX = 628;
inline constexpr double PixelsPerMs = 0.15; // the panel shows pauses to ShownMs
inline constexpr double ShownMs = 1050;
inline constexpr int ProblemsX = 800;

inline constexpr int rowTop(qsizetype row)
{
    return FirstRowTop + int(row) * RowHeight;
}
// The row of the sample at index in the catalogue, under its list's name.
inline int sampleRow(qsizetype index)
{
    return int(index) + SampleCatalogue[std::size_t(index)].list + 1;
}
inline constexpr int height(qsizetype rows)
{
    return rowTop(rows) + RowHeight;
}
} // namespace ChartGeometry

// The voice in one picture (SVG): every sample in catalogue order, grouped
// by list, with its loudness against the median and the tolerated band, its
// pauses at each end, and its problems, marked in red. name is the voice's
// folder's own name, which heads it.
QByteArray voiceChart(const VoiceReport &report, const QString &name);
