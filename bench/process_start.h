// Whole processes for the start-up benchmarks: each iteration spawns one program under SDL's dummy
// video and audio drivers (no window system is part of any figure), its output dropped, and waits
// for it; the children's CPU time is reported beside the wall time.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vel::bench {

// This process's environment with the window system's variables dropped and SDL's dummy drivers set.
inline std::vector<std::string> dummyDriverEnvironment()
{
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("SDL_", 0) != 0 && entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0)
            environment.push_back(entry);
    }
    environment.push_back("SDL_VIDEODRIVER=dummy");
    environment.push_back("SDL_AUDIODRIVER=dummy");
    return environment;
}

// Runs the program with its output dropped; true when it exited with status 0.
inline bool runQuietly(const std::vector<std::string>& words)
{
    static const std::vector<std::string> environment = dummyDriverEnvironment();
    std::vector<char*> argv, envp;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return failed == 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// One process a iteration; `ready` false (with why) skips the benchmark.
inline void startProcesses(benchmark::State& state, const std::vector<std::string>& words, bool ready,
                           const char* whyNotReady)
{
    if (!ready) {
        state.SkipWithError(whyNotReady);
        return;
    }
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        if (!runQuietly(words)) {
            state.SkipWithError((words[0] + " failed").c_str());
            break;
        }
    }
    state.counters["child_cpu_ms"] = benchmark::Counter(childCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}

} // namespace vel::bench
