#pragma once

#include "voicereport.h"

#include <QString>
#include <QStringList>

inline constexpr int TableWidth = 100;

// The report for people: a table of the samples, those with problems
// first, then notes on spellings and extra files, and a summary line. The
// table fits TableWidth columns; colour adds escape codes for a terminal.
QString reportTable(const VoiceReport &report, bool colour);

// "57 of 59 samples fine; 1 missing (RbExit6), 1 clipped (Meters)".
QString summaryLine(const VoiceReport &report);

// text with control characters (a newline in a file name) shown as '?'.
QString printable(QString text);

// printable text cut to width characters, ending in an ellipsis when cut.
QString fitted(const QString &text, int width);

// value with decimals, fewer when that does not fit width, '#' when
// nothing does; "-inf" for minus infinity.
QString numberCell(double value, int decimals, int width);

// words joined by spaces into lines of at most width characters.
QStringList wrapWords(const QStringList &words, int width);
