#pragma once

// alsa-lib, which SDL falls back to on Linux when no sound server runs,
// prints its errors to stderr ("cannot find card '0'"); this routes them
// into voiceplayer.sound.engine instead. Call before SDL starts its audio.
#ifdef __linux__
void routeAlsaMessages();
#else
inline void routeAlsaMessages() { }
#endif
