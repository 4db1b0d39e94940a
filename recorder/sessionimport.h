#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What importing a session did.
struct SessionImport
{
    enum class Outcome { AllFound, SomeNotFound, Failed };

    Outcome outcome = Outcome::Failed;
    QString error;     // when it failed: why, and what was written before
    QStringList notes; // what the names' lines need said first
    // Per catalogue name: where each take of it starts in the recording, in
    // seconds, in the order said; the last is the sample.
    QList<QList<double>> takes;
    QStringList unheard; // per catalogue name: why its line cannot be found, or empty
};

// Says how far the import has come, 0 to 1; false stops it.
using ImportProgress = std::function<bool(double done)>;

// Finds each line of the voice in folder that the recording says, and
// keeps each time it was said as a take of its name, the last as the
// sample, as the recorder keeps a take. Where the words cannot be heard,
// the recording's utterances are laid on the names in order, when there are
// as many. The folder is made when missing.
SessionImport importSession(const QString &recording, const QString &folder,
                            const ImportProgress &progress = {});

// What the import says of the name at catalogue index name:
// "found at 0:12.4 (take 2 of 2)" or "not found".
QString outcomeOf(const SessionImport &import, qsizetype name);
// "57 of 59 found".
QString foundSummary(const SessionImport &import);
// What the import says: its notes, one line per name, then how many were found.
QStringList importReport(const SessionImport &import);
