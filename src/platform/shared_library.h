// A shared library opened by name while the program runs, for the large libraries only some runs
// need (movies, MIDI music): the dynamic linker then resolves them on first use instead of at every
// start. A library that cannot be loaded is a failure with a reason, never an end of the program.
#pragma once

#include <string>

namespace vel::platform {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // name: a file name the dynamic linker searches for, best a versioned one ("libavcodec.so.59"),
    // whose interface does not change under us. On failure, error reads "cannot load NAME: why".
    bool open(const std::string& name, std::string& error);
    bool isOpen() const { return handle_ != nullptr; }

    // Sets function to the library's entry of that name; on failure, error names the library and
    // the entry. The pointer's type is the caller's promise, as a declaration in a header would be.
    template <typename Function>
    bool find(Function*& function, const char* symbol, std::string& error) const
    {
        function = reinterpret_cast<Function*>(address(symbol, error));
        return function != nullptr;
    }

private:
    void* address(const char* symbol, std::string& error) const;
    void* handle_ = nullptr;
    std::string name_;
};

} // namespace vel::platform
