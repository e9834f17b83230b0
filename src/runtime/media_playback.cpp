#include "runtime/media_playback.h"

#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "runtime/media_notifications.h"

namespace vel {

MediaPlayback::MediaPlayback(platform::AudioMixer& mixer, platform::Clock& clock, MediaReport report,
                             MediaNotice notice)
    : wave_(mixer, clock, report), music_(mixer, clock, std::move(report), std::move(notice))
{
}

void MediaPlayback::checkEnds()
{
    wave_.checkEnd();
    music_.checkEnd();
}

void MediaPlayback::close()
{
    wave_.stopAny();
    music_.close();
}

namespace {

// Whichever clock is installed at the moment of asking (scripted runs and tests install their own).
class InstalledClock final : public platform::Clock {
public:
    uint32_t now() override { return platform::clock().now(); }
    void sleep(uint32_t milliseconds) override { platform::clock().sleep(milliseconds); }
    bool isVirtual() const override { return platform::clock().isVirtual(); }
};

} // namespace

MediaPlayback& processMediaPlayback()
{
    static InstalledClock clock;
    // Never destroyed: the audio thread may still be rendering music while statics go at exit.
    static auto* playback = new MediaPlayback(
        platform::audioMixer(), clock, [](const Value& media, std::string_view what) { postMediaNotification(media, what); },
        [](std::string_view text) { mediaNotice(text); });
    return *playback;
}

} // namespace vel
