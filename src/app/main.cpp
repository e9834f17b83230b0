// orva: the program's entry. It guards against a second running copy, installs the error and exit
// handlers, reads the command line, makes the engine and runs the application on it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "controls/control_library.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/user_dirs.h"
#include "runtime/application.h"
#include "runtime/command_line.h"
#include "runtime/engine.h"
#include "runtime/environment.h"
#include "runtime/startup_disc.h"
#include "title/demo_form.h"
#include "title/title_app.h"
#include "value/error.h"
#include "value/string.h"

namespace {

// The engine the abnormal exit takes down and the lock it gives back: the exit handler is a plain function.
vel::Engine* running = nullptr;
vel::platform::InstanceLock* heldLock = nullptr;

int showError(const vel::Value& message)
{
    // The box also puts the whole text on standard error.
    vel::platform::showMessageBox("ERROR", vel::textOf(message));
    return 1;
}

void exitAbnormally(int code)
{
    if (running)
        running->shutDown();
    if (heldLock)
        heldLock->release();
    std::fputs("\n[Exiting abnormally...]\n", stderr);
    std::fflush(nullptr);
    std::_Exit(code & 0xff);
}

} // namespace

int main(int argc, char** argv)
{
    vel::setExitHandler(exitAbnormally);
    vel::setErrorHandler(showError);

    vel::ProgramOptions options;
    std::string error;
    if (!vel::parseProgramOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orva: %s\n%s", error.c_str(), vel::programUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(vel::programUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("orva " VEL_VERSION);
        return 0;
    }

    std::string moduleDirectory = vel::platform::moduleDirectory(options.home.value_or(""));

    // Without a disc nothing can start: say so now rather than failing on the first form.
    vel::StartupDisc disc = vel::chooseStartupDisc(
        options, moduleDirectory, vel::sampleDiscPlaces(vel::platform::programDirectory()));
    if (!disc.problem.empty()) {
        std::fprintf(stderr, "orva: %s\n", disc.problem.c_str());
        return 2;
    }
    if (!disc.sample.empty()) {
        std::printf("orva: no disc given: opening the sample disc in %s\n", disc.sample.c_str());
        std::fflush(stdout);
        options.media = disc.sample;
    }
    vel::platform::InstanceLock lock;
    // Scripted runs are tests: they may run beside a copy someone is using.
    if (!options.script && lock.acquire(moduleDirectory) == vel::platform::InstanceLock::State::HeldElsewhere) {
        std::fprintf(stderr, "orva: %s is already running for %s\n", std::string(vel::kProductTitle).c_str(),
                     moduleDirectory.c_str());
        return 0;
    }
    heldLock = &lock;

    vel::RunOptions run;
    run.moduleDirectory = moduleDirectory;
    run.settings = vel::commandLineSettings(options);
    run.headless = options.headless || options.script.has_value();
    run.script = options.script.value_or("");
    run.scale = options.scale;
    run.fullscreen = options.fullscreen;

    vel::Engine engine;
    running = &engine;
    // The title's disc runs the title; any other disc the plain application with the demo's forms.
    std::unique_ptr<vel::velApplication> application;
    if (disc.title) {
        application = std::make_unique<vel::TitleApp>(engine, vel::argumentList(options));
    } else {
        application = std::make_unique<vel::velApplication>(engine, vel::argumentList(options));
        vel::registerDemoForm(engine);
    }
    vel::registerControlLibrary(engine);
    int status = application->run(run);
    application.reset();
    running = nullptr;
    heldLock = nullptr;
    return status;
}
