// The game's start-up and frame costs, headless (SDL's offscreen driver on Mesa).
//
//   StartUpToFirstFrame  wall time from starting a process to the end of the first shown
//                        frame (the splash): process start, the runtime's start-up, the
//                        font and the splash image. Each iteration starts this program
//                        again in its child mode, which runs the game's own start-up and
//                        ends the process the moment the second frame begins.
//   PlayFrame            CPU time of one frame of play (rules and drawing, no ShowScreen)
//                        with the game's media loaded.
//
// The media are looked for in build/Media, beside the bench folder; without them the
// figures are labelled "no media" (empty sprite slots and the built-in font).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/testing.h"
#include "core/arrays.h"
#include "core/clock.h"
#include "app/frame.h"
#include "files/filesystem.h"
#include "game/globals.h"
#include "game/play.h"
#include "game/routines.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using qvt::game::G;

constexpr const char* kChildFlag = "--first-frame-child";

fs::path selfPath() { return fs::read_symlink("/proc/self/exe"); }

// The build folder: the one above this program's folder, where Media is.
fs::path buildFolder() { return selfPath().parent_path().parent_path(); }

bool haveMedia() { return fs::exists(buildFolder() / "Media" / "font16.png"); }

// ---- Child mode: the game's start-up up to its first shown frame -------------------------

std::string childBuildFolder;
int childFrames = 0;

void endAtSecondFrame(void*) {
    // The first ShowScreen presented the splash; this is the start of the next one.
    if (++childFrames == 2) std::_Exit(0);
}

void childMain() {
    // The game finds Media beside the executable; this one lives a folder further down.
    qvt::ChangeDirectory(childBuildFolder.c_str());
    qvt::SetFrameObserver(endAtSecondFrame, nullptr);
    qvt::game::MainProgram();
}

// ---- Benchmarks -----------------------------------------------------------------------

void StartUpToFirstFrame(benchmark::State& state) {
    const std::string self = selfPath().string();
    const std::string build = buildFolder().string();
    char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(kChildFlag),
                    const_cast<char*>(build.c_str()), nullptr};
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the child");
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the child did not reach its first frame");
            return;
        }
        state.SetIterationTime(seconds.count());
    }
    state.SetLabel(haveMedia() ? "with media" : "no media");
}
BENCHMARK(StartUpToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

struct Leave {};
// The play field's tables come after the media, just before the state loop.
void leaveAtTitle(void*) {
    if (qvt::ArrayBounds(G().SparkX, 0) > 0) throw Leave{};
}

// The main program up to its title screen: media, tables and sound as in the game.
void startGame() {
    qvt::ChangeDirectory(buildFolder().string().c_str());
    qvt::SetFrameObserver(leaveAtTitle, nullptr);
    try {
        qvt::game::MainProgram();
    } catch (const Leave&) {
    }
    qvt::SetFrameObserver(nullptr, nullptr);
    G().SoundOn = 0;
    // Presenting is not measured; keep its wait short.
    qvt::SetFrameRate(1000);
}

// A game already past its intro, as most frames of a game are.
void newGameInPlay() {
    qvt::game::NewGameInit();
    G().PlayPhase = qvt::game::kPhasePlay;
    G().StarTop = 184;
    G().BeamEnd = 384;
}

void PlayFrame(benchmark::State& state) {
    static bool started = false;
    if (!started) {
        startGame();
        started = true;
    }
    newGameInPlay();
    for (auto _ : state) {
        qvt::game::PlayFrame();
        state.PauseTiming();
        qvt::ShowScreen();
        if (G().GameState != qvt::game::kModePlaying) newGameInPlay();
        state.ResumeTiming();
    }
    state.SetLabel(haveMedia() ? "with media" : "no media");
}
BENCHMARK(PlayFrame)->Unit(benchmark::kMicrosecond);

int benchArgc = 0;
char** benchArgv = nullptr;

void runBenchmarks() {
    benchmark::Initialize(&benchArgc, benchArgv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    qvt::SetCallByNameTable(qvt::game::CallTable());
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        childBuildFolder = argv[2];
        return qvt::ProgramMain(argc, argv, qvt::game::GameSettings, childMain);
    }
    // The benchmarks run inside the started runtime, as the game's own code does.
    benchArgc = argc;
    benchArgv = argv;
    return qvt::ProgramMain(argc, argv, qvt::game::GameSettings, runBenchmarks);
}
