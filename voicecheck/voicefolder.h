#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The files that serve one catalogue name: the one the player takes, and any
// other spellings of it that the player passes over.
struct SampleFiles
{
    QString name;
    QString taken; // a file name in the folder; empty when no file serves it
    QString takenPath;
    QStringList others;
};

// A voice folder as the player sees it: a file per catalogue name, in
// catalogue order, and the WAV files (*.wav, any case) that serve no name.
// Other files, such as a README or desktop.ini, are not part of the voice.
struct VoiceFolder
{
    QList<SampleFiles> samples;
    QStringList extras;
};

// Nothing when folder is not a directory whose entries can be read.
std::optional<VoiceFolder> scanVoiceFolder(const QString &folder);
