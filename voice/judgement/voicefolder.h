#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The files that serve one catalogue name: the one the player takes, and
// any other files under other spellings of it that the player passes over.
// Spellings are told apart by file identity, not by text: on a file system
// that ignores letter case (FAT, SMB) every spelling reaches the one file,
// and hard links are one file under two names.
struct SampleFiles
{
    QString name;
    QString taken; // the name as listed in the folder; empty when no file serves it
    QString takenPath;
    QStringList others;
    QString note; // why nothing serves the name when an entry has its name
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
