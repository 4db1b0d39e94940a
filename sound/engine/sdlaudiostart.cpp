/*
 * Sound servers and threads. SDL's pipewire driver fills each graph cycle
 * from a thread of normal priority with no buffer at the server, and cut
 * phrases beside a build where its pulseaudio driver, through
 * pipewire-pulse, did not; so the pulseaudio driver comes first wherever
 * both are there. A user's SDL_AUDIODRIVER wins.
 *
 * SDL raises its own sound thread's priority, but since SDL 2.28 that
 * thread waits on libpulse's main loop thread, which SDL starts when its
 * audio starts, at the priority of the thread that starts it; the pipewire
 * driver's loop threads are alike. Started from a thread at the sound
 * thread's priority, none of them runs behind a build.
 */
#include "sdlaudiostart.h"

#include "alsamessages.h"

#include <QByteArrayList>

#include <SDL.h>
#include <thread>

namespace {

void preferPulseAudio()
{
    QByteArrayList drivers;
    for (int at = 0; at < SDL_GetNumAudioDrivers(); ++at)
        drivers << SDL_GetAudioDriver(at);
    if (!drivers.contains("pulseaudio") || !drivers.contains("pipewire"))
        return;
    // Named, the drivers SDL only uses on demand would be tried too.
    drivers.removeAll("disk");
    drivers.removeAll("dummy");
    drivers.removeAll("pulseaudio");
    drivers.prepend("pulseaudio");
    SDL_SetHint(SDL_HINT_AUDIODRIVER, drivers.join(',').constData());
}

} // namespace

bool startSdlAudio()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    routeAlsaMessages();
    preferPulseAudio();
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void stopSdlAudio()
{
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool sdlAudioWaitsOnServer()
{
    const QByteArray driver = SDL_GetCurrentAudioDriver();
    return driver == "pulseaudio" || driver == "pipewire";
}

void atSoundPriority(const std::function<void()> &work)
{
    std::thread([&] { asSoundThread(work); }).join();
}

void asSoundThread(const std::function<void()> &work)
{
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
    work();
    // SDL frees what it keeps for a thread (its error text) only for
    // threads of its own.
    SDL_TLSCleanup();
}
