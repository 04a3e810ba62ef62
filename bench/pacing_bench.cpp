// Frame pacing on the real clock, offscreen: how far from its schedule each frame starts,
// and what the wait costs in processor time.
//
//   ShowScreen/<fps>           the whole frame (swap, clear, pump, pacing) with the
//                              constants of core/config.h
//   PacingRule/<fps>/<sleep-above>/<wake-early>/<spin-until> (hundredths of a ms)
//                              the pacing rule alone, after 0..5 ms of idle frame work,
//                              with other constants, to choose them
//
// Counters: err_median_us, err_p99_us and err_max_us (|frame start - due time|),
// cpu_us_per_frame (the main thread; for PacingRule the wait alone), proc_cpu_us_per_frame
// (all threads, Mesa's included; ShowScreen only).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/config.h"
#include "app/frame.h"
#include "core/lifecycle.h"
#include "app/program.h"
#include "app/startup.h"
#include "platform/os.h"

namespace {

constexpr int kFrames = 600;

double cpuMs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void report(benchmark::State& state, const std::vector<double>& errorsMs, double threadCpuMs) {
    state.counters["err_median_us"] = percentile(errorsMs, 0.5) * 1000.0;
    state.counters["err_p99_us"] = percentile(errorsMs, 0.99) * 1000.0;
    state.counters["err_max_us"] = percentile(errorsMs, 1.0) * 1000.0;
    state.counters["cpu_us_per_frame"] = threadCpuMs * 1000.0 / static_cast<double>(errorsMs.size());
}

// The runtime on the offscreen driver, with its log in a scratch folder.
class OffscreenRuntime {
public:
    OffscreenRuntime() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char tmpl[] = "/tmp/qvt-pacing-bench-XXXXXX";
        if (mkdtemp(tmpl) != nullptr) folder_ = tmpl;
        setenv("TMPDIR", folder_.c_str(), 1);
        cwd_ = std::filesystem::current_path();
        qvt::Settings() = qvt::ProjectSettings{};
        qvt::Settings().applicationName = qvt::RuntimeString("pacing");
        started_ = qvt::RuntimeStartUp(qvt::kShowDefault, qvt::Settings().applicationName) == 0;
    }
    ~OffscreenRuntime() {
        qvt::StopSubsystems();
        std::error_code ignored;
        std::filesystem::current_path(cwd_, ignored);
        std::filesystem::remove_all(folder_, ignored);
    }
    bool started() const { return started_; }

private:
    std::string folder_;
    std::filesystem::path cwd_;
    bool started_ = false;
};

void BM_ShowScreen(benchmark::State& state) {
    OffscreenRuntime runtime;
    if (!runtime.started()) {
        state.SkipWithError("no offscreen window");
        return;
    }
    qvt::SetFrameRate(static_cast<double>(state.range(0)));
    for (auto _ : state) {
        qvt::ShowScreen();  // the schedule starts here
        std::vector<double> errors;
        errors.reserve(kFrames);
        double thread0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        double process0 = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        for (int i = 0; i < kFrames; ++i) {
            double due = qvt::NextFrameDue();
            qvt::ShowScreen();
            errors.push_back(std::fabs(qvt::ClockMs() - due));
        }
        double thread = cpuMs(CLOCK_THREAD_CPUTIME_ID) - thread0;
        double process = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - process0;
        report(state, errors, thread);
        state.counters["proc_cpu_us_per_frame"] = process * 1000.0 / kFrames;
    }
}
BENCHMARK(BM_ShowScreen)->Arg(30)->Arg(60)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// WaitForNextFrame's rule with the constants as arguments (no window, no pump).
// absolute: sleep until due - wakeEarly on the clock (clock_nanosleep with TIMER_ABSTIME)
// instead of for the whole milliseconds of remaining - wakeEarly.
double waitWithRule(double due, double interval, double sleepAbove, double wakeEarly,
                    double spinUntil, bool absolute) {
    // ClockMs counts from its first reading; the absolute sleep takes the platform clock.
    const double base = qvt::platform::nowMs() - qvt::ClockMs();
    for (;;) {
        double remaining = due - qvt::ClockMs();
        if (remaining > sleepAbove) {
            if (absolute) {
                qvt::platform::sleepUntilMs(base + due - wakeEarly);
            } else {
                qvt::platform::sleepMs(static_cast<int>(remaining - wakeEarly));
            }
        } else if (remaining <= spinUntil) {
            break;
        }
    }
    return qvt::AdvanceSchedule(due, interval, qvt::ClockMs());
}

// A frame's own work that takes time but no processor here (as when the driver draws):
// 0 to 5 ms, so the wait starts at every phase of a millisecond, not at one fixed fraction.
void idleWork(std::minstd_rand& random) {
    long us = std::uniform_int_distribution<long>(0, 5000)(random);
    timespec ts{0, us * 1000};
    nanosleep(&ts, nullptr);
}

void BM_PacingRule(benchmark::State& state) {
    const double interval = 1000.0 / static_cast<double>(state.range(0));
    const double sleepAbove = static_cast<double>(state.range(1)) / 100.0;
    const double wakeEarly = static_cast<double>(state.range(2)) / 100.0;
    const double spinUntil = static_cast<double>(state.range(3)) / 100.0;
    const bool absolute = state.range(4) != 0;
    for (auto _ : state) {
        std::minstd_rand random(12345);
        std::vector<double> errors;
        errors.reserve(kFrames);
        double due = qvt::ClockMs() + interval;
        double waitCpu = 0.0;
        for (int i = 0; i < kFrames; ++i) {
            idleWork(random);
            double frameDue = due;
            double cpu0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
            due = waitWithRule(due, interval, sleepAbove, wakeEarly, spinUntil, absolute);
            waitCpu += cpuMs(CLOCK_THREAD_CPUTIME_ID) - cpu0;
            errors.push_back(std::fabs(qvt::ClockMs() - frameDue));
        }
        report(state, errors, waitCpu);
    }
}
// The rule as first designed (7 / 3 / 1 ms), the configured one, the relative sleep of
// whole milliseconds with a 0.3 ms margin (the rule before the absolute sleep), and absolute
// sleeps with smaller margins. Arguments: fps, sleep-above, wake-early, spin-until in
// hundredths of a ms, absolute sleep (0 or 1).
BENCHMARK(BM_PacingRule)
    ->ArgsProduct({{30, 60}, {700}, {300}, {100}, {0}})
    ->ArgsProduct({{30, 60},
                   {static_cast<long>(qvt::kPaceSleepAboveMs * 100)},
                   {static_cast<long>(qvt::kPaceWakeEarlyMs * 100)},
                   {static_cast<long>(qvt::kPaceSpinUntilMs * 100)},
                   {1}})
    ->Args({60, 130, 30, 0, 0})
    ->Args({60, 30, 30, 0, 1})
    ->Args({60, 20, 20, 0, 1})
    ->Args({60, 10, 10, 0, 1})
    ->Args({60, 5, 5, 0, 1})
    ->Args({60, 0, 0, 0, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
