#pragma once

#include "recogniser.h"
#include "wordjudgement.h"

#include <QList>
#include <QStringList>

class SpeechAudio;

// A voice's lines made ready to hear.
struct HeardLines
{
    LineSet set;                // per catalogue name
    QList<QStringList> unknown; // per name: the words of its line the model does not know
};

// The lines texts (one per catalogue name) as the recogniser hears them. A
// line with a word the model does not know is not heard; a hyphenated word
// it does not know is heard as its parts.
HeardLines heardLines(const QStringList &texts);

// What recogniser hears in speech, trimmed to the words between its
// leading and trailing pause (in seconds); own is the line it should say.
SampleWords hearSample(Recogniser &recogniser, const SpeechAudio &speech, double leadSeconds,
                       double trailSeconds, int own);
