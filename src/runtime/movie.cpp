#include "runtime/movie.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "platform/media_path.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/surface.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

using platform::PixelView;
using platform::Rect;

namespace {

// The report's number when a device type cannot be opened: there is no library text for it, so the
// report names the operation.
constexpr int DeviceUnavailable = 100;

class MixerSound final : public MovieSoundSink {
public:
    explicit MixerSound(platform::AudioMixer& mixer) : mixer_(mixer) {}
    int rate() const override { return platform::AudioMixer::Rate; }
    int channels() const override { return platform::AudioMixer::Channels; }
    void start() override
    {
        mixer_.ensureOpen();
        mixer_.clearMovieSamples();
    }
    void queue(const int16_t* samples, size_t frames) override
    {
        mixer_.pushMovieSamples(samples, frames, Channels, Rate);
    }
    void end() override { mixer_.finishMovieSamples(); }
    void stop() override { mixer_.clearMovieSamples(); }

private:
    static constexpr int Rate = platform::AudioMixer::Rate;
    static constexpr int Channels = platform::AudioMixer::Channels;
    platform::AudioMixer& mixer_;
};

} // namespace

// ---- the movie ----

Value Movie::make(Movies& movies, const std::string& path, std::string_view extension)
{
    auto* movie = new Movie(movies, path, MovieDevices::keyOf(extension));
    movies.live_.push_back(movie);
    return Value::adopt(Tag::Movie, movie);
}

Movie::~Movie()
{
    if (movies_.sounding_ == this) {
        if (movies_.sink_)
            movies_.sink_->stop();
        movies_.sounding_ = nullptr;
    }
    if (opened_)
        movies_.devices_.release(deviceType_, deviceGeneration_);
    std::erase(movies_.live_, this);
}

double Movie::frameRate() const { return opened_ ? decoder_.info().frameRate : 0; }

int64_t Movie::frameMs(int64_t frame) const
{
    double rate = opened_ ? decoder_.info().frameRate : 25.0;
    return static_cast<int64_t>(std::llround(static_cast<double>(frame) * 1000.0 / rate));
}

bool Movie::open()
{
    if (opened_)
        return true;
    if (failed_)
        return false;
    MovieDevices& devices = movies_.devices_;

    deviceType_ = movies_.deviceType(extension_);
    if (deviceType_.empty()) {
        failed_ = true;
        movies_.notice("Unrecognized movie file type: " + extension_);
        return false;
    }
    if (!devices.isOpen(deviceType_) && !MovieDevices::available(deviceType_)) {
        failed_ = true;
        movies_.reportError(DeviceUnavailable, {}, "open " + deviceType_);
        const std::string why = platform::VideoDecoder::unavailableReason();
        movies_.notice("Cannot initialize video subsystem with this MCI driver: " + deviceType_ +
                       (why.empty() ? "" : " (" + why + ")"));
        return false;
    }
    const uint64_t generation = devices.use(deviceType_);

    if (movies_.sink_)
        decoder_.setSoundOutput(movies_.sink_->rate(), movies_.sink_->channels());
    if (!decoder_.open(path_, MovieDevices::containersOf(deviceType_))) {
        // The device's count goes back down: a movie that never opened holds no device.
        devices.release(deviceType_, generation);
        failed_ = true;
        movies_.reportError(decoder_.errorCode(), decoder_.errorText(), "open element ");
        movies_.notice("Cannot instantiate movie: " + path_);
        return false;
    }
    deviceGeneration_ = generation;
    naturalWidth_ = decoder_.info().width;
    naturalHeight_ = decoder_.info().height;
    if (!sized_)
        placed_ = onScreen_ = Rect::sized(placed_.left, placed_.top, naturalWidth_, naturalHeight_);
    opened_ = true;
    state_ = State::Stopped;
    return true;
}

void Movie::place(int32_t x, int32_t y, int32_t width, int32_t height, bool fullScreen)
{
    DrawingSurface* surface = movies_.stage();
    const Configuration& configuration = movies_.engine_.configuration();
    if (fullScreen ||
        (configuration.getTruth("FullScreenVideo", false) && configuration.getTruth("MaximizeWindow", false))) {
        int32_t w = surface ? surface->width() : configuration.mediaWidth();
        int32_t h = surface ? surface->height() : configuration.mediaHeight();
        placed_ = onScreen_ = Rect::sized(0, 0, w, h);
        sized_ = true;
        return;
    }
    int32_t left = x >= 0 ? x : placed_.left;
    int32_t top = y >= 0 ? y : placed_.top;
    int32_t w = width > 0 ? width : placed_.width();
    int32_t h = height > 0 ? height : placed_.height();
    placed_ = Rect::sized(left, top, w, h);
    onScreen_ = surface ? surface->toSurface(placed_) : placed_;
    sized_ = sized_ || width > 0 || height > 0;
}

