// Reports counted instead of shown, for as long as one of these lives: the title reads data it is
// ready to find damaged (a preferences file, a form file) and says so once in its own words.
#pragma once

#include <string>

#include "value/error.h"
#include "value/string.h"

namespace vel {

class QuietErrors {
public:
    QuietErrors() : previous_(setErrorHandler(&QuietErrors::count)), before_(reports()) {}
    ~QuietErrors() { setErrorHandler(previous_); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    // Whether anything was reported since this one was made.
    bool any() const { return reports() != before_; }
    // The text of the latest report (of this one's or an earlier one's time; check any() first).
    static const std::string& lastReport() { return last(); }

private:
    static int& reports()
    {
        static int n = 0;
        return n;
    }
    static std::string& last()
    {
        static std::string text;
        return text;
    }
    static int count(const Value& message)
    {
        ++reports();
        last() = message.is(Tag::String) ? std::string(textOf(message)) : std::string();
        return 0;
    }
    ErrorHandler previous_;
    int before_;
};

} // namespace vel
