#include "runtime/movie_devices.h"

#include "platform/ini_file.h"
#include "platform/media_path.h"
#include "platform/video_decoder.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr std::string_view AviDevice = "AVIVideo";
constexpr std::string_view MpegDevice = "MPEGVideo";

// The device types behind the extensions when the profile names none: AVI through the AVI reader
// alone, everything else through the device that reads whatever FFmpeg does.
constexpr std::pair<std::string_view, std::string_view> BuiltInDeviceTypes[] = {
    {"AVI", AviDevice},   {"MPG", MpegDevice},  {"MPEG", MpegDevice}, {"MPE", MpegDevice},  {"M1V", MpegDevice},
    {"MPV", MpegDevice},  {"M2V", MpegDevice},  {"DAT", MpegDevice},  {"VOB", MpegDevice},  {"MOV", MpegDevice},
    {"QT", MpegDevice},   {"MP4", MpegDevice},  {"M4V", MpegDevice},  {"ASF", MpegDevice},  {"WMV", MpegDevice},
    {"MKV", MpegDevice},  {"WEBM", MpegDevice}, {"OGV", MpegDevice},  {"FLV", MpegDevice},
};

bool sameName(std::string_view a, std::string_view b) { return platform::sameNameIgnoringCase(a, b); }

} // namespace

std::string MovieDevices::keyOf(std::string_view extension)
{
    std::string out(extension);
    for (char& c : out)
        c = static_cast<char>(toUpper1252(static_cast<unsigned char>(c)));
    return out;
}

std::string MovieDevices::typeOf(std::string_view extension, const std::string& profileFile)
{
    if (!types_) {
        types_.emplace();
        // The profile's section stands in for the system's list of extensions; its entries come first.
        if (auto profile = profileFile.empty() ? std::nullopt : platform::IniFile::load(profileFile))
            for (auto& [known, type] : profile->section("mci extensions"))
                if (!type.empty())
                    types_->emplace_back(keyOf(known), type);
        for (auto [known, type] : BuiltInDeviceTypes)
            types_->emplace_back(std::string(known), std::string(type));
    }
    for (const auto& [known, type] : *types_)
        if (sameName(known, extension))
            return type;
    return {};
}

bool MovieDevices::available(std::string_view deviceType)
{
    if (sameName(deviceType, AviDevice))
        return platform::VideoDecoder::containerAvailable("avi");
    if (sameName(deviceType, MpegDevice))
        return platform::VideoDecoder::containerAvailable("mpeg");
    return false;
}

std::string_view MovieDevices::containersOf(std::string_view deviceType)
{
    return sameName(deviceType, AviDevice) ? "avi" : "";
}

uint64_t MovieDevices::use(const std::string& deviceType)
{
    ++openDevices_[deviceType];
    return generation_;
}

void MovieDevices::release(const std::string& deviceType, uint64_t generation)
{
    if (generation != generation_)
        return;
    auto it = openDevices_.find(deviceType);
    if (it != openDevices_.end() && --it->second <= 0)
        openDevices_.erase(it);
}

int32_t MovieDevices::useCount(std::string_view deviceType) const
{
    for (const auto& [type, count] : openDevices_)
        if (sameName(type, deviceType))
            return count;
    return 0;
}

void MovieDevices::forgetOpen()
{
    openDevices_.clear();
    ++generation_;
}

} // namespace vel