bool Movie::showAndPlay(int32_t x, int32_t y, int32_t width, int32_t height, bool fullScreen)
{
    Value keep = self();
    if (!open())
        return false;
    // The steps that switch off the window's background erasing, give the movie the screen palette
    // and give the MPEG overlay its key colour have nothing to do here: the surface is true colour,
    // nothing erases it, and movies are drawn into it rather than overlaid.
    if (width > platform::VideoDecoder::MaxDimension || height > platform::VideoDecoder::MaxDimension)
        return false;
    restoreArea();
    place(x, y, width, height, fullScreen);
    visible_ = true;
    return play(-1, -1, false);
}

bool Movie::play(int32_t from, int32_t to, bool wait)
{
    Value keep = self();
    if (!open())
        return false;
    if (state_ == State::Playing)
        movies_.engine_.media().post(self(), "aborted"); // the earlier play is superseded
    if (from >= 0) {
        if (!seek(from))
            return false;
    } else if (atEnd_ || (decodedAll_ && !decoder_.hasUpcoming())) {
        // Played on from its end, a movie would end at once; it starts again instead.
        if (!seek(0))
            return false;
    }
    endMs_ = to >= 0 ? frameMs(static_cast<int64_t>(to) + 1) : -1;
    startMs_ = decoder_.hasCurrent() ? decoder_.currentMs() : 0;
    startClock_ = movies_.engine_.clock().now();
    playedOn_ = movies_.engine_.currentForm().object();
    atEnd_ = false;
    state_ = State::Playing;
    visible_ = true;
    if (!movies_.inPlaying(this))
        movies_.playing_.push_back(self());
    if (movies_.sounding_ && movies_.sounding_ != this && movies_.sink_)
        movies_.sink_->stop();
    movies_.sounding_ = this;
    if (movies_.sink_ && decoder_.info().hasSound)
        movies_.sink_->start();
    draw();
    advance();
    if (wait) {
        platform::Clock& clock = movies_.engine_.clock();
        const auto step = static_cast<uint32_t>(std::max<int64_t>(1, frameMs(1)));
        while (state_ == State::Playing) {
            clock.sleep(step);
            advance();
        }
    }
    return true;
}

int64_t Movie::clockMs() const
{
    return startMs_ + static_cast<int64_t>(static_cast<uint32_t>(movies_.engine_.clock().now() - startClock_));
}

void Movie::pumpSound()
{
    if (!decoder_.takeSound(sound_))
        return;
    // Sound decoded for another sink's format (the sink changed since the movie opened) is dropped:
    // the sink would read it with its own channel count.
    MovieSoundSink* sink = movies_.sink_;
    if (sink && movies_.sounding_ == this && state_ == State::Playing && sink->channels() == decoder_.soundChannels() &&
        sink->rate() == decoder_.soundRate())
        sink->queue(sound_.data(), sound_.size() / static_cast<size_t>(decoder_.soundChannels()));
    sound_.clear();
}

void Movie::advance()
{
    if (state_ != State::Playing)
        return;
    Value keep = self();
    const int64_t now = clockMs();
    bool changed = false;
    for (;;) {
        if (!decoder_.hasUpcoming() && !decodedAll_) {
            platform::VideoDecoder::Step step = decoder_.decodeNext();
            pumpSound();
            if (step == platform::VideoDecoder::Step::End)
                decodedAll_ = true;
            else if (step == platform::VideoDecoder::Step::Pending)
                break;
        }
        if (decoder_.hasUpcoming() && decoder_.upcomingMs() <= now &&
            (endMs_ < 0 || decoder_.upcomingMs() < endMs_)) {
            decoder_.takeUpcoming();
            changed = true;
            continue;
        }
        break;
    }
    if (changed)
        draw();

    const int64_t lastOver = decoder_.hasCurrent() ? decoder_.currentMs() + frameMs(1) : startMs_;
    const bool noMore = decodedAll_ && !decoder_.hasUpcoming();
    const bool over = (noMore && now >= lastOver) || (endMs_ >= 0 && now >= endMs_);
    if (over) {
        atEnd_ = true;
        finish("ended");
    }
}

void Movie::finish(const char* word)
{
    Value keep = self();
    state_ = State::Stopped;
    if (movies_.sounding_ == this) {
        if (movies_.sink_) {
            if (std::string_view(word) == "ended")
                movies_.sink_->end();
            else
                movies_.sink_->stop();
        }
        movies_.sounding_ = nullptr;
    }
    movies_.engine_.media().post(keep, word);
    movies_.leavePlaying(this);
}

void Movie::stop()
{
    if (state_ == State::Playing || state_ == State::Paused)
        finish("aborted");
}

