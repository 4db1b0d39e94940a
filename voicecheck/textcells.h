#pragma once

#include <QString>
#include <QStringList>

// Text for a terminal, measured in the cells it takes there.

// text with what a terminal would act on rather than show (control and
// format characters, bidirectional overrides, line and paragraph
// separators) written as escapes: "\x0a", "\u202e".
QString printable(const QString &text);

// The terminal cells printable text takes: two for a wide (East Asian)
// character, none for a combining mark.
int cellWidth(QStringView text);

// printable text cut to width cells, ending in an ellipsis when cut.
QString fitted(const QString &text, int width);

// text padded with spaces to width cells, on the right or on the left.
QString padded(const QString &text, int width, bool alignRight = false);

// value with decimals, fewer when that does not fit width, '#' when
// nothing does; "-inf" for minus infinity.
QString numberCell(double value, int decimals, int width);

// words joined by spaces into lines of at most width cells.
QStringList wrapWords(const QStringList &words, int width);
