// Where the time goes with 5,000 contacts on each side (run by hand, see
// docs/guide or the README): start-up to both lists shown, its parts, and a
// two-way run with 10 % differing pairs under a standing rule.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "src/resource.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(Timing, DISABLED_FiveThousandEachSide) {
    const int n = 5000;
    std::vector<Contact> palm, outlook;
    for (int i = 0; i < n; ++i) {
        Contact c{"First" + std::to_string(i), "Last" + std::to_string(i),
                  "p" + std::to_string(i) + "@example.com", "Company " + std::to_string(i % 50),
                  "555-" + std::to_string(1000 + i), std::to_string(i) + " Main Street"};
        palm.push_back(c);
        if (i % 10 == 0) c.workPhone = "556-" + std::to_string(1000 + i);  // 10 % differ
        outlook.push_back(c);
    }
    World world;
    auto t = std::chrono::steady_clock::now();
    world.AddPalmUser(1, "Timing", palm);
    world.SetOutlook(outlook);
    world.SetSetting("ConfAction", "1");
    printf("set-up (not counted): %.2f s\n", Seconds(t));

    t = std::chrono::steady_clock::now();
    TfmMain& main = world.Start();
    printf("start to both lists shown: %.2f s (%d and %d rows)\n", Seconds(t),
           Rows(main.GetPalmList()), Rows(main.GetOutlookList()));

    t = std::chrono::steady_clock::now();
    main.GetPalmSide()->LoadByUser(1);
    printf("  Palm Desktop load: %.2f s\n", Seconds(t));
    t = std::chrono::steady_clock::now();
    main.GetOutlookSide()->Reload();
    printf("  Outlook load: %.2f s\n", Seconds(t));
    t = std::chrono::steady_clock::now();
    main.FillPalmList(false);
    main.FillOutlookList(false);
    printf("  filling both lists: %.2f s\n", Seconds(t));
    t = std::chrono::steady_clock::now();
    main.MarkLists();
    printf("  marking: %.2f s\n", Seconds(t));
    t = std::chrono::steady_clock::now();
    main.FirstLoad();
    printf("  first load again (new sides, Outlook session, loads, lists, marks): %.2f s\n",
           Seconds(t));

    CheckRadioButton(main.GetListPage(), IDC_RBTNADDRP2O, IDC_RBTNADDRSYNC, IDC_RBTNADDRSYNC);
    t = std::chrono::steady_clock::now();
    main.RunSync();
    printf("two-way run, Palm Desktop wins: %.2f s\n", Seconds(t));
    ASSERT_EQ(world.messages.size(), 1u);
    printf("  %s\n", world.messages[0].text.c_str());
    t = std::chrono::steady_clock::now();
    main.RunSync();
    printf("the same run again, nothing to write (matching only): %.2f s\n", Seconds(t));
    // One way with every row ticked: each write looks its record up itself.
    CheckRadioButton(main.GetListPage(), IDC_RBTNADDRP2O, IDC_RBTNADDRSYNC, IDC_RBTNADDRP2O);
    main.SetAllChecks(main.GetPalmList(), true);
    t = std::chrono::steady_clock::now();
    main.RunSync();
    printf("Palm Desktop to Outlook, all %d rows ticked, nothing to write: %.2f s\n",
           Rows(main.GetPalmList()), Seconds(t));
    t = std::chrono::steady_clock::now();
    main.GetPalmSide()->Save();
    printf("  Palm Desktop save: %.2f s\n", Seconds(t));
    t = std::chrono::steady_clock::now();
    world.Stop();
    printf("shutdown (Outlook file written): %.2f s\n", Seconds(t));
}

}  // namespace
