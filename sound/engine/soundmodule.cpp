// The entry of the engine module, which the program loads at its first play.
#include "sdlaudiooutput.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT AudioOutput *vpCreateAudioOutput()
{
    return new SdlAudioOutput;
}
