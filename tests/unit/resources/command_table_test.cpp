#include "resources/command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace vexa {
namespace {

struct Expected {
    int32_t id;
    const char* text;
    MenuId menu;
};

// The menu as the user sees it, written out item by item.
const std::vector<Expected> kExpectedMenu = {
    {24332, "&Open...", MenuId::File},
    {24333, "&Save...", MenuId::File},
    {24334, "Save as &Tiff file...", MenuId::File},
    {24335, "S&ave as FITS file...", MenuId::File},
    {24336, "&Quick Save as FITS...\tCtl+Q ", MenuId::File},
    {24337, "Load next &Autosaved File  \tCtl+A ", MenuId::File},
    {13, "&Delete File...", MenuId::File},
    {19, "&Load/Edit AutoSave FITS text", MenuId::File},
    {104, "Select Dark &Frame...", MenuId::File},
    {122, "Select Flatfield File...", MenuId::File},
    {121, "Set Program Defa&ults", MenuId::File},
    {12, "TQ4 Camera &Interface\tCTL+Z", MenuId::File},
    {21, "Pic&k Guide Star\tCTL+K", MenuId::File},
    {25, "Focus Frame Centre", MenuId::File},
    {26, "Default Focus Frame Centre", MenuId::File},
    {22, "Start Auto-Guiding", MenuId::File},
    {23, "Train Auto-Guiding", MenuId::File},
    {24, "Telescope &Control", MenuId::File},
    {114, "P&rint setup...", MenuId::File},
    {116, "&Print...", MenuId::File},
    {24310, "E&xit", MenuId::File},
    {9, "&Undo Last Filter", MenuId::Edit},
    {17999, "&Copy\tShift+Ins", MenuId::Edit},
    {24324, "Set Auto &Processing", MenuId::Edit},
    {301, "&Fit to window", MenuId::View},
    {303, "&Centre Image", MenuId::View},
    {118, "False Colour P&alette", MenuId::View},
    {119, "&Auto contrast stretch image", MenuId::View},
    {123, "Max Palette Stretch", MenuId::View},
    {302, "&Mirror Image", MenuId::View},
    {14, "&Photometry of Image", MenuId::View},
    {15, "3-D &Intensity Plot", MenuId::View},
    {16, "Intensity Plot of Current R&ow", MenuId::View},
    {17, "Processing &History", MenuId::View},
    {20, "&Show/Edit Current Image FITS details", MenuId::View},
    {8, "&Label", MenuId::Label},
    {1, "&Normal Stretch", MenuId::Contrast},
    {2, "&Power Law Stretch", MenuId::Contrast},
    {101, "&Sine Law Stretch", MenuId::Contrast},
    {120, "&Remove Background ", MenuId::Contrast},
    {117, "N&on-Linear Stretch", MenuId::Contrast},
    {102, "&Logarithmic Stretch", MenuId::Contrast},
    {103, "&Antilogarithmic Stretch", MenuId::Contrast},
    {105, "&Invert image to Negative", MenuId::Contrast},
    {106, "&Unsharp masking HPF", MenuId::Filters},
    {107, "&High Pass, Low Power", MenuId::Filters},
    {108, "High Pass, High &Power", MenuId::Filters},
    {109, "&Smoother/Sharper Filter", MenuId::Filters},
    {3, "&Median Filter - Noise Reduction", MenuId::Filters},
    {4, "&Gaussian Smoother Filter", MenuId::Filters},
    {5, "Low Pass &Weighted Mean &Smoother", MenuId::Filters},
    {7, "&Bas Relief Generator", MenuId::Filters},
    {18, "Gradient &Filter", MenuId::Filters},
    {110, "&Subtract Image (Dark Frame)", MenuId::Merging},
    {115, "Apply &Flat Field", MenuId::Merging},
    {111, "Merge two Images &together", MenuId::Merging},
    {6, "&Histogram", MenuId::Histogram},
    {112, "Help in using Vexa_Q4_USB", MenuId::Help},
    {113, "About Vexa_Q4_USB", MenuId::Help},
};

TEST(CommandTableTest, EveryItemHasItsIdTextAndMenuInMenuOrder) {
    const auto table = CommandTable();
    ASSERT_EQ(table.size(), kExpectedMenu.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].id, kExpectedMenu[i].id) << "item " << i;
        EXPECT_EQ(std::string(table[i].menuText), kExpectedMenu[i].text) << table[i].id;
        EXPECT_EQ(table[i].menu, kExpectedMenu[i].menu) << table[i].id;
    }
}

