// Runs another program with an argument vector (no shell), waits for it and keeps what it said; and
// the environment it inherits.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vel::testing_support {

struct ProcessResult {
    int status = -1;    // the exit status; -1 when it could not run or ended on a signal
    std::string output; // standard output and standard error, interleaved as written
};

inline ProcessResult runProcess(const std::vector<std::string>& words)
{
    ProcessResult result;
    int pipeEnds[2];
    if (words.empty() || ::pipe(pipeEnds) != 0)
        return result;
    // Made before the fork: the child of a process with threads must not allocate.
    std::vector<char*> argv;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, STDIN_FILENO);
        ::close(pipeEnds[0]);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            result.output.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(pipeEnds[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

// Whether a program of that name is on the search path.
inline bool haveProgram(const std::string& name)
{
    return runProcess({"sh", "-c", "command -v '" + name + "'"}).status == 0;
}

// Sets an environment variable (nullptr: unsets it) for a scope; children started meanwhile inherit it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

} // namespace vel::testing_support
