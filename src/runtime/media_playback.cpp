#include "runtime/media_playback.h"

#include <algorithm>

namespace vel {

MediaPlayback::MediaPlayback(platform::AudioMixer& mixer, platform::Clock& clock, MediaReport report,
                             MediaNotice notice, const Configuration& configuration)
    : wave_(mixer, clock, report), music_(mixer, clock, std::move(report), std::move(notice), configuration)
{
}

void MediaPlayback::checkEnds()
{
    wave_.checkEnd();
    music_.checkEnd();
}

uint32_t MediaPlayback::untilEnd() const
{
    return std::min(wave_.untilEnd(), music_.untilEnd());
}

void MediaPlayback::close()
{
    wave_.stopAny();
    music_.close();
}

} // namespace vel
