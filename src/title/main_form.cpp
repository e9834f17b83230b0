#include "title/main_form.h"

#include "controls/video_view.h"
#include "runtime/control.h"
#include "runtime/engine.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr std::string_view kPlayedAlready = "VantaPlayedAlready";
constexpr uint32_t kPauseBeforeNarration = 100;

struct Section {
    const char* button;
    const char* form;
};
constexpr Section kSections[] = {
    {"Verbetes", "VerbHForm"},       {"Midias", "JMidiaHForm"},     {"Atlas", "AtlasHForm"},
    {"BancoDeDados", "BDadosHForm"}, {"LinhaDoTempo", "TimeHForm"}, {"Retrospectiva", "RetroHForm"},
    {"Agenda", "AGForm"},            {"Curiosidades", "CurioHForm"},
};

} // namespace

void MainForm::open(const Value& data)
{
    Named::open(data);
    if (!engine().configuration().getTruth(kPlayedAlready, false)) {
        startVideo();
        engine().configuration().set(kPlayedAlready, 1);
    } else {
        showStill();
    }
}

void MainForm::afterOpen()
{
    // The narration waits for the video to end.
    if (playing_)
        velFormObject::afterOpen();
    else
        Named::afterOpen();
}

void MainForm::close()
{
    stopVideo();
    Named::close();
}

bool MainForm::handleAction(std::string_view name, const Value& control)
{
    for (const Section& s : kSections)
        if (name == s.button) {
            goToForm(engine(), s.form, Value());
            return true;
        }
    if (name == "VantaVideo")
        startVideo();
    else if (name == "Sair")
        requestQuit(engine());
    else if (name == "AudioHelpButton")
        narrate(true);
    else
        return false;
    return true;
}

Value MainForm::historyTitle() const
{
    return Value::string("Tela inicial do Orvale Vanta");
}

void MainForm::startVideo()
{
    Value video = findControl(Value::string("VantaVideo"));
    if (playing_ || !video.is(Tag::Control))
        return;
    velPerform(video, Value::string("Reinitialize"), velGet(video, Value::string("Video")));
    velPerform(video, Value::string("Draw"), Value());
    velPerform(video, Value::string("Start"), Value());
    playing_ = true;
}

void MainForm::stopVideo()
{
    if (!playing_)
        return;
    playing_ = false;
    const Value video = findControl(Value::string("VantaVideo"));
    velPerform(video, Value::string("Stop"), Value());
    // A stopped movie keeps its picture on top; closed, it gives its place to the still picture.
    velPerform(video, Value::string("Uninitialize"), Value());
    showStill();
}

void MainForm::showStill()
{
    Value still = findControl(Value::string("VantaVideoBmp"));
    if (!still.is(Tag::Control))
        return;
    velPut(still, Value::string("Hidden"), Value::integer(0));
    velPerform(still, Value::string("Draw"), Value());
}

void MainForm::mouseDown(int32_t x, int32_t y)
{
    Value target = controlAt(x, y);
    if (playing_ && (target.isNil() || target == findControl(Value::string("VantaVideo")))) {
        stopVideo();
        return;
    }
    Named::mouseDown(x, y);
}

void MainForm::keyDown(int32_t keyCode, int32_t flags)
{
    if (playing_) {
        stopVideo();
        return;
    }
    Named::keyDown(keyCode, flags);
}

void MainForm::dataEvent(const Value& first, const Value& second)
{
    Value keep = self();
    Named::dataEvent(first, second);
    // Only the brand video's own end leads on: the narration's end, or a button's sound, must not
    // start the narration again.
    auto* video = dynamic_cast<VideoView*>(asControl(findControl(Value::string("VantaVideo"))));
    List* notice = asList(first);
    if (!playing_ || !video || !notice || notice->count() < 2 || notice->get(0).object() != video->movie().object())
        return;
    const std::string_view what = textOf(notice->get(1));
    if (what != "ended" && what != "aborted")
        return;
    stopVideo();
    engine().clock().sleep(kPauseBeforeNarration);
    narrate(false);
}

} // namespace vel
