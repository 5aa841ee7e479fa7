// The demo's contacts (200 + 200) through the real window: after a run,
// every row keeps its colour when the program starts again, so no row
// painted "same" turns out different after a restart.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "src/resource.h"
#include "standins/palmdesktop/PdSetup.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

// Each row as text and status, sorted: what the user sees of a list.
std::vector<std::string> Shown(HWND list) {
    std::vector<std::string> rows;
    for (int i = 0; i < Rows(list); ++i) {
        std::string row;
        for (int c = 0; c < 8; ++c) row += CellText(list, i, c) + "|";
        rows.push_back(row + std::to_string(RecordAt(list, i)->m_nStatus));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Closes the window and starts it again: both lists as the window showed them.
void ExpectRestartShowsTheSame(World& world, TfmMain& main) {
    const std::vector<std::string> palmAfter = Shown(main.GetPalmList());
    const std::vector<std::string> outlookAfter = Shown(main.GetOutlookList());
    world.Stop();
    TfmMain& again = world.Start();
    EXPECT_EQ(Shown(again.GetPalmList()), palmAfter);
    EXPECT_EQ(Shown(again.GetOutlookList()), outlookAfter);
    world.Stop();
}

TEST(DemoRun, RowsKeepTheirColourAcrossARestart) {
    struct Case {
        const char* name;
        int mode;
        const char* confAction;
    };
    const Case cases[] = {
        {"Palm Desktop to Outlook", IDC_RBTNADDRP2O, "3"},
        {"Outlook to Palm Desktop", IDC_RBTNADDRO2P, "3"},
        {"Synchronize All, Palm Desktop wins", IDC_RBTNADDRSYNC, "1"},
        {"Synchronize All, Outlook wins", IDC_RBTNADDRSYNC, "2"},
    };
    const std::vector<CommAddr> palm = pdsetup::MakeContacts(1, 200);
    const std::vector<CommAddr> outlook = pdsetup::MakeOutlookContacts(palm, 1, 200);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        world.AddPalmUserRecords(1, "Demo", palm);
        world.SetOutlookRecords(outlook);
        world.SetSetting("ConfAction", c.confAction);
        TfmMain& main = world.Start();
        Click(main, c.mode);  // ticks the differing rows of the list it copies from
        Click(main, IDC_BTNADDRSTART);
        ASSERT_EQ(world.messages.size(), 1u);
        EXPECT_EQ(world.messages[0].text.find("Contact information synchronized successfully."), 0u)
            << world.messages[0].text;
        ExpectRestartShowsTheSame(world, main);
    }
}

// Randomized contacts (emptied fields, company-only contacts, keys in
// other letter cases, non-ASCII texts) through the window and the
// stand-in Outlook: the same run again writes nothing, and a restart
// lists every row as the runs left it.
TEST(DemoRun, SecondRunWritesNothingOverRandomContacts) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        std::vector<CommAddr> palm = pdsetup::MakeContacts(seed, 1 + pick(30));
        std::vector<CommAddr> outlook = pdsetup::MakeOutlookContacts(palm, seed, 1 + pick(30));
        for (auto* side : {&palm, &outlook})
            for (CommAddr& r : *side) {
                for (int32_t id : {FID_COMPANY, FID_WORK_PHONE, FID_HOME_PHONE, FID_TITLE, FID_NOTE})
                    if (pick(3) == 0) SetFieldText(r, id, "");
                if (pick(8) == 0)
                    for (int32_t id : {FID_FIRST_NAME, FID_LAST_NAME, FID_EMAIL}) SetFieldText(r, id, "");
                if (pick(6) == 0) SetFieldText(r, FID_TITLE, "D\xE9veloppeur \xFC");
                if (side == &outlook && pick(5) == 0)
                    for (char* c = r.m_szLastName; *c; ++c) *c = static_cast<char>(toupper(*c));
            }
        const int modes[] = {IDC_RBTNADDRP2O, IDC_RBTNADDRO2P, IDC_RBTNADDRSYNC};
        const int mode = modes[pick(3)];
        SCOPED_TRACE(testing::Message() << "seed " << seed << " mode " << mode);
        World world;
        world.AddPalmUserRecords(1, "Demo", palm);
        world.SetOutlookRecords(outlook);
        world.SetSetting("ConfAction", pick(2) ? "1" : "2");
        TfmMain& main = world.Start();
        for (int run = 0; run < 2; ++run) {
            world.messages.clear();
            Click(main, mode);
            if (mode != IDC_RBTNADDRSYNC)
                Click(main, mode == IDC_RBTNADDRP2O ? IDC_BTNADDRPDALL : IDC_BTNADDROLALL);
            Click(main, IDC_BTNADDRSTART);
            ASSERT_EQ(world.messages.size(), 1u);
            EXPECT_EQ(world.messages[0].text.find("Contact information synchronized successfully."), 0u)
                << world.messages[0].text;
            if (run == 1)
                EXPECT_EQ(world.messages[0].text.find("Contact information synchronized successfully. 0 records"), 0u)
                    << world.messages[0].text;
        }
        ExpectRestartShowsTheSame(world, main);
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
