#include "alsamessages.h"

#include "enginelog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <mutex>

namespace {

// alsa-lib's snd_lib_error_handler_t. Spelled out here: the engine reaches
// alsa-lib at run time, through the very library SDL loads, so it needs
// neither its headers nor a link to it where there is no ALSA.
using ErrorHandler = void (*)(const char *file, int line, const char *function, int error,
                              const char *format, ...);
using SetErrorHandler = int (*)(ErrorHandler);

void toEngineLog(const char *file, int line, const char *function, int error, const char *format,
                 ...)
{
    if (!lcEngine().isDebugEnabled())
        return;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    qCDebug(lcEngine).nospace() << "ALSA: " << file << ':' << line << " (" << function << ") "
                                << text << (error != 0 ? ": " : "")
                                << (error != 0 ? std::strerror(error < 0 ? -error : error) : "");
}

} // namespace

void routeAlsaMessages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for good: SDL unloads its copy each time its audio
        // stops, and the handler must outlive that.
        void *alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!alsa)
            return; // no ALSA, nothing to quiet
        const auto set
            = reinterpret_cast<SetErrorHandler>(::dlsym(alsa, "snd_lib_error_set_handler"));
        if (set)
            set(&toEngineLog);
    });
}
