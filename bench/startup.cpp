// Start to first frame, as whole processes: orva on the demo disc, from exec until its script's
// `quit` (which runs once the first form is drawn and presented, and ends the run without a
// screenshot), against the bare peer (bench/peers/bare_window.cpp: SDL2, a window, a cairo surface,
// one line of text, presented once). Both run under SDL's dummy video and audio drivers. Each
// iteration forks one process and waits for it; compare the medians of the repetitions.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The demo disc made by discgen, a home for orva and the script, in a folder removed at the end.
struct Stage {
    Stage()
    {
        directory = fs::temp_directory_path() / ("bench_startup_" + std::to_string(::getpid()));
        fs::create_directories(directory / "home");
        std::ofstream(directory / "quit.script") << "quit\n";
        ready = run({VEL_BENCH_BIN_DIR "/discgen", VEL_BENCH_SOURCE_DIR "/disc/demo", (directory / "demo").string()});
        // SDL's dummy drivers on both sides: no window system is part of either figure.
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            if (entry.rfind("SDL_", 0) != 0 && entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0)
                environment.push_back(entry);
        }
        environment.push_back("SDL_VIDEODRIVER=dummy");
        environment.push_back("SDL_AUDIODRIVER=dummy");
    }
    ~Stage()
    {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    // Runs the program with its output dropped; true when it exited with status 0.
    bool run(const std::vector<std::string>& words) const
    {
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

    fs::path directory;
    std::vector<std::string> environment;
    bool ready = false;
};

Stage& stage()
{
    static Stage s;
    return s;
}

double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void startProcesses(benchmark::State& state, const std::vector<std::string>& words)
{
    if (!stage().ready) {
        state.SkipWithError("discgen could not make the demo disc");
        return;
    }
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        if (!stage().run(words)) {
            state.SkipWithError((words[0] + " failed").c_str());
            break;
        }
    }
    state.counters["child_cpu_ms"] =
        benchmark::Counter(childCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}

void BareWindowToFirstFrame(benchmark::State& state)
{
    startProcesses(state, {VEL_BENCH_BIN_DIR "/bench_bare_window"});
}
BENCHMARK(BareWindowToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(20);

void OrvaToFirstFrame(benchmark::State& state)
{
    const fs::path& d = stage().directory;
    startProcesses(state, {VEL_BENCH_BIN_DIR "/orva", "--media", (d / "demo").string(), "--home", (d / "home").string(),
                           "--script", (d / "quit.script").string()});
}
BENCHMARK(OrvaToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(20);

} // namespace

BENCHMARK_MAIN();
