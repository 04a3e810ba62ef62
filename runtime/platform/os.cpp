#include "platform/os.h"
#include "platform/testing.h"

#include <spawn.h>
#include <sys/random.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

extern char** environ;

namespace qvt::platform {

namespace {

double realNow(void*) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void realSleep(void*, int ms) {
    if (ms <= 0) return;
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

// The wake-up time is absolute, so neither the call's own cost nor an interruption makes the
// sleep end late.
void realSleepUntil(void*, double ms) {
    if (!(ms > 0.0) || ms > 9.0e15) return;
    const double seconds = static_cast<double>(static_cast<long long>(ms / 1000.0));
    timespec at{static_cast<time_t>(seconds), static_cast<long>((ms - seconds * 1000.0) * 1e6)};
    if (at.tv_nsec >= 1000000000L) at.tv_nsec = 999999999L;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

TimeSource timeSource{realNow, realSleep, nullptr, realSleepUntil};

// Windows-style command-line splitting without a shell: blanks separate words, double
// quotes group them (and are dropped).
std::vector<std::string> splitCommandLine(const char* line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (const char* p = line; *p != 0; ++p) {
        char c = *p;
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace

double nowMs() { return timeSource.now(timeSource.user); }

void sleepMs(int ms) { timeSource.sleep(timeSource.user, ms); }

void sleepUntilMs(double ms) {
    if (timeSource.sleepUntil != nullptr) {
        timeSource.sleepUntil(timeSource.user, ms);
        return;
    }
    const double left = ms - timeSource.now(timeSource.user);
    if (left >= 1.0 && left < 2147483647.0) {
        timeSource.sleep(timeSource.user, static_cast<int>(left));
    }
}

void setTimeSource(const TimeSource* src) {
    timeSource = src != nullptr ? *src : TimeSource{realNow, realSleep, nullptr, realSleepUntil};
}

std::uint32_t entropySeed() {
    std::uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof seed)) return seed;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::uint32_t>(ts.tv_nsec) ^ static_cast<std::uint32_t>(ts.tv_sec);
}

namespace {
bool pretendAttached = false;
}  // namespace

void pretendDebuggerAttached(bool attached) { pretendAttached = attached; }

bool debuggerAttached() {
    if (pretendAttached) return true;
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return false;
    char line[256];
    long tracer = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "TracerPid:", 10) == 0) {
            tracer = std::strtol(line + 10, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return tracer != 0;
}

std::string executablePath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

bool runProcess(const char* commandLine, bool wait, int* exitCode) {
    std::vector<std::string> words = splitCommandLine(commandLine != nullptr ? commandLine : "");
    if (words.empty()) return false;
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    if (!wait) return true;

    int status = 0;
    while (waitpid(pid, &status, 0) == -1) {
        if (errno != EINTR) return true;  // started, but its end could not be observed
    }
    if (exitCode != nullptr) {
        if (WIFEXITED(status))
            *exitCode = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            *exitCode = 128 + WTERMSIG(status);
    }
    return true;
}

}  // namespace qvt::platform
