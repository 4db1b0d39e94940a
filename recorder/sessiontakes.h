#pragma once

#include <QList>
#include <QString>

#include <functional>

class TakeFolder;

// A stretch of a recording to keep as a take of a name: its frames [from, to).
struct TakeSpan
{
    QString name;
    qint64 from = 0;
    qint64 to = 0;
};

// Reads the recording at path once more, expecting rate, and keeps each
// span (in the order of the recording, none overlapping) as the next take
// of its name in folder, mixed to mono as the input is, which makes it the
// sample. Empty, or why it stopped; kept counts the takes kept before.
QString keepTakes(const QString &path, int rate, const QList<TakeSpan> &spans, TakeFolder &folder,
                  const std::function<bool(double done)> &progress, qsizetype *kept);