bool Movie::pause()
{
    if (state_ != State::Playing)
        return false;
    state_ = State::Paused;
    if (movies_.sounding_ == this && movies_.sink_)
        movies_.sink_->stop();
    return true;
}

bool Movie::seek(int32_t frame)
{
    if (!open() || frame < 0)
        return false;
    if (!decoder_.seek(frameMs(frame))) {
        movies_.reportError(decoder_.errorCode(), decoder_.errorText(), "seek");
        return false;
    }
    decodedAll_ = false;
    atEnd_ = false;
    // The frame sought becomes the current one, so that a shown movie shows it.
    decodeCurrentFrame();
    if (state_ == State::Playing) {
        startMs_ = decoder_.hasCurrent() ? decoder_.currentMs() : 0;
        startClock_ = movies_.engine_.clock().now();
    }
    draw();
    return true;
}

bool Movie::rewind() { return seek(0); }

void Movie::decodeCurrentFrame()
{
    for (int rounds = 0; rounds < 1024; ++rounds) {
        platform::VideoDecoder::Step step = decoder_.decodeNext();
        pumpSound();
        if (step == platform::VideoDecoder::Step::Frame) {
            decoder_.takeUpcoming();
            break;
        }
        if (step == platform::VideoDecoder::Step::End) {
            decodedAll_ = true;
            break;
        }
    }
    // The sound decoded on the way belongs before the frame: none of it is played.
    sound_.clear();
}

int32_t Movie::position() const
{
    if (!opened_ || !decoder_.hasCurrent())
        return -1;
    return static_cast<int32_t>(std::llround(decoder_.currentMs() * decoder_.info().frameRate / 1000.0));
}

bool Movie::show()
{
    Value keep = self();
    if (!open())
        return false;
    visible_ = true;
    if (!decoder_.hasCurrent() && !decodedAll_) {
        decodeCurrentFrame();
    }
    draw();
    return true;
}

bool Movie::hide()
{
    if (!open())
        return false;
    visible_ = false;
    restoreArea();
    return true;
}

bool Movie::move(int32_t x, int32_t y)
{
    if (!open())
        return false;
    restoreArea();
    place(x, y, -1, -1, false);
    draw();
    return true;
}

bool Movie::setSize(int32_t width, int32_t height)
{
    if (!open() || width > platform::VideoDecoder::MaxDimension || height > platform::VideoDecoder::MaxDimension)
        return false;
    restoreArea();
    place(-1, -1, width, height, false);
    draw();
    return true;
}

void Movie::close()
{
    Value keep = self();
    if (!opened_)
        return;
    stop();
    movies_.leavePlaying(this); // a paused movie leaves too
    visible_ = false;
    restoreArea();
    movies_.devices_.release(deviceType_, deviceGeneration_);
    decoder_.close();
    opened_ = false;
    decodedAll_ = false;
    atEnd_ = false;
    state_ = State::Closed;
}

void Movie::repaint() { draw(); }

void Movie::draw()
{
    DrawingSurface* surface = movies_.stage();
    if (!surface || !visible_ || !opened_ || !decoder_.hasCurrent())
        return;
    const Rect visible = onScreen_.intersect(Rect{0, 0, surface->width(), surface->height()});
    if (visible.empty())
        return;
    PixelView frame = surface->frame().pixels();
    // The decoder scales each picture to the frame's real pixels, so a sharp window gets a filtered
    // picture rather than blown-up pixels; enlarged, through Lanczos, which keeps edges crisp.
    const int k = surface->scale();
    const auto filter = k > 1 ? platform::VideoDecoder::Filter::Lanczos : platform::VideoDecoder::Filter::Bilinear;
    const Rect real{visible.left * k, visible.top * k, visible.right * k, visible.bottom * k};
    const Rect placed{onScreen_.left * k, onScreen_.top * k, onScreen_.right * k, onScreen_.bottom * k};
    const int w = placed.width(), h = placed.height();
    if (visible.left == onScreen_.left && visible.top == onScreen_.top && visible.right == onScreen_.right &&
        visible.bottom == onScreen_.bottom) {
        // Scaled straight into the presented frame: no copy in between.
        PixelView area{frame.row(real.top) + real.left, w, h, frame.stride};
        if (!decoder_.convertCurrent(area, filter))
            return;
    } else {
        // Partly outside: scaled whole aside, then the visible part copied. A picture far larger than
        // the surface is not worth the memory; it is not drawn.
        if (static_cast<int64_t>(w) * h > 4 * static_cast<int64_t>(frame.width) * frame.height)
            return;
        scratch_.resize(static_cast<size_t>(w) * h);
        PixelView whole{scratch_.data(), w, h, w};
        if (!decoder_.convertCurrent(whole, filter))
            return;
        for (int y = real.top; y < real.bottom; ++y)
            std::memcpy(frame.row(y) + real.left, whole.row(y - placed.top) + (real.left - placed.left),
                        static_cast<size_t>(real.width()) * sizeof(uint32_t));
    }
    keepDialogsOnTop(*surface, visible);
    surface->frame().changed();
    drawn_ = visible;
    surface->present();
}

