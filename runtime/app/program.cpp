#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "platform/window.h"

namespace qvt {

namespace {

ProjectSettings settings;
RuntimeString commandLine;

RuntimeString joinArguments(int argc, char** argv) {
    RuntimeString line;
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        if (i > 0) line.append(" ");
        bool quote = std::strpbrk(argv[i], " \t") != nullptr;
        if (quote) line.append("\"");
        line.append(argv[i]);
        if (quote) line.append("\"");
    }
    return line;
}

// Without a window the game cannot draw; ending here beats running it blind, and the exit
// status says that the program did not run.
[[noreturn]] void endWithoutWindow() {
    if (platform::noDisplayFound()) {
        // Started from a console or a service without a desktop: say so where it is seen.
        std::fprintf(stderr, "Quivent: %s\n", platform::lastError());
        WriteLogFormat("%s\n", platform::lastError());
    } else {
        std::fprintf(stderr, "Quivent: cannot create the window and its OpenGL context: %s\n",
                     platform::lastError());
    }
    RunShutdownSequence();
    std::exit(1);
}

}  // namespace

ProjectSettings& Settings() { return settings; }

const RuntimeString& CommandLine() { return commandLine; }

int ProgramMain(int argc, char** argv, SettingsRoutine settingsRoutine, Routine mainProgram,
                int showState) {
    commandLine = joinArguments(argc, argv);
    settings = ProjectSettings{};
    if (settingsRoutine != nullptr) settingsRoutine(settings);
    if (RuntimeStartUp(showState, settings.applicationName) != 0) endWithoutWindow();
    ResetErrorState();
    if (mainProgram != nullptr) mainProgram();
    EndProgram();
    return 0;
}

}  // namespace qvt
