// Reports counted instead of shown, for as long as one of these lives: the title reads data it is
// ready to find damaged (a preferences file, a form file) and says so once in its own words.
#pragma once

#include "value/error.h"

namespace vel {

class QuietErrors {
public:
    QuietErrors() : previous_(setErrorHandler(&QuietErrors::count)), before_(reports()) {}
    ~QuietErrors() { setErrorHandler(previous_); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    // Whether anything was reported since this one was made.
    bool any() const { return reports() != before_; }

private:
    static int& reports()
    {
        static int n = 0;
        return n;
    }
    static int count(const Value&)
    {
        ++reports();
        return 0;
    }
    ErrorHandler previous_;
    int before_;
};

} // namespace vel
