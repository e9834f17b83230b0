#include "title/internet_open.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "runtime/config_test_support.h"

namespace vel {
namespace {

using testing_support::ConfiguredTest;

class InternetOpenTest : public ConfiguredTest {
protected:
    void SetUp() override
    {
        ConfiguredTest::SetUp();
        // A browser that writes each argument it was given on a line of its own.
        fake = disc.write("navegador", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$0.args\"; done\n");
        std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
        choice.directory = disc.path();
        choice.shortcutName = "ORVATMP.URL";
        choice.wait = true;
    }
    // Leaves behind what an older run would have.
    void staleFiles()
    {
        disc.write("ORVATMP.URL", "[InternetShortcut]\nURL=http://antigo/\n");
        disc.write("ORVA.htm", "<html></html>");
    }
    bool temporaryFilesRemain() const
    {
        return std::filesystem::exists(disc / "ORVATMP.URL") || std::filesystem::exists(disc / "ORVA.htm");
    }
    std::string fake;
    BrowserChoice choice;
};

TEST_F(InternetOpenTest, TheAddressReachesTheBrowserAsOneArgumentAndNoTemporaryFileRemains)
{
    const std::string hostile = "https://exemplo.org/a;rm${IFS}x;$(touch${IFS}pwned)'\"`id`\"";
    const struct {
        const char* association; // "fake": the fake browser; else a program that is not there
        const char* browser;
        std::string url;
        BrowserOutcome outcome;
        std::string received;
    } cases[] = {
        {"fake", "", hostile, BrowserOutcome::Association, hostile + "\n"},
        {"/nao/existe/xdg-open", "fake", hostile, BrowserOutcome::Browser, hostile + "\n"},
        {"/nao/existe/xdg-open", "fake", "file:/tmp/pagina.htm", BrowserOutcome::Browser, "/tmp/pagina.htm\n"},
        {"/nao/existe/xdg-open", "/nao/existe/navegador", hostile, BrowserOutcome::None, ""},
        {"fake", "fake", "--version", BrowserOutcome::Refused, ""},
        {"fake", "fake", "file:--help", BrowserOutcome::Refused, ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(fake + ".args");
        staleFiles();
        choice.association = std::string(c.association) == "fake" ? fake : c.association;
        choice.browser = std::string(c.browser) == "fake" ? fake : c.browser;
        EXPECT_EQ(openAddress(c.url, choice), c.outcome) << c.url;
        EXPECT_EQ(disc.read("navegador.args"), c.received) << c.url;
        EXPECT_EQ(temporaryFilesRemain(), c.outcome == BrowserOutcome::Refused) << c.url;
    }
    EXPECT_FALSE(std::filesystem::exists(disc / "pwned"));
}

TEST_F(InternetOpenTest, TheAssociationForgetsTheBrowserAndNeitherShowsTheMessage)
{
    // The disc keeps its home page in the global table; a setting wins over it.
    config().putGlobal("URLHomePage", Value::string("https://pt.wikipedia.org/"));
    EXPECT_EQ(homePageAddress(engine), "https://pt.wikipedia.org/");
    config().set("URLHomePage", Value::string("https://exemplo.org/"));
    EXPECT_EQ(homePageAddress(engine), "https://exemplo.org/");
    config().putGlobal("MsgNoBrowserInstalled", Value::string("Nenhum navegador instalado."));
    config().set("WebBrowser", Value::string("/nao/existe/navegador"), true);
    choice.association = "/nao/existe/xdg-open";
    choice.browser = "/nao/existe/navegador";
    EXPECT_FALSE(openHomePage(engine, "https://exemplo.org/", choice));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "Nenhum navegador instalado.");
    choice.association = fake;
    EXPECT_TRUE(openHomePage(engine, "https://exemplo.org/", choice));
    EXPECT_EQ(textOf(config().get("WebBrowser")), "");
    EXPECT_EQ(notices.size(), 1u);
}

} // namespace
} // namespace vel
