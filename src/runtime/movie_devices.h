// The movie device types: which device plays a file of a given extension (the profile file's
// "mci extensions" section first, then the built-in entries), whether a device can be opened here,
// and how many open movies use each device.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vel {

class MovieDevices {
public:
    // The device type for an extension (any case); empty when there is none. The table is read from
    // the profile file given on the first look-up after a reset.
    std::string typeOf(std::string_view extension, const std::string& profileFile);
    // Forgets the table, so that the next look-up reads it again.
    void resetTypes() { types_.reset(); }
    // An extension as the table is keyed: upper case.
    static std::string keyOf(std::string_view extension);

    // Whether the device's reader is there, and the containers it reads (empty: any with pictures).
    static bool available(std::string_view deviceType);
    static std::string_view containersOf(std::string_view deviceType);

    // The open devices and their use counts. Each use is stamped with the generation it began in;
    // forgetting the open devices starts a new one, and older uses are then not counted down.
    bool isOpen(std::string_view deviceType) const { return openDevices_.count(std::string(deviceType)) != 0; }
    uint64_t use(const std::string& deviceType);
    void release(const std::string& deviceType, uint64_t generation);
    int32_t useCount(std::string_view deviceType) const;
    void forgetOpen();

private:
    std::optional<std::vector<std::pair<std::string, std::string>>> types_;
    std::map<std::string, int32_t> openDevices_;
    uint64_t generation_ = 1;
};

} // namespace vel
