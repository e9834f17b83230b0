// Message boxes: as a headless run sees them, what a box shows of a long text, and a box on a display
// of the test's own (Xvfb) that a signal closes and that does not outlive its program.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/headless.h"
#include "platform/message_box.h"
#include "support/subprocess.h"

namespace vel::platform {
namespace {

using namespace std::chrono_literals;
using testing_support::runProcess;

TEST(HeadlessServices, MessageBoxesGoToStandardErrorInUtf8AndAreAnsweredWithTheFirstButton)
{
    setHeadless(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox("ERROR", "Cannot load resource: x"), MessageBoxAnswer::Ok);
    EXPECT_EQ(showMessageBox("Orvale Vanta", "N\xE3o foi poss\xEDvel localizar \x93" "a.bmp\x94",
                             MessageBoxButtons::YesNo),
              MessageBoxAnswer::Yes);
    EXPECT_EQ(showMessageBox("", "", MessageBoxButtons::OkCancel), MessageBoxAnswer::Ok);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "ERROR: Cannot load resource: x\n"
                    "Orvale Vanta: N\xC3\xA3o foi poss\xC3\xADvel localizar \xE2\x80\x9C" "a.bmp\xE2\x80\x9D\n"
                    ": \n");
}

TEST(MessageBoxText, LongTextsAreCutAndEveryLineFitsTheWidth)
{
    const struct {
        std::string text;
        std::size_t columns;
        std::string shown;
    } cases[] = {
        {"Cannot load resource: x", 40, "Cannot load resource: x"},
        {"um dois tres quatro", 8, "um dois\ntres\nquatro"},
        {"abcdefghij", 4, "abcd\nefgh\nij"},
        {"linha\n\nnova", 10, "linha\n\nnova"},
        {std::string(400, 'x'), 1000, std::string(400, 'x')},
        {std::string(401, 'x'), 1000, std::string(400, 'x') + "\x85"},
        {std::string(40, '\n'), 10, std::string(15, '\n') + "\x85"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(boxText(c.text, c.columns), c.shown) << c.text.substr(0, 40);
}

// An X server of the test's own; not ready when Xvfb cannot start here.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int ends[2];
        if (::pipe(ends) != 0)
            return;
        server_ = ::fork();
        if (server_ == 0) {
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            const std::string fd = std::to_string(ends[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[1]);
        struct pollfd ready = {ends[0], POLLIN, 0};
        char number[16] = {};
        if (server_ > 0 && ::poll(&ready, 1, 10000) == 1 && ::read(ends[0], number, sizeof number - 1) > 0)
            name_ = ":" + std::to_string(std::atoi(number));
        ::close(ends[0]);
    }
    ~VirtualDisplay()
    {
        if (server_ > 0) {
            ::kill(server_, SIGTERM);
            ::waitpid(server_, nullptr, 0);
        }
    }
    bool ready() const { return !name_.empty(); }
    const std::string& name() const { return name_; }

private:
    pid_t server_ = -1;
    std::string name_;
};

template <typename Condition>
bool within(std::chrono::milliseconds limit, Condition condition)
{
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(20ms))
        if (condition())
            return true;
    return condition();
}

// The first child of a process; 0 while it has none.
pid_t childOf(pid_t parent)
{
    std::ifstream children("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children");
    pid_t child = 0;
    children >> child;
    return child;
}

// Gone, or dead and only waiting to be reaped.
bool ended(pid_t process)
{
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string pid, name, state;
    return !(stat >> pid >> name >> state) || state == "Z";
}

TEST(DesktopMessageBox, ALongTextFitsTheScreenAndASignalEndsTheBoxWithItsProgram)
{
    VirtualDisplay display;
    if (!display.ready())
        GTEST_SKIP() << "Xvfb cannot start here: the desktop message box is not tried";
    testing_support::ScopedVariable displayVariable("DISPLAY", display.name().c_str());
    std::string words;
    while (words.size() < 200000)
        words += "palavra ";
    for (int signal : {SIGTERM, SIGINT, SIGKILL}) {
        pid_t program = ::fork();
        ASSERT_GE(program, 0);
        if (program == 0) {
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
            setHeadless(false);
            SDL_Init(SDL_INIT_VIDEO);
            showMessageBox("Caixa longa", words);
            ::_exit(0);
        }
        pid_t box = 0;
        EXPECT_TRUE(within(10s, [&] { return (box = childOf(program)) > 0; })) << "no box appeared";
        if (signal == SIGTERM && box > 0 && testing_support::haveProgram("xwininfo")) {
            // The box's line in the window tree: 0x600002 "Caixa longa": ()  560x153+232+307 ...
            std::string line;
            within(5s, [&] {
                std::string tree = runProcess({"xwininfo", "-root", "-tree"}).output;
                std::size_t at = tree.find("\"Caixa longa\": ()");
                line = at == std::string::npos ? std::string() : tree.substr(at, tree.find('\n', at) - at);
                return !line.empty();
            });
            std::size_t size = line.find(")  ");
            EXPECT_NE(size, std::string::npos) << "no box in the window tree";
            EXPECT_LE(size == std::string::npos ? 0 : std::stoi(line.substr(size + 3)), 1024) << line;
        }
        ::kill(program, signal);
        int status = 0;
        EXPECT_TRUE(within(5s, [&] { return ::waitpid(program, &status, WNOHANG) == program; }))
            << "signal " << signal << " did not end the program while its box was up";
        EXPECT_TRUE(box > 0 && within(5s, [&] { return ended(box); })) << "the box outlived its program";
        for (pid_t left : {box, program})
            if (left > 0)
                ::kill(left, SIGKILL);
        ::waitpid(program, nullptr, 0);
    }
}

} // namespace
} // namespace vel::platform
