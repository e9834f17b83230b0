// Reports counted instead of shown, for as long as one of these lives: the title reads data it is
// ready to find damaged (a preferences file, a form file) and says so once in its own words; the
// export and the vel tool keep the first report as the reason an item failed.
#pragma once

#include <string>

#include "value/error.h"
#include "value/string.h"

namespace vel {

class QuietErrors {
public:
    QuietErrors()
        : previous_(setErrorHandler(&QuietErrors::count)), before_(reports()), outerMark_(mark()),
          outerFirst_(first())
    {
        mark() = before_;
        first().clear();
    }
    ~QuietErrors()
    {
        setErrorHandler(previous_);
        mark() = outerMark_;
        if (outerMark_ < before_ || reports() == before_)
            first() = outerFirst_; // the outer one's first report came before this one was made
    }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    // Whether anything was reported since this one was made.
    bool any() const { return reports() != before_; }
    // The text of the first report since this one was made; empty when there was none.
    const std::string& firstReport() const { return first(); }

private:
    static int& reports()
    {
        static int n = 0;
        return n;
    }
    // The count at which the innermost living one was made, and the first report after it.
    static int& mark()
    {
        static int n = 0;
        return n;
    }
    static std::string& first()
    {
        static std::string text;
        return text;
    }
    static int count(const Value& message)
    {
        if (reports()++ == mark())
            first() = message.is(Tag::String) ? std::string(textOf(message)) : std::string();
        return 0;
    }
    ErrorHandler previous_;
    int before_;
    int outerMark_;
    std::string outerFirst_;
};

} // namespace vel
