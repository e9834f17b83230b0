// Idle: how often the program wakes while it shows the demo disc's first screen and nobody is at it,
// on a real X display (DISPLAY, or an Xvfb started here; SDL's off-screen drivers cannot wait for
// input and would poll). Counted from /proc over 10 s, after 3 s to settle: the main thread's
// context switches (each wait that blocks and ends is one) and those of every thread (the audio
// device's included); once as the program starts, and once after a sound has played (a click on
// the demo's sound button, with xdotool).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr auto kSettle = std::chrono::seconds(3);
constexpr auto kMeasured = std::chrono::seconds(10);

// Starts a program with an argument vector, its output to out (or /dev/null); 0 when it cannot.
pid_t spawn(const std::vector<std::string>& words, const std::string& out = "/dev/null")
{
    std::vector<char*> argv;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int runToEnd(const std::vector<std::string>& words, const std::string& out = "/dev/null")
{
    int status = 0;
    pid_t pid = spawn(words, out);
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

// Voluntary and involuntary context switches of one thread so far.
long switchesOf(const fs::path& task)
{
    std::ifstream in(task / "status");
    long total = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find("ctxt_switches:") != std::string::npos)
            total += std::atol(line.c_str() + line.find(':') + 1);
    return total;
}

long switchesOfProcess(pid_t pid)
{
    long total = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", error))
        total += switchesOf(task.path());
    return total;
}

// The display to use: DISPLAY as it is, or an Xvfb of our own (stopped when this ends).
class Display {
public:
    explicit Display(const fs::path& dir)
    {
        if (const char* given = std::getenv("DISPLAY"); given && *given)
            return;
        const fs::path number = dir / "display";
        server_ = spawn({"sh", "-c", "exec Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>" + number.string()});
        auto written = [&] {
            std::error_code error;
            const auto size = fs::file_size(number, error);
            return !error && size > 0;
        };
        for (int i = 0; i < 100 && !written(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::string name;
        std::ifstream(number) >> name;
        if (!name.empty())
            ::setenv("DISPLAY", (":" + name).c_str(), 1);
    }
    ~Display()
    {
        if (server_ > 0) {
            stop(server_);
            ::unsetenv("DISPLAY");
        }
    }
    bool usable() const { return runToEnd({"xwininfo", "-root"}) == 0; }

private:
    pid_t server_ = 0;
};

// The figures of one idle span: wake-ups a second of the main thread and of the whole process.
void measureIdle(benchmark::State& state, bool afterASound)
{
    const fs::path dir = fs::temp_directory_path() / ("bench_idle_" + std::to_string(::getpid()));
    fs::create_directories(dir / "home");
    Display display(dir);
    const std::string bin = VEL_BENCH_BIN_DIR;
    if (!display.usable() ||
        runToEnd({bin + "/discgen", std::string(VEL_BENCH_SOURCE_DIR) + "/disc/demo", (dir / "disc").string()}) != 0) {
        state.SkipWithError("no X display (and no Xvfb to start one), or the demo disc could not be built");
        fs::remove_all(dir);
        return;
    }
    ::setenv("SDL_AUDIODRIVER", "dummy", 0); // a sound server's own threads would be counted too
    for (auto _ : state) {
        pid_t program = spawn({bin + "/orva", "--media", (dir / "disc").string(), "--home", (dir / "home").string(), "--scale", "1"});
        std::this_thread::sleep_for(kSettle);
        if (afterASound) {
            // The demo's sound button, in the middle of its 240 x 56 hot spot at (60, 290).
            std::string click = "xdotool mousemove --window $(xdotool search --onlyvisible --pid " +
                                std::to_string(program) + " | head -n1) 180 318 click 1";
            if (runToEnd({"sh", "-c", click}) != 0)
                state.SkipWithError("xdotool could not click the sound button");
            std::this_thread::sleep_for(kSettle);
        }
        const std::string self = std::to_string(program);
        const long mainBefore = switchesOf(fs::path("/proc") / self / "task" / self), allBefore = switchesOfProcess(program);
        std::this_thread::sleep_for(kMeasured);
        const long mainAfter = switchesOf(fs::path("/proc") / self / "task" / self), allAfter = switchesOfProcess(program);
        const bool ran = ::waitpid(program, nullptr, WNOHANG) == 0;
        stop(program);
        if (!ran)
            state.SkipWithError("orva ended before the measurement did");
        const double seconds = std::chrono::duration<double>(kMeasured).count();
        state.SetIterationTime(seconds);
        state.counters["main_wakeups_per_s"] = static_cast<double>(mainAfter - mainBefore) / seconds;
        state.counters["process_wakeups_per_s"] = static_cast<double>(allAfter - allBefore) / seconds;
    }
    fs::remove_all(dir);
}

void IdleOnTheFirstScreen(benchmark::State& state)
{
    measureIdle(state, false);
}
BENCHMARK(IdleOnTheFirstScreen)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

void IdleAfterASoundHasPlayed(benchmark::State& state)
{
    measureIdle(state, true);
}
BENCHMARK(IdleAfterASoundHasPlayed)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