void Movie::keepDialogsOnTop(DrawingSurface& surface, const Rect& visible)
{
    for (Value form = movies_.engine_.currentForm(); form.object() != playedOn_;) {
        const velDialogObject* dialog = asDialog(form);
        if (!dialog)
            break;
        const Rect covered = Rect{dialog->originX(), dialog->originY(), dialog->originX() + dialog->width(),
                                  dialog->originY() + dialog->height()}
                                 .intersect(visible);
        if (!covered.empty())
            surface.frame().copyFrom(surface.offscreen(), covered, covered.left, covered.top);
        form = dialog->below();
    }
}

void Movie::restoreArea()
{
    DrawingSurface* surface = movies_.stage();
    if (!surface || drawn_.empty())
        return;
    surface->frame().copyFrom(surface->offscreen(), drawn_, drawn_.left, drawn_.top);
    drawn_ = Rect{};
    surface->present();
}

int32_t Movie::width() const
{
    if (!sized_)
        const_cast<Movie*>(this)->open();
    return placed_.width();
}

int32_t Movie::height() const
{
    if (!sized_)
        const_cast<Movie*>(this)->open();
    return placed_.height();
}

int32_t Movie::collectionCount() const
{
    if (!const_cast<Movie*>(this)->open())
        return 0;
    return static_cast<int32_t>(std::min<int64_t>(decoder_.info().frameCount, INT32_MAX));
}

// ---- the movies of an engine ----

Movies::Movies(Engine& engine)
    : engine_(engine), mixerSound_(std::make_unique<MixerSound>(engine.mixer())), sink_(mixerSound_.get())
{
}

Movies::~Movies()
{
    closeAll();
}

Value Movies::open(const std::string& path, std::string_view extension)
{
    return Movie::make(*this, path, extension.empty() ? platform::extensionOf(path) : extension);
}

DrawingSurface* Movies::stage()
{
    return engine_.surface();
}

void Movies::notice(const std::string& text)
{
    engine_.notice(text);
}

void Movies::reportError(int code, std::string_view text, std::string_view operation)
{
    if (engine_.configuration().getTruth("ShowVideoErrors", false))
        notice(movieErrorReport(code, text, operation));
}

void Movies::leavePlaying(const Movie* movie)
{
    for (auto it = playing_.begin(); it != playing_.end(); ++it) {
        if (it->object() == movie) {
            // Moved out first: dropping the list's reference may end the movie's life.
            Value gone = std::move(*it);
            playing_.erase(it);
            return;
        }
    }
}

bool Movies::inPlaying(const Movie* movie) const
{
    for (const Value& v : playing_)
        if (v.object() == movie)
            return true;
    return false;
}

void Movies::advancePlaying()
{
    if (playing_.empty())
        return;
    // A copy: advancing may end a movie, which leaves the list.
    std::vector<Value> playing = playing_;
    for (const Value& v : playing)
        if (Movie* movie = asMovie(v))
            movie->advance();
}

bool Movies::anyPlaying() const
{
    for (const Value& v : playing_)
        if (Movie* movie = asMovie(v); movie && movie->isPlaying())
            return true;
    return false;
}

void Movies::repaintAll()
{
    for (Movie* movie : std::vector<Movie*>(live_))
        movie->repaint();
}

void Movies::closeAll()
{
    std::vector<Value> playing = playing_;
    for (auto it = playing.rbegin(); it != playing.rend(); ++it)
        if (Movie* movie = asMovie(*it))
            movie->close();
    playing_.clear();
    devices_.forgetOpen();
}

std::string Movies::deviceType(std::string_view extension)
{
    std::string profileFile = profileFile_;
    if (profileFile.empty() && !engine_.moduleDirectory().empty())
        profileFile = standardConfigurationSources(engine_.moduleDirectory()).profileFile;
    return devices_.typeOf(extension, profileFile);
}

void Movies::resetDeviceTypes(const std::string& profileFile)
{
    devices_.resetTypes();
    profileFile_ = profileFile;
}

void Movies::useSoundSink(MovieSoundSink* sink)
{
    if (sink_ && sounding_)
        sink_->stop();
    sounding_ = nullptr;
    sink_ = sink;
}

std::string movieErrorReport(int code, std::string_view text, std::string_view operation)
{
    return "MCI error (" + std::to_string(code) + "): " + std::string(text.empty() ? operation : text);
}

} // namespace vel
