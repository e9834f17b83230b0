// The clipboard: the desktop's through SDL, or one kept in memory when headless (SDL's dummy driver
// has none), so that a script can check what the program copied. Text is Windows-1252 on this side
// and UTF-8 on the desktop's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel::platform {

class Clipboard {
public:
    // Empties the clipboard and puts the text (up to its first NUL, as the system's plain text ends
    // there). False when the clipboard could not take it.
    bool putText(std::string_view windows1252);
    // The clipboard's plain text, or nothing when it holds none.
    std::optional<std::string> getText() const;
    // Empties the clipboard and keeps a device-independent bitmap. No desktop format is offered yet:
    // it stays in this process.
    bool putImage(const uint8_t* bytes, std::size_t length);
    // The bitmap last put, or nothing when the clipboard was emptied since.
    const std::optional<std::vector<uint8_t>>& getImage() const { return image_; }

private:
    // What the clipboard holds when there is no desktop's to use.
    std::optional<std::string> text_;
    std::optional<std::vector<uint8_t>> image_;
};

} // namespace vel::platform
