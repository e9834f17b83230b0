// The numeric formats of edit fields: a printf-style pattern with exactly one conversion, "%ld" (an
// integer) or "%lf" (a real number), with its flags, width and precision; "%%" stands for itself.
// The pattern is parsed here rather than handed to the C library, so that a pattern from the data
// with more conversions, or other ones, can never read arguments that are not there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vel {

class NumberFormat {
public:
    enum class Kind { Integer, Real };

    // The format of a pattern, or nothing when the pattern is not one of the above.
    static std::optional<NumberFormat> parse(std::string_view pattern);

    Kind kind() const { return kind_; }
    // The text read as a number of the format's kind (the C library's reading rules: leading
    // blanks, a sign, digits; an integer stops at the decimal point), printed with the pattern.
    std::string apply(std::string_view text) const;
    std::string print(double number) const;

private:
    NumberFormat() = default;
    Kind kind_ = Kind::Integer;
    std::string prefix_, suffix_; // the literal text around the conversion, "%%" already halved
    std::string conversion_;      // the conversion itself, e.g. "%08.2lf"
};

// The text read as a number by the C library's rule for reals; nothing when no digit starts it
// (an empty text, or a sign alone while it is being typed).
std::optional<double> numberInText(std::string_view text);

} // namespace vel
