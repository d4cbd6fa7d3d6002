// Options are read whole before the window layer starts, so a mistyped one costs
// the viewer a line on stderr and nothing else: no window, no sound.

#include "main/options.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "heartcube_version.h"
#include "show/show.h"

static const char USAGE[] = "usage: heartcube [OPTION...]\n"
                            "Plays the heartcube demo, full screen, timed by its soundtrack, and closes at\n"
                            "its end. Escape or closing the window ends it earlier.\n"
                            "\n"
                            "  --show DIR       play the show in DIR (Dezira.mp3 and data/); by default the\n"
                            "                   working directory, or the installed show when it holds neither\n"
                            "  --window         a 640x480 window that can be resized, instead of full screen\n"
                            "  --start SECONDS  start that far into the soundtrack, and so at that scene\n"
                            "  --loop           start again from the beginning when the show ends\n"
                            "  --mute           no sound; the show keeps time all the same\n"
                            "  --controls       keys to move around: Space pauses and plays, Left and Right\n"
                            "                   go 5 s back and on, 1 to 8 go to the start of a scene\n"
                            "  --help           this text\n"
                            "  --version        the program's version\n";

__attribute__((format(printf, 1, 2))) static int Bad(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    TellViewer(format, arguments);
    va_end(arguments);
    return OPTIONS_BAD;
}

static int ReadStart(const char *value, ViewerOptions *options)
{
    char *end = nullptr;
    errno = 0;
    double seconds = strtod(value, &end);
    if (end == value || *end != '\0' || errno != 0 || !std::isfinite(seconds))
        return Bad("--start: \"%s\" is not a number of seconds", value);
    // Any later and the show would close before its first frame.
    if (seconds < 0 || seconds >= ShowEndSecond())
        return Bad("--start: \"%s\" is not within the show, which ends at %d s", value, ShowEndSecond());
    options->startMilliseconds = int(seconds * 1000.0);
    return OPTIONS_RUN;
}

int ReadOptions(int argc, char **argv, ViewerOptions *options)
{
    options->showFolder = nullptr;
    options->windowed = 0;
    options->startMilliseconds = 0;
    options->loop = 0;
    options->mute = 0;
    options->controls = 0;

    for (int i = 1; i < argc; i++) {
        const char *argument = argv[i];
        // "--" ends the options; the program takes nothing else.
        if (strcmp(argument, "--") == 0) {
            if (i + 1 < argc)
                return Bad("unexpected argument \"%s\" (try --help)", argv[i + 1]);
            break;
        }
        if (argument[0] == '-' && argument[1] != '-' && argument[1] != '\0')
            return Bad("unknown option %s (try --help)", argument);
        if (argument[0] != '-' || argument[1] == '\0')
            return Bad("unexpected argument \"%s\" (try --help)", argument);
        // The name, up to an '=' that brings the value along.
        char name[32];
        const char *equals = strchr(argument, '=');
        const size_t length = equals ? size_t(equals - argument) : strlen(argument);
        if (length >= sizeof name)
            return Bad("unknown option %.*s (try --help)", int(length), argument);
        memcpy(name, argument, length);
        name[length] = '\0';

        if (strcmp(name, "--show") == 0 || strcmp(name, "--start") == 0) {
            const char *value = equals ? equals + 1 : i + 1 < argc ? argv[++i] : nullptr;
            if (!value)
                return Bad("%s needs a value (try --help)", name);
            if (strcmp(name, "--show") == 0)
                options->showFolder = value;
            else if (ReadStart(value, options) != OPTIONS_RUN)
                return OPTIONS_BAD;
            continue;
        }

        int *flag = nullptr;
        if (strcmp(name, "--window") == 0)
            flag = &options->windowed;
        else if (strcmp(name, "--loop") == 0)
            flag = &options->loop;
        else if (strcmp(name, "--mute") == 0)
            flag = &options->mute;
        else if (strcmp(name, "--controls") == 0)
            flag = &options->controls;
        else if (strcmp(name, "--help") != 0 && strcmp(name, "--version") != 0)
            return Bad("unknown option %s (try --help)", name);
        if (equals)
            return Bad("%s takes no value (try --help)", name);
        if (flag) {
            *flag = 1;
            continue;
        }
        fputs(strcmp(name, "--help") == 0 ? USAGE : "heartcube " HEARTCUBE_VERSION "\n", stdout);
        return OPTIONS_DONE;
    }
    return OPTIONS_RUN;
}
