#include "runtime/midi_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace vel {

namespace {

uint32_t be32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

struct TempoChange {
    uint64_t tick;
    uint32_t microsecondsPerQuarter;
};

class TrackReader {
public:
    TrackReader(const uint8_t* p, std::size_t n) : p_(p), n_(n) {}
    bool atEnd() const { return at_ >= n_; }
    bool byte(uint8_t& b)
    {
        if (at_ >= n_)
            return false;
        b = p_[at_++];
        return true;
    }
    // At most four bytes, as the format allows.
    bool variable(uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b))
                return false;
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool skip(uint32_t count)
    {
        if (count > n_ - at_)
            return false;
        at_ += count;
        return true;
    }
    const uint8_t* here() const { return p_ + at_; }

private:
    const uint8_t* p_;
    std::size_t n_;
    std::size_t at_ = 0;
};

// Walks one track's events; false with the reason when they do not fit the bytes.
bool scanTrack(const uint8_t* p, std::size_t n, uint64_t& endTick, std::vector<TempoChange>& tempos, std::string& problem)
{
    TrackReader track(p, n);
    uint64_t tick = 0;
    uint8_t running = 0;
    while (!track.atEnd()) {
        uint32_t delta;
        if (!track.variable(delta)) {
            problem = "a track is cut short";
            return false;
        }
        tick += delta;
        uint8_t status;
        if (!track.byte(status)) {
            problem = "a track is cut short";
            return false;
        }
        uint32_t length = 0;
        if (status == 0xFF) {
            uint8_t type;
            if (!track.byte(type) || !track.variable(length) || length > n) {
                problem = "a track is cut short";
                return false;
            }
            const uint8_t* data = track.here();
            if (!track.skip(length)) {
                problem = "a track is cut short";
                return false;
            }
            if (type == 0x51 && length == 3) {
                const uint32_t tempo = (static_cast<uint32_t>(data[0]) << 16) | (data[1] << 8) | data[2];
                if (tempo > 0)
                    tempos.push_back({tick, tempo});
            }
            if (type == 0x2F)
                break;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            if (!track.variable(length) || !track.skip(length)) {
                problem = "a track is cut short";
                return false;
            }
            continue;
        }
        if (status >= 0xF0) {
            problem = "a track holds an event no MIDI file has";
            return false;
        }
        uint32_t dataBytes = 0;
        if (status & 0x80) {
            running = status;
            uint8_t kind = status >> 4;
            dataBytes = (kind == 0xC || kind == 0xD) ? 1 : 2;
        } else {
            if (!running) {
                problem = "a track starts without a status";
                return false;
            }
            uint8_t kind = running >> 4;
            // The byte read is the first data byte.
            dataBytes = (kind == 0xC || kind == 0xD) ? 0 : 1;
        }
        if (!track.skip(dataBytes)) {
            problem = "a track is cut short";
            return false;
        }
    }
    endTick = tick;
    return true;
}

} // namespace

bool scanMidi(const uint8_t* bytes, std::size_t size, MidiSummary& summary, std::string& problem)
{
    summary = MidiSummary{};
    if (!bytes || size < 14 || std::memcmp(bytes, "MThd", 4) != 0 || be32(bytes + 4) < 6 || be32(bytes + 4) > size - 8) {
        problem = "not a MIDI file";
        return false;
    }
    const uint16_t format = be16(bytes + 8);
    const uint16_t declaredTracks = be16(bytes + 10);
    const uint16_t division = be16(bytes + 12);
    if (format > 2 || declaredTracks == 0 || division == 0) {
        problem = "not a MIDI file";
        return false;
    }
    std::vector<TempoChange> tempos;
    uint64_t lastTick = 0;
    uint64_t sequentialTicks = 0; // format 2 plays its tracks one after another
    uint64_t at = 8 + static_cast<uint64_t>(be32(bytes + 4));
    uint16_t found = 0;
    while (found < declaredTracks && at + 8 <= size) {
        const uint64_t length = be32(bytes + at + 4);
        if (at + 8 + length > size) {
            problem = "the file is cut short";
            return false;
        }
        if (std::memcmp(bytes + at, "MTrk", 4) == 0) {
            uint64_t end = 0;
            if (!scanTrack(bytes + at + 8, static_cast<std::size_t>(length), end, tempos, problem))
                return false;
            lastTick = std::max(lastTick, end);
            sequentialTicks += end;
            ++found;
        }
        at += 8 + length;
    }
    if (found < declaredTracks) {
        problem = "the file is cut short";
        return false;
    }
    if (format == 2)
        lastTick = sequentialTicks;

    double microseconds = 0;
    if (division & 0x8000) {
        // Time code: frames a second and ticks a frame, no tempo.
        const int framesPerSecond = -static_cast<int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if (framesPerSecond <= 0 || ticksPerFrame == 0) {
            problem = "not a MIDI file";
            return false;
        }
        microseconds = static_cast<double>(lastTick) * 1e6 / (framesPerSecond * ticksPerFrame);
    } else {
        std::stable_sort(tempos.begin(), tempos.end(), [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        uint64_t tick = 0;
        uint32_t tempo = 500000;
        for (const TempoChange& change : tempos) {
            if (change.tick >= lastTick)
                break;
            microseconds += static_cast<double>(change.tick - tick) * tempo / division;
            tick = change.tick;
            tempo = change.microsecondsPerQuarter;
        }
        microseconds += static_cast<double>(lastTick - tick) * tempo / division;
    }
    const double milliseconds = microseconds / 1000.0;
    summary.format = format;
    summary.tracks = found;
    summary.lengthMilliseconds = milliseconds >= std::numeric_limits<int32_t>::max()
                                     ? static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
                                     : static_cast<uint32_t>(milliseconds + 0.5);
    return true;
}

} // namespace vel
