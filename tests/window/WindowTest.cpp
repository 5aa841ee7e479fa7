// The real main window over the stand-in installations, driven by messages.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

#include "common/misc/CxText.h"
#include "src/ConfAlertDialog.h"
#include "src/resource.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

const Contact kFayPalm{"Fay", "Fox", "fay@example.com", "", "", "1 Palm Road"};
const Contact kFayOutlook{"Fay", "Fox", "fay@example.com", "", "", "2 Outlook Avenue"};

const char* const kDone = "Contact information synchronized successfully. %d records updated.";

std::string DoneText(int n) {
    char text[128];
    snprintf(text, sizeof(text), kDone, n);
    return text;
}

// Palm: Ann (same), Bob (different), Cid (Palm only), Dee (no email, same).
// Outlook: Ann, Bob, Eve (Outlook only), Dee.
class MainWindowTest : public ::testing::Test {
protected:
    World world;

    void SetUp() override {
        world.AddPalmUser(1, "Alice", {kAnn, kBobPalm, kCid, kDee});
        world.SetOutlook({kAnn, kBobOutlook, kEve, kDee});
    }

    static int RowOf(HWND list, const char* first) {
        for (int i = 0; i < Rows(list); ++i)
            if (CellText(list, i, 0) == first) return i;
        return -1;
    }
    static std::string TickedNames(HWND list) {
        std::string out;
        for (int i = 0; i < Rows(list); ++i)
            if (Ticked(list, i)) out += CellText(list, i, 0) + " ";
        return out;
    }
    static const CommAddr* Find(const std::vector<CommAddr>& recs, const char* first) {
        for (const CommAddr& r : recs)
            if (strcmp(r.m_szFirstName, first) == 0) return &r;
        return nullptr;
    }
};

