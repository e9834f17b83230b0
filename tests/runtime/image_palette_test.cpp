// Palettes as data: static colours, separation from them, copies and the system palette.
#include <gtest/gtest.h>

#include "runtime/palette.h"
#include "support/error_capture.h"

namespace vel {
namespace {

class PaletteTest : public testing_support::ErrorCheckedTest {};

TEST_F(PaletteTest, ProgramEntriesMatchingAStaticColourMoveTheirBlueByOneTowardTheMiddle)
{
    Value v = Palette::make();
    Palette* p = v.as<Palette>();
    for (int i = 0; i < Palette::kSize; ++i)
        p->entries[i] = PaletteEntry{static_cast<uint8_t>(i), 77, 33, 0}; // no static colour among them
    EXPECT_FALSE(p->separateFromStaticColours());

    const auto& statics = staticColours();
    for (std::size_t i = 0; i < statics.size(); ++i)
        p->entries[20 + i] = statics[i];
    p->entries[50] = PaletteEntry{0, 0, 0, 4};   // black with flags, which stay
    p->entries[60] = PaletteEntry{0, 0, 129, 0}; // near a static colour but not one
    p->entries[3] = PaletteEntry{128, 128, 0, 0}; // static entries keep their colours
    EXPECT_TRUE(p->separateFromStaticColours());
    for (std::size_t i = 0; i < statics.size(); ++i) {
        const PaletteEntry& e = p->entries[20 + i];
        EXPECT_EQ(e.red, statics[i].red);
        EXPECT_EQ(e.green, statics[i].green);
        EXPECT_EQ(e.blue, statics[i].blue < 129 ? statics[i].blue + 1 : statics[i].blue - 1) << i;
    }
    EXPECT_EQ(p->entries[50].blue, 1);
    EXPECT_EQ(p->entries[50].flags, 4);
    EXPECT_EQ(p->entries[60].blue, 129);
    EXPECT_EQ(p->entries[3].blue, 0);
    EXPECT_FALSE(p->separateFromStaticColours()) << "separated once, nothing matches any more";
}

TEST_F(PaletteTest, CopiesAreSeparatedAndIndependent)
{
    Value v = Palette::make();
    v.as<Palette>()->entries[20] = PaletteEntry{255, 0, 0, 0};
    v.as<Palette>()->entries[21] = PaletteEntry{1, 2, 3, 5};
    Value copy = Palette::copy(v);
    ASSERT_TRUE(copy.is(Tag::Palette));
    EXPECT_EQ(copy.as<Palette>()->entries[20].blue, 1);
    EXPECT_EQ(v.as<Palette>()->entries[20].blue, 0) << "the original is untouched";
    copy.as<Palette>()->entries[21].red = 99;
    EXPECT_EQ(v.as<Palette>()->entries[21].red, 1);
    EXPECT_TRUE(Palette::copy(Value::integer(1)).isNil());
    EXPECT_EQ(copy.as<Palette>()->pixel(21), 0xFF630203u);
}

TEST_F(PaletteTest, TheSystemPaletteHasTheStaticColoursAtBothEndsAndTakesAPicturesColours)
{
    const auto& statics = staticColours();
    Value system = Palette::fromSystemPalette();
    const Palette* p = system.as<Palette>();
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(p->entries[i].sameColour(statics[i])) << i;
        EXPECT_TRUE(p->entries[246 + i].sameColour(statics[10 + i])) << i;
    }
    EXPECT_EQ(p->entries[10].blue, 1) << "program entries start black, separated";

    Value picture = Palette::make();
    for (int i = 0; i < Palette::kSize; ++i)
        picture.as<Palette>()->entries[i] = PaletteEntry{static_cast<uint8_t>(i), 10, 20, 0};
    realizeInSystemPalette(*picture.as<Palette>());
    Value after = Palette::fromSystemPalette();
    EXPECT_EQ(after.as<Palette>()->entries[100].red, 100);
    EXPECT_TRUE(after.as<Palette>()->entries[0].sameColour(statics[0])) << "static entries stay";
    realizeInSystemPalette(*Palette::make().as<Palette>());
}

} // namespace
} // namespace vel
