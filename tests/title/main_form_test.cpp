#include <gtest/gtest.h>

#include "nav_test_support.h"
#include "runtime/event_queue.h"
#include "title/main_form.h"

namespace vel::testing_support {

namespace {

constexpr std::pair<const char*, const char*> kSections[] = {
    {"Verbetes", "VerbHForm"},       {"Midias", "JMidiaHForm"},     {"Atlas", "AtlasHForm"},
    {"BancoDeDados", "BDadosHForm"}, {"LinhaDoTempo", "TimeHForm"}, {"Retrospectiva", "RetroHForm"},
    {"Agenda", "AGForm"},            {"Curiosidades", "CurioHForm"},
};

class MainFormTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        std::string controls = button("VantaVideo", "(\"Hot Spot\" (rect 300 100 240 180))") +
                               button("VantaVideoBmp", "(\"Hidden\" 1)") + button("Sair");
        for (auto [name, form] : kSections) {
            controls += button(name);
            screen(form, button("GoBack"));
        }
        screen("MainForm", controls);
    }
    MainForm& main() { return dynamic_cast<MainForm&>(*current()); }
    int32_t stillHidden() { return velIntValue(velGet(current()->findControl(Value::string("VantaVideoBmp")), Value::string("Hidden"))); }
};

TEST_F(MainFormTest, TheBrandVideoPlaysOnTheFirstVisitOnlyAndAKeyOnlyStopsIt)
{
    go("MainForm");
    EXPECT_TRUE(main().videoPlaying());
    // Another sound's end (the narration's, a button's) leaves the video playing.
    main().dataEvent(parseText("(list \"som\" \"ended\")"), Value());
    EXPECT_TRUE(main().videoPlaying());
    main().keyDown('v', 0);
    EXPECT_FALSE(main().videoPlaying());
    EXPECT_EQ(stillHidden(), 0); // the still stands in for the stopped video
    EXPECT_EQ(shown(), "MainForm");
    go("VerbHForm");
    click("GoBack");
    ASSERT_EQ(shown(), "MainForm");
    EXPECT_FALSE(main().videoPlaying());
    EXPECT_EQ(stillHidden(), 0);
}

TEST_F(MainFormTest, EachSectionButtonReachesItsHomeAndSairAsksToQuit)
{
    for (auto [name, form] : kSections) {
        go("MainForm");
        click(name);
        EXPECT_EQ(shown(), form) << name;
    }
    go("MainForm");
    click("Sair");
    engine.events()->next(event_kind::CloseRequest, 0); // the first fetch is always the null event
    EXPECT_EQ(engine.events()->next(event_kind::CloseRequest, 0).kind, event_kind::CloseRequest);
    EXPECT_EQ(shown(), "MainForm");
}

} // namespace

} // namespace vel::testing_support