TEST_F(MainWindowTest, StartupListsBothSidesColouredByStatus) {
    TfmMain& main = world.Start();
    EXPECT_TRUE(world.messages.empty());
    HWND pd = main.GetPalmList(), ol = main.GetOutlookList();
    ASSERT_EQ(Rows(pd), 4);
    ASSERT_EQ(Rows(ol), 4);

    struct Case {
        HWND list;
        const char* first;
        int32_t status;
        COLORREF colour;
    } cases[] = {
        {pd, "Ann", STATUS_SAME, 0},          {pd, "Bob", STATUS_DIFF, 0xFF0000},
        {pd, "Cid", STATUS_NEW, 0x008000},    {pd, "Dee", STATUS_SAME, 0},
        {ol, "Ann", STATUS_SAME, 0},          {ol, "Bob", STATUS_DIFF, 0xFF0000},
        {ol, "Eve", STATUS_NEW, 0x008000},    {ol, "Dee", STATUS_SAME, 0},
    };
    for (const Case& c : cases) {
        int row = RowOf(c.list, c.first);
        ASSERT_GE(row, 0) << c.first;
        const CommAddr* rec = RecordAt(c.list, row);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec->m_nStatus, c.status) << c.first;
        EXPECT_EQ(main.RowColor(rec), c.colour) << c.first;
        EXPECT_FALSE(Ticked(c.list, row)) << "the first load ticks nothing";
    }
    int bob = RowOf(pd, "Bob");
    EXPECT_EQ(CellText(pd, bob, 1), "Baker");
    EXPECT_EQ(CellText(pd, bob, 2), "bob@example.com");
    EXPECT_EQ(CellText(pd, bob, 3), "555-0002");
    EXPECT_EQ(CellText(pd, bob, 6), "Palm Co");
    EXPECT_EQ(CellText(ol, RowOf(ol, "Bob"), 6), "Outlook Co");
    EXPECT_EQ(SendMessageA(pd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

    // The user box: the one user, its id taken for "PDUserID" 0.
    HWND box = GetDlgItem(main.GetListPage(), IDC_CBADDRUSER);
    EXPECT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(box, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(main.Settings().nPDUserID, 1);

    // The history page is there but takes no input; the view menu follows the page.
    EXPECT_FALSE(IsWindowEnabled(main.GetHistoryPage().GetWindow()));
    HMENU menu = GetMenu(main.GetHandle());
    EXPECT_EQ(GetMenuState(menu, IDM_VIEWLIST, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    SendMessageA(main.GetHandle(), WM_COMMAND, IDM_VIEWHISTORY, 0);
    EXPECT_EQ(main.GetActivePage(), TfmMain::PAGE_HISTORY);
    EXPECT_EQ(GetMenuState(menu, IDM_VIEWHISTORY, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(menu, IDM_VIEWLIST, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_TRUE(GetWindowLongPtrA(main.GetHistoryPage().GetWindow(), GWL_STYLE) & WS_VISIBLE);

    // Shutdown writes every setting but "SyncMode".
    world.Stop();
    std::string ini = vt_test::ReadText(world.SettingsFile());
    EXPECT_NE(ini.find("PDUserID=1"), std::string::npos);
    EXPECT_NE(ini.find("AddrType=1"), std::string::npos);
    EXPECT_EQ(ini.find("SyncMode"), std::string::npos);
}

// The contacts page position of a control.
RECT PageRect(TfmMain& main, HWND control) {
    RECT rc;
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, main.GetListPage(), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

TEST_F(MainWindowTest, SplitterDragsTheBoundaryBetweenTheLists) {
    TfmMain& main = world.Start();
    HWND page = main.GetListPage(), pd = main.GetPalmList(), ol = main.GetOutlookList();
    auto mouse = [page](UINT msg, int x, int y) {
        SendMessageA(page, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
    };
    const RECT left0 = PageRect(main, pd), right0 = PageRect(main, ol);
    const int gap = right0.left - left0.right;
    ASSERT_GT(gap, 2);
    const int y = (left0.top + left0.bottom) / 2;
    const int total = right0.right - left0.left;

    struct Step {
        const char* name;
        int pressX;      // where the button goes down
        int moveBy;      // how far the pointer moves
        int expectLeft;  // the Palm Desktop list's width afterwards (-1: unchanged)
    };
    const int split = left0.right + gap / 2;
    const int width0 = left0.right - left0.left;
    const Step steps[] = {
        {"drag right", split, 100, width0 + 100},
        {"drag back left", split + 100, -150, width0 - 50},
        {"press beside the splitter does nothing", split - 50 - gap, 200, width0 - 50},
        {"the Palm Desktop list keeps its minimum", split - 50, -5000, 120},
        {"the Outlook list keeps its minimum", left0.left + 120 + gap / 2, 5000, total - gap - 120},
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(st.name);
        mouse(WM_LBUTTONDOWN, st.pressX, y);
        mouse(WM_MOUSEMOVE, st.pressX + st.moveBy, y);
        mouse(WM_LBUTTONUP, st.pressX + st.moveBy, y);
        const RECT l = PageRect(main, pd), r = PageRect(main, ol);
        EXPECT_EQ(l.right - l.left, st.expectLeft);
        EXPECT_EQ(r.left - l.right, gap);
        EXPECT_EQ(r.right, right0.right);
        EXPECT_EQ(l.left, left0.left);
    }
    // Moving without a press moves nothing.
    const RECT before = PageRect(main, pd);
    mouse(WM_MOUSEMOVE, before.right - 300, y);
    EXPECT_EQ(PageRect(main, pd).right, before.right);

    // A wider window keeps the share: put the splitter at the middle first.
    mouse(WM_LBUTTONDOWN, before.right + gap / 2, y);
    mouse(WM_MOUSEMOVE, left0.left + (total - gap) / 4 + gap / 2, y);
    mouse(WM_LBUTTONUP, left0.left + (total - gap) / 4 + gap / 2, y);
    RECT wr;
    GetWindowRect(main.GetHandle(), &wr);
    SetWindowPos(main.GetHandle(), nullptr, 0, 0, wr.right - wr.left + 400, wr.bottom - wr.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    const RECT l = PageRect(main, pd), r = PageRect(main, ol);
    EXPECT_NEAR(static_cast<double>(l.right - l.left) / (r.right - l.left - gap), 0.25, 0.01);
}

// Every control of the contacts page inside the page and clear of the
// others, at the narrowest window, the first size and a wide one, with the
// splitter anywhere.
TEST_F(MainWindowTest, ContactsPageControlsStayOnThePageAndApart) {
    TfmMain& main = world.Start();
    HWND page = main.GetListPage();
    MINMAXINFO mm = {};
    SendMessageA(main.GetHandle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    RECT wr;
    GetWindowRect(main.GetHandle(), &wr);
    const int widths[] = {static_cast<int>(mm.ptMinTrackSize.x), wr.right - wr.left, 1600};
    for (int width : widths) {
        SetWindowPos(main.GetHandle(), nullptr, 0, 0, width, wr.bottom - wr.top, SWP_NOMOVE | SWP_NOZORDER);
        const RECT l = PageRect(main, main.GetPalmList());
        const int y = (l.top + l.bottom) / 2;
        for (int dragTo : {-5000, 0, 5000}) {
            SCOPED_TRACE(std::to_string(width) + " wide, splitter moved by " + std::to_string(dragTo));
            const RECT now = PageRect(main, main.GetPalmList());
            SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(now.right + 1, y));
            SendMessageA(page, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(now.right + 1 + dragTo, y));
            SendMessageA(page, WM_LBUTTONUP, 0, MAKELPARAM(now.right + 1 + dragTo, y));
            RECT client;
            GetClientRect(page, &client);
            std::vector<std::pair<int, RECT>> controls;
            for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                controls.push_back({GetDlgCtrlID(c), PageRect(main, c)});
            ASSERT_GE(controls.size(), 17u);
            for (size_t i = 0; i < controls.size(); ++i) {
                const RECT& a = controls[i].second;
                EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right && a.bottom <= client.bottom)
                    << "control " << controls[i].first << " leaves the page";
                for (size_t j = i + 1; j < controls.size(); ++j) {
                    RECT both;
                    EXPECT_FALSE(IntersectRect(&both, &a, &controls[j].second))
                        << "controls " << controls[i].first << " and " << controls[j].first << " overlap";
                }
            }
        }
    }
}

TEST_F(MainWindowTest, RowsAreDrawnInTheColourOfTheirStatus) {
    world.SetSetting("DiffColor", "255");
    world.SetSetting("NewColor", "65280");
    TfmMain& main = world.Start();
    HWND pd = main.GetPalmList();
    auto draw = [&](DWORD stage, const CommAddr* rec) {
        NMLVCUSTOMDRAW cd = {};
        cd.nmcd.hdr.hwndFrom = pd;
        cd.nmcd.hdr.idFrom = IDC_LVPDADDR;
        cd.nmcd.hdr.code = NM_CUSTOMDRAW;
        cd.nmcd.dwDrawStage = stage;
        cd.nmcd.lItemlParam = reinterpret_cast<LPARAM>(rec);
        cd.clrText = 0x123456;
        LRESULT r = main.OnNotify(&cd.nmcd.hdr);
        return std::make_pair(r, cd.clrText);
    };
    EXPECT_EQ(draw(CDDS_PREPAINT, nullptr).first, CDRF_NOTIFYITEMDRAW);
    struct Case {
        const char* first;
        COLORREF colour;
    } const cases[] = {{"Ann", 0}, {"Bob", 255}, {"Cid", 65280}};
    for (const Case& c : cases) {
        auto [result, colour] = draw(CDDS_ITEMPREPAINT, RecordAt(pd, RowOf(pd, c.first)));
        EXPECT_EQ(result, CDRF_DODEFAULT) << c.first;
        EXPECT_EQ(colour, c.colour) << c.first;
    }
    main.Settings().bShowColor = false;
    EXPECT_EQ(draw(CDDS_ITEMPREPAINT, RecordAt(pd, RowOf(pd, "Bob"))).second, 0u);
}

TEST_F(MainWindowTest, HistoryFromAnEarlierRunIsListedNewestFirst) {
    {
        SyncHistoryMgr earlier;
        const struct {
            const char* text;
            double start, end;
            int32_t count;
        } entries[] = {{"first", 0.0, 0.0, 1},
                       {"second", 43832.5, 43832.5 + 61.0 / 86400, 2},
                       {"third", 44197.25, 44197.25, 3}};
        for (const auto& e : entries) {
            SyncHistoryEntry entry;
            memset(&entry, 0, sizeof entry);
            CxCopyText(entry.szDescription, e.text);
            entry.dtStart = e.start;
            entry.dtEnd = e.end;
            entry.nRecordCount = e.count;
            earlier.AddEntry(&entry);
        }
        ASSERT_TRUE(earlier.Save(world.HistoryFile().c_str()));
    }
    TfmMain& main = world.Start();
    HWND lv = main.GetHistoryPage().GetList();
    ASSERT_EQ(Rows(lv), 3);
    const char* const expected[3][4] = {
        {"01/01/2021 06:00:00", "01/01/2021 06:00:00", "third", "3"},
        {"01/02/2020 12:00:00", "01/02/2020 12:01:01", "second", "2"},
        {" 00:00:00", " 00:00:00", "first", "1"},
    };
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) EXPECT_EQ(CellText(lv, row, col), expected[row][col]) << row << "," << col;
}

TEST_F(MainWindowTest, TicksFollowModesAndButtons) {
    TfmMain& main = world.Start();
    HWND pd = main.GetPalmList(), ol = main.GetOutlookList();
    Click(main, IDC_RBTNADDRP2O);
    EXPECT_EQ(TickedNames(pd), "Bob Cid ");
    EXPECT_EQ(TickedNames(ol), "");
    Click(main, IDC_BTNADDROLALL);
    EXPECT_EQ(TickedNames(ol), "Ann Bob Eve Dee ");
    Click(main, IDC_RBTNADDRO2P);  // the Palm Desktop ticks stay
    EXPECT_EQ(TickedNames(ol), "Bob Eve ");
    EXPECT_EQ(TickedNames(pd), "Bob Cid ");
    Click(main, IDC_BTNADDRPDALL);
    EXPECT_EQ(TickedNames(pd), "Ann Bob Cid Dee ");
    Click(main, IDC_BTNADDRPDCLEAR);
    EXPECT_EQ(TickedNames(pd), "");
    Click(main, IDC_BTNADDROLCLEAR);
    Click(main, IDC_BTNADDROLDIFF);
    // Synchronize All takes every row: all show ticked and stay so.
    Click(main, IDC_RBTNADDRSYNC);
    EXPECT_EQ(TickedNames(pd), "Ann Bob Cid Dee ");
    EXPECT_EQ(TickedNames(ol), "Ann Bob Eve Dee ");
    Click(main, IDC_BTNADDRPDCLEAR);
    ListView_SetCheckState(ol, 0, FALSE);  // as a click in the box would
    EXPECT_EQ(TickedNames(pd), "Ann Bob Cid Dee ");
    EXPECT_EQ(TickedNames(ol), "Ann Bob Eve Dee ");
    // Leaving the mode gives the ticks back; the mode then ticks its list by status.
    Click(main, IDC_RBTNADDRP2O);
    EXPECT_EQ(TickedNames(ol), "Bob Eve ");
    EXPECT_EQ(TickedNames(pd), "Bob Cid ");
}

TEST_F(MainWindowTest, SynchronizeAllDisablesTheTickControlsAndSaysWhy) {
    TfmMain& main = world.Start();
    const int buttons[] = {IDC_BTNADDRPDALL, IDC_BTNADDRPDDIFF, IDC_BTNADDRPDCLEAR,
                           IDC_BTNADDROLALL, IDC_BTNADDROLDIFF, IDC_BTNADDROLCLEAR};
    const UINT items[] = {IDM_LISTALL, IDM_LISTDIFF, IDM_LISTCLEAR};
    HWND line = GetDlgItem(main.GetListPage(), IDC_LBLSYNCALL);
    for (bool all : {true, false, true}) {
        SCOPED_TRACE(all);
        Click(main, all ? IDC_RBTNADDRSYNC : IDC_RBTNADDRO2P);
        for (int id : buttons) EXPECT_EQ(IsWindowEnabled(GetDlgItem(main.GetListPage(), id)) != FALSE, !all) << id;
        HMENU menu = main.PrepareListMenu();
        ASSERT_NE(menu, nullptr);
        for (UINT id : items) EXPECT_EQ((GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0, all) << id;
        EXPECT_EQ((GetMenuState(menu, IDM_LISTDETAIL, MF_BYCOMMAND) & MF_GRAYED) != 0, false);
        EXPECT_EQ((GetWindowLongA(line, GWL_STYLE) & WS_VISIBLE) != 0, all);
    }
    char text[256] = {};
    GetWindowTextA(line, text, sizeof text);
    EXPECT_STREQ(text, "All listed contacts take part in Synchronize All, ticked or not.");
}

TEST_F(MainWindowTest, PalmToOutlookWritesTickedRowsAndRecordsTheRun) {
    TfmMain& main = world.Start();
    HWND pd = main.GetPalmList(), ol = main.GetOutlookList();
    Click(main, IDC_RBTNADDRP2O);  // ticks Bob and Cid
    ListView_SetCheckState(pd, RowOf(pd, "Ann"), TRUE);
    Click(main, IDC_BTNADDRSTART);

    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text, DoneText(2));
    EXPECT_EQ(world.messages[0].caption, "Information");
    EXPECT_EQ(world.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(TickedNames(pd), "");
    // Refilled and marked again: Cid joined Outlook, Bob is equal now.
    ASSERT_EQ(Rows(ol), 5);
    for (int i = 0; i < Rows(pd); ++i) EXPECT_EQ(RecordAt(pd, i)->m_nStatus, STATUS_SAME);
    EXPECT_EQ(RecordAt(ol, RowOf(ol, "Eve"))->m_nStatus, STATUS_NEW);

    HWND hist = main.GetHistoryPage().GetList();
    ASSERT_EQ(Rows(hist), 1);
    EXPECT_EQ(CellText(hist, 0, 2), "Transfer contact information from Palm Desktop to Outlook.");
    EXPECT_EQ(CellText(hist, 0, 3), "2");
    EXPECT_EQ(CellText(hist, 0, 0).size(), 19u);  // "MM/DD/YYYY hh:mm:ss"
    EXPECT_EQ(vt_test::ReadBytes(world.HistoryFile()).size(), 4u + 162u);

    world.Stop();
    std::vector<CommAddr> outlook = world.ReadOutlook();
    ASSERT_EQ(outlook.size(), 5u);
    ASSERT_NE(Find(outlook, "Cid"), nullptr);
    EXPECT_STREQ(Find(outlook, "Bob")->m_szCompany, "Palm Co");
}

TEST_F(MainWindowTest, NothingTickedIsAnErrorWithoutHistory) {
    TfmMain& main = world.Start();
    Click(main, IDC_RBTNADDRO2P);
    Click(main, IDC_BTNADDROLCLEAR);
    const std::vector<uint8_t> before = vt_test::ReadBytes(world.PalmFile(1));
    Click(main, IDC_BTNADDRSTART);
    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text,
              "No Outlook contact record is selected.\r\n\r\nPlease select the records that you "
              "want to update to Palm Desktop.");
    EXPECT_EQ(world.messages[0].caption, "Error");
    EXPECT_EQ(world.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Rows(main.GetHistoryPage().GetList()), 0);
    EXPECT_FALSE(vt_test::Exists(world.HistoryFile()));
    EXPECT_EQ(vt_test::ReadBytes(world.PalmFile(1)), before);
}

// What the conflict dialog showed when it opened.
struct Shown {
    int action = 0;  // the checked radio button
    bool thisRun = true, always = true;
    std::string rows[2][9];
    std::string diffs;
};

Shown ReadDialog(HWND dlg) {
    Shown s;
    s.action = IsDlgButtonChecked(dlg, IDC_RBTNP2O)   ? 1
               : IsDlgButtonChecked(dlg, IDC_RBTNO2P) ? 2
               : IsDlgButtonChecked(dlg, IDC_RBTNNOTHING) ? 3
                                                          : 0;
    s.thisRun = IsDlgButtonChecked(dlg, IDC_CBTHIS) == BST_CHECKED;
    s.always = IsDlgButtonChecked(dlg, IDC_CBALL) == BST_CHECKED;
    HWND lv = GetDlgItem(dlg, IDC_CONFLVADDR);
    EXPECT_EQ(Rows(lv), 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 9; ++c) s.rows[r][c] = CellText(lv, r, c);
    char text[2048] = {};
    GetDlgItemTextA(dlg, IDC_CONFDIFFS, text, sizeof(text));
    s.diffs = text;
    return s;
}

void Answer(HWND dlg, int radio, bool thisRun, bool always, int button) {
    CheckRadioButton(dlg, IDC_RBTNP2O, IDC_RBTNNOTHING, radio);
    CheckDlgButton(dlg, IDC_CBTHIS, thisRun ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_CBALL, always ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

TEST_F(MainWindowTest, TwoWayAsksAtTheConflictAndKeepsTheStandingRule) {
    std::vector<Shown> shown;
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        shown.push_back(ReadDialog(dlg));
        Answer(dlg, IDC_RBTNP2O, false, true, IDOK);
    });
    TfmMain& main = world.Start();
    ASSERT_EQ(main.Settings().nConfAction, 3);
    Click(main, IDC_RBTNADDRSYNC);
    Click(main, IDC_BTNADDRSTART);

    ASSERT_EQ(shown.size(), 1u) << "one conflict: Bob";
    const Shown& s = shown[0];
    EXPECT_EQ(s.action, 3) << "opens on \"Do Nothing\"";
    EXPECT_FALSE(s.thisRun);
    EXPECT_FALSE(s.always);
    EXPECT_EQ(s.rows[0][0], "Palm Desktop");
    EXPECT_EQ(s.rows[1][0], "Microsoft Outlook");
    EXPECT_EQ(s.rows[0][1], "Bob");
    EXPECT_EQ(s.rows[0][3], "bob@example.com");
    EXPECT_EQ(s.rows[0][7], "Palm Co");
    EXPECT_EQ(s.rows[1][7], "Outlook Co");
    EXPECT_NE(s.diffs.find("Palm Desktop \"Palm Co\", Outlook \"Outlook Co\""), std::string::npos)
        << s.diffs;
    EXPECT_EQ(s.diffs.find("\r\n"), std::string::npos) << "only the company differs: " << s.diffs;

    EXPECT_EQ(main.Settings().nConfAction, 1);
    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text, DoneText(3));  // Bob to Outlook, Cid to Outlook, Eve to Palm
    EXPECT_EQ(Rows(main.GetPalmList()), 5);
    EXPECT_EQ(Rows(main.GetOutlookList()), 5);
    EXPECT_NE(Find(world.ReadPalm(1), "Eve"), nullptr) << "the Palm Desktop data was saved";

    // The standing rule: the next run asks nothing.
    world.messages.clear();
    Click(main, IDC_BTNADDRSTART);
    EXPECT_EQ(shown.size(), 1u);
    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text, DoneText(0));

    world.Stop();
    EXPECT_STREQ(Find(world.ReadOutlook(), "Bob")->m_szCompany, "Palm Co");
    EXPECT_NE(vt_test::ReadText(world.SettingsFile()).find("ConfAction=1"), std::string::npos);
}

TEST_F(MainWindowTest, ConflictOutsideTheListedFieldsIsShownAndCancelStopsTheRun) {
    World other;
    other.AddPalmUser(1, "Alice", {kCid, kFayPalm, kAnn});
    other.SetOutlook({kFayOutlook, kAnn, kEve});
    other.SetSetting("ConfAction", "0");
    std::vector<Shown> shown;
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        shown.push_back(ReadDialog(dlg));
        Answer(dlg, IDC_RBTNO2P, true, false, IDCANCEL);
    });
    const std::vector<uint8_t> before = vt_test::ReadBytes(other.PalmFile(1));
    TfmMain& main = other.Start();
    Click(main, IDC_RBTNADDRSYNC);
    Click(main, IDC_BTNADDRSTART);

    ASSERT_EQ(shown.size(), 1u);
    // The eight columns are equal; the box names the street with both values.
    for (int c = 1; c < 9; ++c) EXPECT_EQ(shown[0].rows[0][c], shown[0].rows[1][c]) << c;
    EXPECT_NE(shown[0].diffs.find("\"1 Palm Road\", Outlook \"2 Outlook Avenue\""), std::string::npos)
        << shown[0].diffs;

    // Cid went to Outlook before the conflict; nothing after it, no Palm save.
    ASSERT_EQ(other.messages.size(), 1u);
    EXPECT_EQ(other.messages[0].text, DoneText(1) + "\r\n\r\nThe synchronization was cancelled.\r\n\r\n"
                                                     "The Palm Desktop changes of this run were not saved.");
    EXPECT_EQ(main.Settings().nConfAction, 3);
    EXPECT_EQ(Rows(main.GetHistoryPage().GetList()), 1);
    EXPECT_EQ(Rows(main.GetPalmList()), 3) << "Eve was not added";
    EXPECT_EQ(vt_test::ReadBytes(other.PalmFile(1)), before);
    TfmConfAlert::SetShownHook(nullptr);
}

TEST_F(MainWindowTest, DoNothingWithoutABoxAsksAgainNextTime) {
    int asked = 0;
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        ++asked;
        EXPECT_EQ(ReadDialog(dlg).action, 3);
        Answer(dlg, IDC_RBTNNOTHING, false, false, IDOK);
    });
    TfmMain& main = world.Start();
    Click(main, IDC_RBTNADDRSYNC);
    Click(main, IDC_BTNADDRSTART);
    // Bob is asked about in both passes: "Do Nothing" settles only the pair.
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(main.Settings().nConfAction, 3);
    EXPECT_EQ(RecordAt(main.GetPalmList(), RowOf(main.GetPalmList(), "Bob"))->m_nStatus, STATUS_DIFF);
}

TEST_F(MainWindowTest, EmailOnlyHidesRowsButKeepsRecords) {
    world.SetSetting("AddrEmailOnly", "1");
    TfmMain& main = world.Start();
    EXPECT_EQ(Rows(main.GetPalmList()), 3);
    EXPECT_EQ(Rows(main.GetOutlookList()), 3);
    EXPECT_EQ(RowOf(main.GetPalmList(), "Dee"), -1);
    EXPECT_EQ(main.GetPalmSide()->GetStore().GetCount(), 4u);
}

TEST_F(MainWindowTest, AnotherUserReloadsOnlyThePalmList) {
    world.AddPalmUser(2, "Bert", {kEve});
    world.SetSetting("PDUserID", "7");  // no longer exists
    TfmMain& main = world.Start();
    HWND box = GetDlgItem(main.GetListPage(), IDC_CBADDRUSER);
    EXPECT_EQ(SendMessageA(box, CB_GETCURSEL, 0, 0), 0) << "the first user is shown";
    EXPECT_EQ(main.Settings().nPDUserID, 7) << "and the saved id kept";
    const CommAddr* olAnn = RecordAt(main.GetOutlookList(), 0);

    SendMessageA(box, CB_SETCURSEL, 1, 0);
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_CBADDRUSER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(main.Settings().nPDUserID, 2);
    HWND pd = main.GetPalmList(), ol = main.GetOutlookList();
    ASSERT_EQ(Rows(pd), 1);
    EXPECT_EQ(CellText(pd, 0, 0), "Eve");
    EXPECT_EQ(RecordAt(ol, 0), olAnn) << "the Outlook list was not reloaded";
    EXPECT_EQ(RecordAt(ol, RowOf(ol, "Eve"))->m_nStatus, STATUS_SAME);
    EXPECT_EQ(RecordAt(ol, RowOf(ol, "Ann"))->m_nStatus, STATUS_NEW);
}

TEST_F(MainWindowTest, ModeComesFromTheSettingsAndIsNotWrittenBack) {
    world.SetSetting("SyncMode", "2");
    world.SetSetting("ShowColor", "yes");
    TfmMain& main = world.Start();
    EXPECT_EQ(IsDlgButtonChecked(main.GetListPage(), IDC_RBTNADDRO2P), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(main.GetListPage(), IDC_RBTNADDRP2O), BST_UNCHECKED);
    HWND pd = main.GetPalmList();
    EXPECT_EQ(main.RowColor(RecordAt(pd, RowOf(pd, "Bob"))), 0u) << "a word reads as off";
    Click(main, IDC_RBTNADDRSYNC);
    world.Stop();
    EXPECT_NE(vt_test::ReadText(world.SettingsFile()).find("SyncMode=2"), std::string::npos);
}

TEST_F(MainWindowTest, FirstLoadThatThrowsIsReportedAndTheWindowStays) {
    world.makePalmSide = []() -> std::unique_ptr<PalmSide> { throw std::runtime_error("no memory"); };
    TfmMain& main = world.Start();
    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text, "Failed to initialize Contacts data.");
    EXPECT_EQ(world.messages[0].caption, "Error");
    EXPECT_EQ(world.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(world.shownDialogs.size(), 1u);  // the problem report, closed with Cancel
    EXPECT_TRUE(IsWindow(main.GetHandle()));
    EXPECT_EQ(Rows(main.GetPalmList()), 0);
    // Without the sides a run says why it cannot start.
    Click(main, IDC_BTNADDRSTART);
    ASSERT_EQ(world.messages.size(), 2u);
    EXPECT_EQ(world.messages[1].text.rfind("The contacts could not be loaded", 0), 0u);
    EXPECT_EQ(world.messages[1].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Rows(main.GetHistoryPage().GetList()), 0);
}

// The real Palm Desktop side, made to throw where a test asks.
struct ThrowSwitches {
    bool onLoad = false;
    bool onWrite = false;
};

class ThrowingPalmSide : public PalmSide {
public:
    explicit ThrowingPalmSide(ThrowSwitches* switches) : m_pSwitches(switches), m_pInner(MakePalmSide()) {}
    bool WouldChange(const CommAddr& rec, uint32_t pos) override { return m_pInner->WouldChange(rec, pos); }
    CommSideState GetSideState() const override { return m_pInner->GetSideState(); }
    bool SavesAtEnd() const override { return m_pInner->SavesAtEnd(); }
    bool AddContact(const CommAddr& rec) override { Check(m_pSwitches->onWrite); return m_pInner->AddContact(rec); }
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override {
        Check(m_pSwitches->onWrite);
        return m_pInner->UpdateContact(rec, pos);
    }
    bool Save() override { return m_pInner->Save(); }
    CommAddrMgr& GetStore() override { return m_pInner->GetStore(); }
    void SetSwapName(bool swap) override { m_pInner->SetSwapName(swap); }
    bool LoadByUser(uint32_t id) override { Check(m_pSwitches->onLoad); return m_pInner->LoadByUser(id); }
    bool LoadFile(const char* path) override { Check(m_pSwitches->onLoad); return m_pInner->LoadFile(path); }

private:
    static void Check(bool fail) {
        if (fail) throw 42;  // not even a std::exception
    }
    ThrowSwitches* m_pSwitches;
    std::unique_ptr<PalmSide> m_pInner;
};

TEST_F(MainWindowTest, ErrorsAfterStartUpAreReportedAndTheWindowStays) {
    ThrowSwitches switches;
    world.AddPalmUser(2, "Bert", {kAnn});
    world.makePalmSide = [&switches]() -> std::unique_ptr<PalmSide> {
        return std::make_unique<ThrowingPalmSide>(&switches);
    };
    TfmMain& main = world.Start();
    ASSERT_TRUE(world.messages.empty());
    ASSERT_TRUE(world.shownDialogs.empty());

    // Another user whose contacts cannot be read.
    switches.onLoad = true;
    HWND box = GetDlgItem(main.GetListPage(), IDC_CBADDRUSER);
    SendMessageA(box, CB_SETCURSEL, 1, 0);
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_CBADDRUSER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(world.shownDialogs.size(), 1u);  // the problem report
    EXPECT_TRUE(IsWindow(main.GetHandle()));
    switches.onLoad = false;

    // A run whose write throws: reported, no history entry, no final message.
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_CBADDRUSER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    switches.onWrite = true;
    Click(main, IDC_RBTNADDRO2P);
    Click(main, IDC_BTNADDRSTART);
    EXPECT_EQ(world.shownDialogs.size(), 2u);
    EXPECT_TRUE(world.messages.empty());
    EXPECT_EQ(ListView_GetItemCount(main.GetHistoryPage().GetList()), 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main.GetHandle(), IDC_PBSYNC)));
    EXPECT_TRUE(IsWindow(main.GetHandle()));
}

TEST_F(MainWindowTest, FailedWritesAreReportedWithAWarning) {
    world.SetSetting("ConfAction", "1");
    TfmMain& main = world.Start();
    // Every "Add" of the stand-in fails from the next session on.
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vantoro\\StandIns\\Outlook", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, "FailName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Add"), 4);
    RegCloseKey(h);
    world.Stop();
    world.messages.clear();
    TfmMain& again = world.Start();
    Click(again, IDC_RBTNADDRSYNC);
    Click(again, IDC_BTNADDRSTART);
    ASSERT_EQ(world.messages.size(), 1u);
    const ShownMessage& m = world.messages[0];
    EXPECT_EQ(m.type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    // Bob reached Outlook and Eve Palm Desktop; Cid could not be added.
    EXPECT_EQ(m.text,
              "Contact information was not synchronized completely. 2 records updated.\r\n\r\n"
              "1 records could not be written. The debug log holds the reasons.");
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vantoro\\StandIns\\Outlook", 0, nullptr, 0, KEY_WRITE,
                    nullptr, &h, nullptr);
    RegDeleteValueA(h, "FailName");
    RegCloseKey(h);
    (void)main;
}

}  // namespace
