#pragma once

#include "voicereport.h"

#include <QString>

// The width of the table when it does not go to a terminal, and the least
// it takes on one.
inline constexpr int TableWidth = 100;
inline constexpr int MinTableWidth = 80;

// The report for people: a table of the samples, those with problems
// first, the voice's reference, then notes on what the table cannot say,
// and a summary. Every line fits width cells (at least MinTableWidth);
// colour adds escape codes for a terminal.
QString reportTable(const VoiceReport &report, bool colour, int width = TableWidth);

// "57 of 59 samples fine; 1 missing (RbExit6), 1 clipped (Meters)".
QString summaryLine(const VoiceReport &report);