TEST(CommandTableTest, KeyHintsAreRealTabsAndTrailingBlanksKept) {
    EXPECT_EQ(FindCommand(24337)->menuText,
              "Load next &Autosaved File  \x09"
              "Ctl+A ");
    EXPECT_EQ(FindCommand(120)->menuText.back(), ' ');
    EXPECT_EQ(FindCommand(17999)->menuText.find('\t'), 5u);
}

TEST(CommandTableTest, IdsAreUniqueAndFoundByLookup) {
    std::set<int32_t> ids;
    for (const CommandEntry& entry : CommandTable()) {
        EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
        ASSERT_NE(FindCommand(entry.id), nullptr);
        EXPECT_EQ(FindCommand(entry.id)->menuText, entry.menuText);
        const std::set<std::string> folders = {"app", "files", "processing", "camera", "telescope"};
        EXPECT_TRUE(folders.count(std::string(entry.owner))) << entry.id;
    }
    EXPECT_EQ(FindCommand(0), nullptr);
    EXPECT_EQ(FindCommand(9999), nullptr);
    EXPECT_FALSE(CommandTable().front().separatorBefore);
}

TEST(CommandTableTest, OwnersOfTheSpineCommands) {
    EXPECT_EQ(FindCommand(21)->owner, "app");
    EXPECT_EQ(FindCommand(12)->owner, "camera");
    EXPECT_EQ(FindCommand(22)->owner, "telescope");
    EXPECT_EQ(FindCommand(9)->owner, "processing");
    EXPECT_EQ(FindCommand(24332)->owner, "files");
}

TEST(CommandTableTest, MenuBarInOrderWithTheTwoTopLevelItems) {
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"&File", 0},     {"&Edit", 0},    {"&View", 0},      {"&Label", 8}, {"&Contrast", 0},
        {"Filter&s ", 0}, {"&Merging", 0}, {"&Histogram", 6}, {"Help", 0}};
    const auto bar = MenuBar();
    ASSERT_EQ(bar.size(), expected.size());
    for (size_t i = 0; i < bar.size(); ++i) {
        EXPECT_EQ(std::string(bar[i].text), expected[i].first);
        EXPECT_EQ(bar[i].commandId, expected[i].second);
        EXPECT_EQ(static_cast<size_t>(bar[i].id), i);
    }
}

TEST(CommandTableTest, AcceleratorsAndLetterCase) {
    struct Key {
        KeyModifier modifier;
        char key;
        int32_t id;
    };
    const std::vector<Key> expected = {
        {KeyModifier::Ctrl, 'Z', 12},    {KeyModifier::Alt, 'X', 24310},
        {KeyModifier::Ctrl, 'H', 6},     {KeyModifier::Ctrl, 'L', 8},
        {KeyModifier::Ctrl, 'Q', 24336}, {KeyModifier::Ctrl, 'A', 24337},
        {KeyModifier::Ctrl, 'K', 21}};
    ASSERT_EQ(AcceleratorTable().size(), expected.size());
    for (const Key& k : expected) {
        const AcceleratorEntry* upper = FindAccelerator(k.modifier, k.key);
        const AcceleratorEntry* lower = FindAccelerator(k.modifier, char(k.key - 'A' + 'a'));
        ASSERT_NE(upper, nullptr) << k.key;
        EXPECT_EQ(upper->commandId, k.id);
        EXPECT_EQ(lower, upper);
    }
    EXPECT_EQ(FindAccelerator(KeyModifier::Ctrl, 'X'), nullptr);
    EXPECT_EQ(FindAccelerator(KeyModifier::Alt, 'Z'), nullptr);
    for (const AcceleratorEntry& entry : AcceleratorTable()) {
        EXPECT_NE(entry.commandId, 17999);  // Copy shows Shift+Ins but has no accelerator
        EXPECT_NE(FindCommand(entry.commandId), nullptr);
    }
}

}  // namespace
}  // namespace vexa
