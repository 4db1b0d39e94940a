#pragma once

#include <functional>

// SDL's audio, started the same way for playing and for capturing, so that
// whichever starts it first, both get the same driver: Qt keeps the
// process's signals, alsa-lib's messages go to the diagnostics, and where
// SDL has both, its pulseaudio driver comes before its pipewire one. Each
// start that succeeded is matched by a stop.
bool startSdlAudio();
void stopSdlAudio();

// Whether SDL's audio, started, only waits for a sound server's news (its
// pulseaudio and pipewire drivers) and so costs nothing between sounds.
bool sdlAudioWaitsOnServer();

// Runs `work` on a short-lived thread at the priority of SDL's own sound
// thread, and waits for it. Start SDL's audio and open devices in it: the
// threads SDL and the sound server's library start meanwhile take the
// priority of the thread that starts them.
void atSoundPriority(const std::function<void()> &work);
// Runs `work` on the calling thread, one SDL did not start, at the priority
// of SDL's own sound thread, for good.
void asSoundThread(const std::function<void()> &work);
