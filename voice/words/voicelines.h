#pragma once

#include <QString>
#include <QStringList>

// The line each catalogue name says in one voice: the catalogue's own, or
// the author's wording from the voice's lines.txt, a UTF-8 file of
// NAME<TAB>line rows where # starts a comment. Names it leaves out keep the
// catalogue's line. A row that cannot be read is passed over and noted.
struct VoiceLines
{
    QStringList texts; // in catalogue order, one per name
    QStringList notes; // "lines.txt line 4: ..." for each row passed over
};

inline constexpr char LinesFileName[] = "lines.txt";

// The catalogue's lines, for a voice without lines.txt.
VoiceLines defaultLines();

// The lines of the voice in folder.
VoiceLines readVoiceLines(const QString &folder);

// The lines that bytes, the text of a lines.txt, give.
VoiceLines parseVoiceLines(const QByteArray &bytes);
