// The dialogs driven in-process: each test opens a dialog through the
// program's entry points and, once its modal loop runs, works its controls
// with messages and closes it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxIniUtil.h"
#include "common/misc/CxPlatform.h"
#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"
#include "support/TestSupport.h"
#include "VtVersion.h"

namespace {

HWND Ctl(HWND dlg, int id) { return FindDescendant(dlg, id); }

std::string Text(HWND dlg, int id) {
    char buf[1024] = {};
    GetWindowTextA(Ctl(dlg, id), buf, sizeof(buf));
    return buf;
}

bool Checked(HWND dlg, int id) {
    return SendMessageA(Ctl(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Shown as far as the window itself goes (the dialog may not be on screen yet).
bool Shown(HWND dlg, int id) {
    return (GetWindowLongA(Ctl(dlg, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Enabled(HWND dlg, int id) { return IsWindowEnabled(Ctl(dlg, id)) != FALSE; }

void Click(HWND dlg, int id) { SendMessageA(Ctl(dlg, id), BM_CLICK, 0, 0); }

// A click on a static with SS_NOTIFY reaches its parent as STN_CLICKED.
void ClickStatic(HWND dlg, int id) {
    HWND c = Ctl(dlg, id);
    SendMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                 reinterpret_cast<LPARAM>(c));
}

void SetEdit(HWND dlg, int id, const char* text) { SetWindowTextA(Ctl(dlg, id), text); }

int Selected(HWND dlg, int id) {
    return static_cast<int>(SendMessageA(Ctl(dlg, id), CB_GETCURSEL, 0, 0));
}

void Select(HWND dlg, int id, int index) {
    HWND c = Ctl(dlg, id);
    SendMessageA(c, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(c));
}

std::string ComboText(HWND dlg, int id, int index) {
    char buf[256] = {};
    SendMessageA(Ctl(dlg, id), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void Press(HWND dlg, int id) { SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// The text colour the dialog gives a label when it is painted.
COLORREF LabelColor(HWND dlg, int id) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 1, 1));
    SendMessageA(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Ctl(dlg, id)));
    COLORREF c = GetTextColor(dc);
    DeleteDC(dc);
    return c;
}

std::string Caption(HWND dlg) {
    char buf[256] = {};
    GetWindowTextA(dlg, buf, sizeof(buf));
    return buf;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDialogServices();
        DialogServices& s = GetDialogServices();
        s.messageBox = [this](HWND, const char* text, const char* caption, UINT flags) {
            messages.push_back({text, caption, flags});
            return IDOK;
        };
        s.shellOpen = [this](const char* target) {
            opened.push_back(target);
            return true;
        };
        s.palmVersion = [] { return 60200u; };
        s.palmVersionText = [](std::string& out) {
            out = "6.2.0.0";
            return true;
        };
        s.outlookVersionText = [](std::string& out) {
            out = "11.0.5510.0";
            return true;
        };
        s.onShown = [this](HWND dlg, int templateId) {
            auto it = drivers.find(templateId);
            ++shown[templateId];
            if (it == drivers.end()) {
                ADD_FAILURE() << "no driver for dialog " << templateId;
                Press(dlg, IDCANCEL);
                return;
            }
            it->second(dlg);
        };
        CxIniUtil ini(dir.Path().c_str(), "none.ini");
        LoadSettings(ini, settings);
        ctx.settings = &settings;
        ctx.users = &users;
        ctx.applyFieldMapping = [this] { ++mapsApplied; };
        cxplat::OverrideCommonAppDataFolder(dir.Path().c_str());
        // Level-0 lines land in the test's folder, not the working folder.
        CxDebugUtil::Instance().SetFolder(dir.Path().c_str());
    }
    void TearDown() override {
        ResetDialogServices();
        cxplat::OverrideCommonAppDataFolder(nullptr);
        CxDebugUtil& log = CxDebugUtil::Instance();
        log.SetEnabled(false);
        log.SetLevel(0);
        log.SetFolder("./");
    }

    void AddUser(uint32_t id, const char* name) {
        auto u = std::make_unique<PalmUserInfo>();
        u->nUserID = id;
        snprintf(u->szUserName, sizeof(u->szUserName), "%s", name);
        users.Append(std::move(u));
    }

    AppSettings Snapshot() const {
        AppSettings copy;
        memcpy(static_cast<void*>(&copy), &settings, sizeof(copy));
        return copy;
    }
    bool Unchanged(const AppSettings& before) const {
        return memcmp(&before, &settings, sizeof(before)) == 0;
    }

    struct Message {
        std::string text, caption;
        UINT flags;
    };

    vt_test::TempDir dir;
    AppSettings settings;
    PalmUserList users;
    DialogContext ctx;
    int mapsApplied = 0;
    std::map<int, std::function<void(HWND)>> drivers;
    std::map<int, int> shown;
    std::vector<Message> messages;
    std::vector<std::string> opened;
};

// ---- Options ---------------------------------------------------------------

TEST_F(DialogTest, OptionsShowsTheStoredConflictRule) {
    const struct {
        int32_t action;
        int radio;
    } cases[] = {{0, IDC_OP_REMIND}, {1, IDC_OP_P2O}, {2, IDC_OP_O2P},
                 {3, IDC_OP_NOTHING}, {7, IDC_OP_NOTHING}, {-1, IDC_OP_NOTHING}};
    for (const auto& c : cases) {
        settings.nConfAction = c.action;
        AppSettings before = Snapshot();
        drivers[IDD_OPTIONS] = [&](HWND dlg) {
            EXPECT_EQ(Caption(dlg), "Vantoro Options ...");
            for (int id : {IDC_OP_P2O, IDC_OP_O2P, IDC_OP_NOTHING, IDC_OP_REMIND})
                EXPECT_EQ(Checked(dlg, id), id == c.radio) << c.action << " " << id;
            // The close box changes nothing.
            SendMessageA(dlg, WM_CLOSE, 0, 0);
        };
        EXPECT_EQ(ShowOptionsDialog(nullptr, ctx), IDCANCEL);
        EXPECT_TRUE(Unchanged(before)) << c.action;
    }
    EXPECT_EQ(mapsApplied, 0);
}

TEST_F(DialogTest, OptionsStoresTheChosenConflictRule) {
    const struct {
        int radio;
        int32_t action;
        bool always;
    } cases[] = {{IDC_OP_REMIND, 0, false}, {IDC_OP_NOTHING, 3, true},
                 {IDC_OP_P2O, 1, true}, {IDC_OP_O2P, 2, true}};
    for (const auto& c : cases) {
        settings.nConfAction = c.action == 1 ? 2 : 1;
        settings.bActionAlways = !c.always;
        drivers[IDD_OPTIONS] = [&](HWND dlg) {
            Click(dlg, c.radio);
            Press(dlg, IDOK);
        };
        EXPECT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
        EXPECT_EQ(settings.nConfAction, c.action);
        EXPECT_EQ(settings.bActionAlways, c.always);
    }
}

TEST_F(DialogTest, OptionsFileBoxEnablesItsControlsAndGuardsTheName) {
    settings.bUseAddrFile = false;
    strcpy(settings.szAddrFileName, "C:\\old\\address.dat");
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        EXPECT_EQ(Text(dlg, IDC_OP_ADDRFILE_EDIT), "C:\\old\\address.dat");
        EXPECT_FALSE(Enabled(dlg, IDC_OP_ADDRFILE_EDIT));
        EXPECT_FALSE(Enabled(dlg, IDC_OP_BROWSE));
        Click(dlg, IDC_OP_ADDRFILE);
        EXPECT_TRUE(Enabled(dlg, IDC_OP_ADDRFILE_EDIT));
        EXPECT_TRUE(Enabled(dlg, IDC_OP_BROWSE));
        SetEdit(dlg, IDC_OP_ADDRFILE_EDIT, "C:\\typed\\address.dat");
        Click(dlg, IDC_OP_ADDRFILE);  // cleared again
        EXPECT_FALSE(Enabled(dlg, IDC_OP_ADDRFILE_EDIT));
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_FALSE(settings.bUseAddrFile);
    EXPECT_STREQ(settings.szAddrFileName, "C:\\old\\address.dat");

    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        Click(dlg, IDC_OP_ADDRFILE);
        SetEdit(dlg, IDC_OP_ADDRFILE_EDIT, "D:\\new\\Address.mdb");
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_TRUE(settings.bUseAddrFile);
    EXPECT_STREQ(settings.szAddrFileName, "D:\\new\\Address.mdb");

    // A typed name longer than the setting holds is cut, never overflowed.
    std::string longName = "E:\\" + std::string(300, 'x');
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        SetEdit(dlg, IDC_OP_ADDRFILE_EDIT, longName.c_str());
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_EQ(std::string(settings.szAddrFileName), longName.substr(0, sizeof(settings.szAddrFileName) - 1));
}

TEST_F(DialogTest, OptionsOtherBoxesAreTransferred) {
    settings.bShowColor = true;
    settings.bAddrSwapName = false;
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        EXPECT_TRUE(Checked(dlg, IDC_OP_SHOWCOLOR));
        EXPECT_FALSE(Checked(dlg, IDC_OP_SWAP));
        Click(dlg, IDC_OP_SHOWCOLOR);
        Click(dlg, IDC_OP_SWAP);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_FALSE(settings.bShowColor);
    EXPECT_TRUE(settings.bAddrSwapName);
}

TEST_F(DialogTest, OptionsClearingCustomMappingZeroesNineKeysAndHandsTheMapOn) {
    settings.bAddrCustom = true;
    for (int i = 0; i < kCustomKeyCount; ++i) settings.nAddrCustom[i] = 10 + i;
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        EXPECT_TRUE(Enabled(dlg, IDC_OP_SETUP));
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nAddrCustom[0], 10);  // box kept: map kept
    EXPECT_EQ(mapsApplied, 0);

    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        Click(dlg, IDC_OP_CUSTOM);
        EXPECT_FALSE(Enabled(dlg, IDC_OP_SETUP));
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_FALSE(settings.bAddrCustom);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(settings.nAddrCustom[i], 0) << i;
    EXPECT_EQ(settings.nAddrCustom[9], 19);
    EXPECT_EQ(mapsApplied, 1);

    // Turned on again, setup starts from the all-zero map.
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        EXPECT_FALSE(Enabled(dlg, IDC_OP_SETUP));
        Click(dlg, IDC_OP_CUSTOM);
        EXPECT_TRUE(Enabled(dlg, IDC_OP_SETUP));
        Click(dlg, IDC_OP_SETUP);
        Press(dlg, IDOK);
    };
    drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
        for (int n = 0; n < 9; ++n) EXPECT_EQ(Selected(dlg, IDC_CM_LIST1 + n), 0) << n;
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_TRUE(settings.bAddrCustom);
    EXPECT_EQ(shown[IDD_CUSTOMMAP], 1);
}

TEST_F(DialogTest, OptionsSetupNowKeepsTheMappingWhenOptionsAreCancelled) {
    settings.bAddrCustom = true;
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        Click(dlg, IDC_OP_SETUP);
        Press(dlg, IDCANCEL);
    };
    drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
        Select(dlg, IDC_CM_LIST1 + 2, 23);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), IDCANCEL);
    EXPECT_EQ(settings.nAddrCustom[2], 23);
    EXPECT_EQ(mapsApplied, 1);
}

TEST_F(DialogTest, OptionsColourPickedThenCancelledIsNotStored) {
    std::vector<COLORREF> presets;
    GetDialogServices().chooseColor = [&](CHOOSECOLORA* cc) {
        presets.push_back(cc->rgbResult);
        EXPECT_TRUE(cc->Flags & CC_RGBINIT);
        cc->rgbResult = RGB(1, 2, 3);
        return TRUE;
    };
    settings.nSameColor = 0x112233;
    settings.nDiffColor = 0xFF0000;
    settings.nNewColor = 0x008000;
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        ClickStatic(dlg, IDC_OP_SAMECOLOR);
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), IDCANCEL);
    EXPECT_EQ(settings.nSameColor, 0x112233);

    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        ClickStatic(dlg, IDC_OP_DIFFCOLOR);
        ClickStatic(dlg, IDC_OP_NEWCOLOR);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nSameColor, 0x112233);
    EXPECT_EQ(settings.nDiffColor, 0x030201);
    EXPECT_EQ(settings.nNewColor, 0x030201);
    ASSERT_EQ(presets.size(), 3u);
    EXPECT_EQ(presets[0], 0x112233u);
    EXPECT_EQ(presets[1], 0xFF0000u);
    EXPECT_EQ(presets[2], 0x008000u);

    // A colour dialog the user cancels leaves the swatch as it was.
    GetDialogServices().chooseColor = [](CHOOSECOLORA* cc) {
        cc->rgbResult = RGB(9, 9, 9);
        return FALSE;
    };
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        ClickStatic(dlg, IDC_OP_NEWCOLOR);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nNewColor, 0x030201);
}

TEST_F(DialogTest, OptionsBrowseChecksTheChosenFile) {
    std::string title, filter;
    DWORD flags = 0, maxFile = 0, filterIndex = 0;
    std::string chosen = "C:\\data\\notes.txt";
    bool cancel = false;
    GetDialogServices().openFileName = [&](OPENFILENAMEA* ofn) {
        title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
        filter.assign(ofn->lpstrFilter, 200);
        flags = ofn->Flags;
        maxFile = ofn->nMaxFile;
        filterIndex = ofn->nFilterIndex;
        EXPECT_EQ(ofn->lpstrFile[0], 0);
        if (cancel) return FALSE;
        strcpy(ofn->lpstrFile, chosen.c_str());
        return TRUE;
    };
    int detected = 255;
    std::vector<std::string> detectedPaths;
    GetDialogServices().detectFileType = [&](const char* path) {
        detectedPaths.push_back(path);
        return detected;
    };
    settings.bUseAddrFile = true;
    strcpy(settings.szAddrFileName, "C:\\old\\address.dat");
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        Click(dlg, IDC_OP_BROWSE);
        EXPECT_EQ(Text(dlg, IDC_OP_ADDRFILE_EDIT), "C:\\old\\address.dat");
        EXPECT_EQ(GetFocus(), Ctl(dlg, IDC_OP_ADDRFILE_EDIT));
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), IDCANCEL);
    EXPECT_EQ(title, "Open Palm Desktop Contacts data file");
    const char kFilter[] =
        "Palm Desktop 4.x Database File(*.dat)\0*.dat\0"
        "Palm Desktop 6.x Database File(*.mdb)\0*.mdb\0"
        "All Files(*.*)\0*.*\0";
    EXPECT_EQ(filter.substr(0, sizeof(kFilter)), std::string(kFilter, sizeof(kFilter)));
    EXPECT_EQ(flags, static_cast<DWORD>(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST));
    EXPECT_EQ(maxFile, 259u);
    EXPECT_EQ(filterIndex, 1u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Invalid Palm Desktop contacts database file, please try another one.");
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    ASSERT_EQ(detectedPaths.size(), 1u);
    EXPECT_EQ(detectedPaths[0], chosen);

    // Each known generation is taken; a cancelled browse changes nothing.
    for (int gen : {1, 2, 3}) {
        detected = gen;
        chosen = "C:\\palm\\user" + std::to_string(gen) + "\\address.dat";
        drivers[IDD_OPTIONS] = [&](HWND dlg) {
            Click(dlg, IDC_OP_BROWSE);
            EXPECT_EQ(Text(dlg, IDC_OP_ADDRFILE_EDIT), chosen);
            Press(dlg, IDOK);
        };
        ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
        EXPECT_EQ(std::string(settings.szAddrFileName), chosen);
    }
    cancel = true;
    size_t detections = detectedPaths.size();
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        Click(dlg, IDC_OP_BROWSE);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    EXPECT_EQ(detectedPaths.size(), detections);
    EXPECT_EQ(std::string(settings.szAddrFileName), chosen);
    EXPECT_EQ(messages.size(), 1u);
}

// The real file-type check, through the Palm Desktop facade.
TEST_F(DialogTest, OptionsBrowseRefusesATextFile) {
    const std::string text = dir.File("notes.txt");
    vt_test::WriteText(text, "Name,Phone\r\nAda,555-0101\r\n");
    GetDialogServices().openFileName = [&](OPENFILENAMEA* ofn) {
        strcpy(ofn->lpstrFile, text.c_str());
        return TRUE;
    };
    settings.bUseAddrFile = true;
    strcpy(settings.szAddrFileName, "C:\\old\\address.dat");
    drivers[IDD_OPTIONS] = [&](HWND dlg) {
        Click(dlg, IDC_OP_BROWSE);
        EXPECT_EQ(Text(dlg, IDC_OP_ADDRFILE_EDIT), "C:\\old\\address.dat");
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowOptionsDialog(nullptr, ctx), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Invalid Palm Desktop contacts database file, please try another one.");
    EXPECT_STREQ(settings.szAddrFileName, "C:\\old\\address.dat");
}

// ---- Custom field mapping --------------------------------------------------

TEST_F(DialogTest, CustomMapListsEveryTargetAndStoresTheChoice) {
    drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
        EXPECT_EQ(Caption(dlg), "Setup contact custom fields mapping");
        for (int n = 0; n < 9; ++n) {
            int id = IDC_CM_LIST1 + n;
            EXPECT_EQ(SendMessageA(Ctl(dlg, id), CB_GETCOUNT, 0, 0), 81);
            EXPECT_EQ(Selected(dlg, id), 0);
            EXPECT_EQ(Text(dlg, id), "None");
        }
        EXPECT_EQ(ComboText(dlg, IDC_CM_LIST1, 23), "Email1Address");
        EXPECT_EQ(ComboText(dlg, IDC_CM_LIST1, 79), "");
        EXPECT_EQ(ComboText(dlg, IDC_CM_LIST1, 80), "");
        Select(dlg, IDC_CM_LIST1, 23);
        Select(dlg, IDC_CM_LIST1 + 1, 23);  // the same target twice
        Select(dlg, IDC_CM_LIST1 + 7, 79);
        Select(dlg, IDC_CM_LIST1 + 8, 80);
        Press(dlg, IDOK);
    };
    settings.nAddrCustom[9] = 44;
    ASSERT_EQ(ShowCustomMapDialog(nullptr, ctx), 1);
    const int32_t want[10] = {23, 23, 0, 0, 0, 0, 0, 79, 80, 44};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(settings.nAddrCustom[i], want[i]) << i;
    EXPECT_EQ(mapsApplied, 1);

    // Reopened: the choice is shown again and OK stores it unchanged.
    drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
        EXPECT_EQ(Text(dlg, IDC_CM_LIST1), "Email1Address");
        EXPECT_EQ(Selected(dlg, IDC_CM_LIST1 + 8), 80);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowCustomMapDialog(nullptr, ctx), 1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(settings.nAddrCustom[i], want[i]) << i;
    EXPECT_EQ(mapsApplied, 2);
}

TEST_F(DialogTest, CustomMapCancelChangesNothing) {
    AppSettings before = Snapshot();
    drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
        Select(dlg, IDC_CM_LIST1, 5);
        SendMessageA(dlg, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(ShowCustomMapDialog(nullptr, ctx), IDCANCEL);
    EXPECT_TRUE(Unchanged(before));
    EXPECT_EQ(mapsApplied, 0);
}

TEST_F(DialogTest, CustomMapOffersFourFieldsBeforePalmDesktop412) {
    const struct {
        uint32_t version;
        bool nine;
    } cases[] = {{40100, false}, {40101, false}, {0xFFFFFFFFu, false},
                 {40102, true}, {60200, true}};
    for (const auto& c : cases) {
        GetDialogServices().palmVersion = [&] { return c.version; };
        for (int i = 0; i < 9; ++i) settings.nAddrCustom[i] = 30 + i;
        drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
            for (int n = 1; n <= 9; ++n) {
                EXPECT_EQ(Enabled(dlg, IDC_CM_LIST1 + n - 1), n <= 4 || c.nine)
                    << c.version << " list " << n;
                EXPECT_EQ(Selected(dlg, IDC_CM_LIST1 + n - 1), 30 + n - 1);
            }
            Select(dlg, IDC_CM_LIST1, 1);
            Press(dlg, IDOK);
        };
        ASSERT_EQ(ShowCustomMapDialog(nullptr, ctx), 1);
        EXPECT_EQ(settings.nAddrCustom[0], 1);
        for (int i = 1; i < 9; ++i) EXPECT_EQ(settings.nAddrCustom[i], 30 + i) << c.version;
    }
}

TEST_F(DialogTest, CustomMapKeepsAValueOutsideTheList) {
    settings.nAddrCustom[0] = 120;
    settings.nAddrCustom[1] = -3;
    drivers[IDD_CUSTOMMAP] = [&](HWND dlg) {
        EXPECT_EQ(Selected(dlg, IDC_CM_LIST1), CB_ERR);
        EXPECT_EQ(Selected(dlg, IDC_CM_LIST1 + 1), CB_ERR);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowCustomMapDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nAddrCustom[0], 120);
    EXPECT_EQ(settings.nAddrCustom[1], -3);
}

// ---- First-run wizard ------------------------------------------------------

TEST_F(DialogTest, WizardSelectsTheWantedUser) {
    AddUser(101, "Alice");
    AddUser(202, "Bob");
    AddUser(303, "Carol");
    const struct {
        int32_t wanted;
        int selected;
        int32_t stored;
    } cases[] = {{0, 0, 101}, {202, 1, 202}, {303, 2, 303}, {999, 0, 101}};
    for (const auto& c : cases) {
        settings.nPDUserID = c.wanted;
        drivers[IDD_WIZARD] = [&](HWND dlg) {
            EXPECT_EQ(Caption(dlg), "Vantoro Wizard");
            EXPECT_EQ(SendMessageA(Ctl(dlg, IDC_WZ_USER), CB_GETCOUNT, 0, 0), 3);
            EXPECT_EQ(ComboText(dlg, IDC_WZ_USER, 0), "Alice");
            EXPECT_EQ(ComboText(dlg, IDC_WZ_USER, 2), "Carol");
            EXPECT_EQ(Selected(dlg, IDC_WZ_USER), c.selected) << c.wanted;
            Press(dlg, IDOK);
        };
        ASSERT_EQ(ShowWizardDialog(nullptr, ctx), 1);
        EXPECT_EQ(settings.nPDUserID, c.stored) << c.wanted;
    }
    // Another user chosen by hand.
    drivers[IDD_WIZARD] = [&](HWND dlg) {
        Select(dlg, IDC_WZ_USER, 1);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nPDUserID, 202);
}

TEST_F(DialogTest, WizardWithoutUsersLeavesTheUserAlone) {
    settings.nPDUserID = 77;
    drivers[IDD_WIZARD] = [&](HWND dlg) {
        EXPECT_EQ(SendMessageA(Ctl(dlg, IDC_WZ_USER), CB_GETCOUNT, 0, 0), 0);
        EXPECT_EQ(Selected(dlg, IDC_WZ_USER), CB_ERR);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nPDUserID, 77);
    ctx.users = nullptr;
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nPDUserID, 77);
}

TEST_F(DialogTest, WizardShowsVersionsInBlueOrRed) {
    drivers[IDD_WIZARD] = [&](HWND dlg) {
        EXPECT_EQ(Text(dlg, IDC_WZ_OLVER), "11.0.5510.0");
        EXPECT_EQ(Text(dlg, IDC_WZ_PDVER), "6.2.0.0");
        EXPECT_EQ(LabelColor(dlg, IDC_WZ_OLVER), 0xFF0000u);
        EXPECT_EQ(LabelColor(dlg, IDC_WZ_PDVER), 0xFF0000u);
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), IDCANCEL);

    GetDialogServices().outlookVersionText = [](std::string&) { return false; };
    GetDialogServices().palmVersionText = [](std::string&) { return false; };
    drivers[IDD_WIZARD] = [&](HWND dlg) {
        EXPECT_EQ(Text(dlg, IDC_WZ_OLVER), "Not Found.");
        EXPECT_EQ(Text(dlg, IDC_WZ_PDVER), "Not Found.");
        EXPECT_EQ(LabelColor(dlg, IDC_WZ_OLVER), 255u);
        EXPECT_EQ(LabelColor(dlg, IDC_WZ_PDVER), 255u);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), 1);
}

TEST_F(DialogTest, WizardShowBoxIsStoredOnOkOnly) {
    AddUser(5, "Dana");
    settings.bShowWizard = true;
    AppSettings before = Snapshot();
    drivers[IDD_WIZARD] = [&](HWND dlg) {
        EXPECT_TRUE(Checked(dlg, IDC_WZ_SHOW));
        Click(dlg, IDC_WZ_SHOW);
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), IDCANCEL);
    EXPECT_TRUE(Unchanged(before));

    drivers[IDD_WIZARD] = [&](HWND dlg) {
        Click(dlg, IDC_WZ_SHOW);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), 1);
    EXPECT_FALSE(settings.bShowWizard);
    EXPECT_EQ(settings.nPDUserID, 5);
}

TEST_F(DialogTest, WizardDebugOptionsOpenAndCloseWithoutEndingTheWizard) {
    settings.bShowWizard = true;
    settings.bEnableDebug = false;
    bool wizardStillUp = false;
    drivers[IDD_WIZARD] = [&](HWND dlg) {
        Click(dlg, IDC_WZ_DEBUG);
        wizardStillUp = IsWindow(dlg) && IsWindowEnabled(dlg);
        Press(dlg, IDCANCEL);
    };
    drivers[IDD_DEBUG] = [&](HWND dlg) {
        // The wizard owns it and waits.
        HWND owner = GetWindow(dlg, GW_OWNER);
        EXPECT_EQ(Caption(owner), "Vantoro Wizard");
        EXPECT_FALSE(IsWindowEnabled(owner));
        Click(dlg, IDC_DB_ENABLE);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowWizardDialog(nullptr, ctx), IDCANCEL);
    EXPECT_EQ(shown[IDD_DEBUG], 1);
    EXPECT_TRUE(wizardStillUp);
    EXPECT_TRUE(settings.bEnableDebug);  // the debug dialog's own OK
    EXPECT_TRUE(settings.bShowWizard);   // the wizard was cancelled
}

// ---- Debug settings --------------------------------------------------------

TEST_F(DialogTest, DebugLevelIsShownAndStoredAsThreeValues) {
    const struct {
        int32_t level;
        int entry;
        int32_t stored;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 3}, {3, 2, 3}, {7, 2, 3}, {-5, 2, 3}};
    for (const auto& c : cases) {
        settings.nLogLevel = c.level;
        drivers[IDD_DEBUG] = [&](HWND dlg) {
            EXPECT_EQ(Caption(dlg), "Vantoro Debug Log Options");
            EXPECT_EQ(SendMessageA(Ctl(dlg, IDC_DB_LEVEL), CB_GETCOUNT, 0, 0), 3);
            EXPECT_EQ(Selected(dlg, IDC_DB_LEVEL), c.entry) << c.level;
            Press(dlg, IDOK);
        };
        ASSERT_EQ(ShowDebugSettingsDialog(nullptr, ctx), 1);
        EXPECT_EQ(settings.nLogLevel, c.stored) << c.level;
    }
    drivers[IDD_DEBUG] = [&](HWND dlg) {
        EXPECT_EQ(ComboText(dlg, IDC_DB_LEVEL, 0),
                  "Critical - Only log critical error information.");
        EXPECT_EQ(ComboText(dlg, IDC_DB_LEVEL, 1), "High - Log high level debug information.");
        EXPECT_EQ(ComboText(dlg, IDC_DB_LEVEL, 2), "Low - Log very detail debug information.");
        Select(dlg, IDC_DB_LEVEL, 1);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowDebugSettingsDialog(nullptr, ctx), 1);
    EXPECT_EQ(settings.nLogLevel, 1);
}

TEST_F(DialogTest, DebugOkAppliesToTheLogAtOnce) {
    CxDebugUtil& log = CxDebugUtil::Instance();
    log.SetFolder(dir.Path().c_str());
    log.SetEnabled(true);
    log.SetLevel(3);
    settings.bEnableDebug = true;
    settings.nLogLevel = 3;
    // Cancel leaves both the settings and the writer alone.
    AppSettings before = Snapshot();
    drivers[IDD_DEBUG] = [&](HWND dlg) {
        Click(dlg, IDC_DB_ENABLE);
        Select(dlg, IDC_DB_LEVEL, 0);
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowDebugSettingsDialog(nullptr, ctx), IDCANCEL);
    EXPECT_TRUE(Unchanged(before));
    EXPECT_TRUE(log.IsEnabled());
    EXPECT_EQ(log.GetLevel(), 3);

    drivers[IDD_DEBUG] = [&](HWND dlg) {
        EXPECT_TRUE(Checked(dlg, IDC_DB_ENABLE));
        Click(dlg, IDC_DB_ENABLE);
        Select(dlg, IDC_DB_LEVEL, 0);
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowDebugSettingsDialog(nullptr, ctx), 1);
    EXPECT_FALSE(settings.bEnableDebug);
    EXPECT_EQ(settings.nLogLevel, 0);
    EXPECT_FALSE(log.IsEnabled());
    EXPECT_EQ(log.GetLevel(), 0);
    CX_LOG(2, "detail after disabling");
    CX_LOG(0, "critical after disabling");
    std::string text = vt_test::ReadText(log.GetLogPath());
    EXPECT_EQ(text.find("detail after disabling"), std::string::npos);
    EXPECT_NE(text.find("critical after disabling"), std::string::npos);
}

// The log boxes and buttons are the same in both dialogs.
void CheckLogPaths(const std::string& folder, HWND dlg,
                   std::vector<std::string>& opened) {
    EXPECT_EQ(Text(dlg, IDC_DB_FOLDER), folder);
    EXPECT_EQ(Text(dlg, IDC_DB_FILE), folder + "appdebug.log");
    EXPECT_TRUE(Enabled(dlg, IDC_DB_FOLDER_BTN));
    EXPECT_TRUE(Enabled(dlg, IDC_DB_FILE_BTN));
    Click(dlg, IDC_DB_FOLDER_BTN);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], folder);
}

TEST_F(DialogTest, LogBoxesShowTheDataFolderAndTheFileButtonChecksTheFile) {
    const std::string folder = dir.Path() + "brenvik\\Vantoro_OL_PD\\";
    const std::string file = folder + "appdebug.log";
    for (int tmpl : {IDD_DEBUG, IDD_DUMP}) {
        opened.clear();
        messages.clear();
        cxplat::RemoveFile(file.c_str());
        drivers[tmpl] = [&](HWND dlg) {
            CheckLogPaths(folder, dlg, opened);
            Click(dlg, IDC_DB_FILE_BTN);  // no log yet
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, "Debug log file doesn't exist");
            EXPECT_EQ(messages[0].caption, "Error");
            EXPECT_EQ(messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
            EXPECT_EQ(opened.size(), 1u);
            vt_test::WriteText(file, "a line\r\n");
            Click(dlg, IDC_DB_FILE_BTN);
            ASSERT_EQ(opened.size(), 2u);
            EXPECT_EQ(opened[1], file);
            EXPECT_EQ(messages.size(), 1u);
            Press(dlg, IDCANCEL);
        };
        if (tmpl == IDD_DEBUG) ShowDebugSettingsDialog(nullptr, ctx);
        else ShowProblemReportDialog(nullptr, ctx);
        EXPECT_EQ(shown[tmpl], 1);
    }
}

TEST_F(DialogTest, LogBoxesAreEmptyWithoutADataFolder) {
    cxplat::OverrideCommonAppDataFolder(nullptr, false);
    for (int tmpl : {IDD_DEBUG, IDD_DUMP}) {
        drivers[tmpl] = [&](HWND dlg) {
            EXPECT_EQ(Text(dlg, IDC_DB_FOLDER), "");
            EXPECT_EQ(Text(dlg, IDC_DB_FILE), "");
            EXPECT_FALSE(Enabled(dlg, IDC_DB_FOLDER_BTN));
            EXPECT_FALSE(Enabled(dlg, IDC_DB_FILE_BTN));
            Press(dlg, IDCANCEL);
        };
        if (tmpl == IDD_DEBUG) ShowDebugSettingsDialog(nullptr, ctx);
        else ShowProblemReportDialog(nullptr, ctx);
        EXPECT_EQ(shown[tmpl], 1);
    }
}

// ---- Problem report --------------------------------------------------------

TEST_F(DialogTest, ProblemReportMailLinkAndItsWaysOut) {
    drivers[IDD_DUMP] = [&](HWND dlg) {
        EXPECT_EQ(Caption(dlg), "Handle Vantoro Exception");
        EXPECT_EQ(Text(dlg, IDC_DP_SUPPORT), "support@vantoro.example");
        EXPECT_EQ(LabelColor(dlg, IDC_DP_SUPPORT), RGB(0, 0, 255));
        ClickStatic(dlg, IDC_DP_SUPPORT);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0],
                  "mailto:support@vantoro.example?subject=Vantoro for Outlook and Palm "
                  "Desktop Error Report");
        Press(dlg, IDOK);
    };
    EXPECT_NE(ShowProblemReportDialog(nullptr, ctx), 1);  // OK is not "quit"
    drivers[IDD_DUMP] = [&](HWND dlg) { SendMessageA(dlg, WM_CLOSE, 0, 0); };
    EXPECT_NE(ShowProblemReportDialog(nullptr, ctx), 1);
    drivers[IDD_DUMP] = [&](HWND dlg) { Click(dlg, IDC_DP_EXIT); };
    EXPECT_EQ(ShowProblemReportDialog(nullptr, ctx), 1);
}

// ---- Contact detail --------------------------------------------------------

CommAddr SampleRecord() {
    CommAddr rec;
    SetFieldText(rec, FID_FIRST_NAME, "Ada");
    SetFieldText(rec, FID_LAST_NAME, "Lovelace");
    SetFieldText(rec, FID_COMPANY, "Analytical Engines");
    SetFieldText(rec, FID_TITLE, "Countess");
    SetFieldText(rec, FID_WORK_PHONE, "555-0101");
    SetFieldText(rec, FID_HOME_PHONE, "555-0102");
    SetFieldText(rec, FID_MOBILE_PHONE, "555-0103");
    SetFieldText(rec, FID_OTHER_PHONE, "555-0104");
    SetFieldText(rec, FID_EMAIL, "ada@example.com");
    SetFieldText(rec, FID_WORK_FAX, "555-0105");
    SetFieldText(rec, FID_PAGER, "555-0106");
    SetFieldText(rec, FID_PRIMARY_PHONE, "555-0107");
    SetFieldText(rec, FID_CATEGORY, "Business");
    SetFieldText(rec, FID_WORK_STREET, "12 St James's Square\nFloor 2");
    SetFieldText(rec, FID_WORK_CITY, "London");
    SetFieldText(rec, FID_WORK_POSTAL, "SW1Y 4JH");
    SetFieldText(rec, FID_HOME_COUNTRY, "England");
    SetFieldText(rec, FID_OTHER_STATE, "Surrey");
    SetFieldText(rec, FID_CUSTOM1, "first custom");
    SetFieldText(rec, FID_CUSTOM9, "ninth custom");
    SetFieldText(rec, FID_IM1, "ada-im");
    SetFieldText(rec, FID_WORK_HOME_PAGE, "www.example.com/ada");
    SetFieldText(rec, FID_NOTE, "line one\r\nline two");
    CxSystemTime st;
    st.wYear = 1990;
    st.wMonth = 12;
    st.wDay = 10;
    double date = 0;
    cxplat::SystemTimeToVariantTime(st, date);
    *GetDateSlot(rec, FID_BIRTHDAY) = date;
    *GetIntSlot(rec, FID_PRIVATE) = 2;
    return rec;
}

HWND SubPage(HWND dlg, int id) { return Ctl(dlg, id); }

std::string PageText(HWND dlg, int page, int id) {
    char buf[512] = {};
    GetDlgItemTextA(SubPage(dlg, page), id, buf, sizeof(buf));
    return buf;
}

TEST_F(DialogTest, DetailShowsEveryFieldInItsPlace) {
    const CommAddr rec = SampleRecord();
    drivers[IDD_DETAIL] = [&](HWND dlg) {
        EXPECT_EQ(Caption(dlg), "Contact detail information");
        HWND tab = Ctl(dlg, IDC_DT_PAGES);
        EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 4);
        EXPECT_EQ(SendMessageA(tab, TCM_GETCURSEL, 0, 0), 3);  // "General"
        EXPECT_TRUE(Shown(dlg, IDC_DT_PAGE_GENERAL));
        EXPECT_FALSE(Shown(dlg, IDC_DT_PAGE_OTHER));
        EXPECT_EQ(SendMessageA(Ctl(dlg, IDC_DT_ADDRPAGES), TCM_GETCURSEL, 0, 0), 2);
        const std::pair<int, const char*> general[] = {
            {IDC_DT_FIRST, "Ada"},          {IDC_DT_LAST, "Lovelace"},
            {IDC_DT_COMPANY, "Analytical Engines"}, {IDC_DT_TITLE, "Countess"},
            {IDC_DT_BUSITEL, "555-0101"},   {IDC_DT_HOMETEL, "555-0102"},
            {IDC_DT_MOBILETEL, "555-0103"}, {IDC_DT_OTHERTEL, "555-0104"},
            {IDC_DT_EMAIL, "ada@example.com"}, {IDC_DT_FAX, "555-0105"},
            {IDC_DT_PAGER, "555-0106"},     {IDC_DT_MAINTEL, "555-0107"},
            {IDC_DT_CAT, "Business"},       {IDC_DT_IM1, "ada-im"},
            {IDC_DT_IM2, ""},               {IDC_DT_HOMEPAGE, "www.example.com/ada"},
            {IDC_DT_CUSTOM1, "first custom"}, {IDC_DT_CUSTOM1 + 4, ""},
            {IDC_DT_CUSTOM1 + 8, "ninth custom"}, {IDC_DT_BIRTHDAY, "12/10/1990"},
            {IDC_DT_NOTES, "line one\r\nline two"},
        };
        for (const auto& g : general) EXPECT_EQ(Text(dlg, g.first), g.second) << g.first;
        EXPECT_TRUE(Checked(dlg, IDC_DT_PRIVATE));  // Private 2
        EXPECT_EQ(PageText(dlg, IDC_DT_BUSIADDR, IDC_DT_STREET),
                  "12 St James's Square\r\nFloor 2");
        EXPECT_EQ(SendMessageA(GetDlgItem(SubPage(dlg, IDC_DT_BUSIADDR), IDC_DT_STREET),
                               EM_GETLINECOUNT, 0, 0), 2);
        EXPECT_EQ(PageText(dlg, IDC_DT_BUSIADDR, IDC_DT_CITY), "London");
        EXPECT_EQ(PageText(dlg, IDC_DT_BUSIADDR, IDC_DT_POSTAL), "SW1Y 4JH");
        EXPECT_EQ(PageText(dlg, IDC_DT_HOMEADDR, IDC_DT_COUNTRY), "England");
        EXPECT_EQ(PageText(dlg, IDC_DT_OTHERADDR, IDC_DT_STATE), "Surrey");
        EXPECT_EQ(PageText(dlg, IDC_DT_OTHERADDR, IDC_DT_CITY), "");
        // Switching pages shows the chosen one.
        SendMessageA(tab, TCM_SETCURSEL, 2, 0);
        NMHDR hdr = {tab, IDC_DT_PAGES, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageA(dlg, WM_NOTIFY, IDC_DT_PAGES, reinterpret_cast<LPARAM>(&hdr));
        EXPECT_TRUE(Shown(dlg, IDC_DT_PAGE_OTHER));
        EXPECT_FALSE(Shown(dlg, IDC_DT_PAGE_GENERAL));
        Press(dlg, IDCANCEL);
    };
    EXPECT_EQ(ShowDetailDialog(nullptr, rec), IDCANCEL);
}

TEST_F(DialogTest, DetailWritesNothingBack) {
    CommAddr rec = SampleRecord();
    drivers[IDD_DETAIL] = [&](HWND dlg) {
        SetEdit(dlg, IDC_DT_FIRST, "Changed");
        Click(dlg, IDC_DT_PRIVATE);
        SendMessageA(dlg, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(ShowDetailDialog(nullptr, rec), IDCANCEL);
    EXPECT_STREQ(rec.m_szFirstName, "Ada");
    EXPECT_EQ(rec.m_nPrivate, 2);
    drivers[IDD_DETAIL] = [&](HWND dlg) {
        EXPECT_EQ(Text(dlg, IDC_DT_FIRST), "Ada");
        EXPECT_TRUE(Checked(dlg, IDC_DT_PRIVATE));
        Press(dlg, IDCANCEL);
    };
    EXPECT_EQ(ShowDetailDialog(nullptr, rec), IDCANCEL);

    // A record with nothing in it shows empty boxes.
    const CommAddr empty;
    drivers[IDD_DETAIL] = [&](HWND dlg) {
        for (int id : {IDC_DT_FIRST, IDC_DT_EMAIL, IDC_DT_HOMEPAGE, IDC_DT_NOTES, IDC_DT_BIRTHDAY})
            EXPECT_EQ(Text(dlg, id), "") << id;
        EXPECT_FALSE(Checked(dlg, IDC_DT_PRIVATE));
        Press(dlg, IDCANCEL);
    };
    EXPECT_EQ(ShowDetailDialog(nullptr, empty), IDCANCEL);
}

TEST_F(DialogTest, DetailHomePageButtonOpensOnlyWebAddresses) {
    CxDebugUtil& log = CxDebugUtil::Instance();
    log.SetFolder(dir.Path().c_str());
    log.SetEnabled(true);
    log.SetLevel(3);
    const struct {
        const char* page;
        const char* opened;
    } cases[] = {
        {"", nullptr},
        {"www.example.com/ada", "http://www.example.com/ada"},
        {"https://example.org", "https://example.org"},
        {"C:\\Windows\\System32\\calc.exe", nullptr},
        {"\\\\server\\share\\run.bat", nullptr},
    };
    for (const auto& c : cases) {
        CommAddr rec;
        SetFieldText(rec, FID_WORK_HOME_PAGE, c.page);
        opened.clear();
        drivers[IDD_DETAIL] = [&](HWND dlg) {
            EXPECT_TRUE(Enabled(dlg, IDC_DT_GO));
            Click(dlg, IDC_DT_GO);
            Press(dlg, IDCANCEL);
        };
        ShowDetailDialog(nullptr, rec);
        if (c.opened) {
            ASSERT_EQ(opened.size(), 1u) << c.page;
            EXPECT_EQ(opened[0], c.opened);
        } else {
            EXPECT_TRUE(opened.empty()) << c.page;
        }
    }
    std::string text = vt_test::ReadText(log.GetLogPath());
    EXPECT_NE(text.find("Home page is not a web address, not opened: "
                        "C:\\Windows\\System32\\calc.exe"),
              std::string::npos);
    EXPECT_NE(text.find("not opened: \\\\server\\share\\run.bat"), std::string::npos);
    EXPECT_NE(text.find("DetailDialog.cpp"), std::string::npos);
}

// ---- About -----------------------------------------------------------------

TEST_F(DialogTest, AboutBox) {
    drivers[IDD_ABOUT] = [&](HWND dlg) {
        EXPECT_EQ(Caption(dlg), "About Vantoro");
        EXPECT_EQ(Text(dlg, IDC_AB_VERSION), std::string("Version ") + VT_VERSION_TEXT);
        EXPECT_NE(SendMessageA(Ctl(dlg, IDC_DLG_LOGO), STM_GETIMAGE, IMAGE_ICON, 0), 0);
        EXPECT_NE(SendMessageA(Ctl(dlg, IDC_DLG_NAMEPIC), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        Press(dlg, IDOK);
    };
    EXPECT_EQ(ShowAboutDialog(nullptr), 1);
}

// The version block carries the project's version (built into this program
// the same way as into vantoro.exe).
TEST(VersionBlock, CarriesTheProjectVersion) {
    std::string self;
    ASSERT_TRUE(cxplat::GetModulePath(nullptr, self));
    uint16_t v[4] = {};
    ASSERT_TRUE(cxplat::GetFileVersion(self.c_str(), v));
    char text[64];
    snprintf(text, sizeof(text), "%u.%u.%u", v[0], v[1], v[2]);
    EXPECT_EQ(std::string(text), VT_PROJECT_VERSION);
    EXPECT_EQ(std::string(text), VT_VERSION_TEXT);
    EXPECT_EQ(v[3], 0);
}

// Every dialog reports "not shown" rather than failing without settings.
TEST_F(DialogTest, MissingSettingsAreNotShown) {
    DialogContext none;
    EXPECT_EQ(ShowOptionsDialog(nullptr, none), -1);
    EXPECT_EQ(ShowCustomMapDialog(nullptr, none), -1);
    EXPECT_EQ(ShowWizardDialog(nullptr, none), -1);
    EXPECT_EQ(ShowDebugSettingsDialog(nullptr, none), -1);
    EXPECT_TRUE(shown.empty());
}

// ---- Export ----------------------------------------------------------------

TEST_F(DialogTest, ExportWritesTheTickedRowsOfTheChosenList) {
    CommAddrMgr outlook;
    for (const char* name : {"Ann", "Bob", "Cy"}) {
        CommAddr rec;
        SetFieldText(rec, FID_FIRST_NAME, name);
        SetFieldText(rec, FID_EMAIL, (std::string(name) + "@example.com").c_str());
        outlook.AddCopy(&rec);
    }
    outlook.GetAt(2)->m_nFlags = ADDR_FLAG_UNREADABLE;
    ExportContext ex;
    ex.outlookStore = &outlook;
    ex.outlookTicked = {outlook.GetAt(1), outlook.GetAt(2)};

    const std::string path = dir.File("contacts.csv");
    std::string title, defExt;
    DWORD flags = 0;
    int asked = 0;
    bool cancelSave = true;
    GetDialogServices().saveFileName = [&](OPENFILENAMEA* ofn) {
        ++asked;
        title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
        defExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
        flags = ofn->Flags;
        if (cancelSave) return FALSE;
        strcpy(ofn->lpstrFile, path.c_str());
        return TRUE;
    };
    drivers[IDD_EXPORT] = [&](HWND dlg) {
        // No Palm Desktop list: only the Outlook one can be chosen.
        EXPECT_FALSE(Enabled(dlg, IDC_EX_PALM));
        EXPECT_TRUE(Checked(dlg, IDC_EX_OUTLOOK));
        EXPECT_TRUE(Checked(dlg, IDC_EX_ALL));
        EXPECT_EQ(ComboText(dlg, IDC_EX_FORMAT, 2), "CSV with Outlook's column names (.csv)");
        Click(dlg, IDC_EX_TICKED);
        Select(dlg, IDC_EX_FORMAT, 2);
        Press(dlg, IDOK);  // the save dialog is cancelled: nothing written, still open
        EXPECT_FALSE(vt_test::Exists(path));
        EXPECT_TRUE(IsWindow(dlg));
        cancelSave = false;
        Press(dlg, IDOK);
    };
    ASSERT_EQ(ShowExportDialog(nullptr, ex), 1);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(title, "Export Contacts");
    EXPECT_EQ(defExt, "csv");
    EXPECT_TRUE(flags & OFN_OVERWRITEPROMPT);
    const std::string text = vt_test::ReadText(path);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF\"Title\",\"First Name\"", 0), 0u);
    EXPECT_EQ(text.find("\"Ann\""), std::string::npos);
    EXPECT_NE(text.find("\"Bob\""), std::string::npos);
    EXPECT_EQ(text.find("\"Cy\""), std::string::npos);  // ticked, but not read whole
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Wrote 1 contact, skipped 2 (1 not read whole, 1 not ticked).\r\n\r\n" + path);
    EXPECT_EQ(messages[0].caption, "Export");
}

TEST_F(DialogTest, ExportRefusesAnEmptyChoiceWithoutAskingForAFile) {
    CommAddrMgr palm, outlook;
    CommAddr rec;
    SetFieldText(rec, FID_LAST_NAME, "Smith");
    palm.AddCopy(&rec);
    ExportContext ex;
    ex.palmStore = &palm;
    ex.outlookStore = &outlook;
    int asked = 0;
    GetDialogServices().saveFileName = [&](OPENFILENAMEA*) {
        ++asked;
        return FALSE;
    };
    drivers[IDD_EXPORT] = [&](HWND dlg) {
        EXPECT_TRUE(Checked(dlg, IDC_EX_PALM));
        Click(dlg, IDC_EX_TICKED);
        Press(dlg, IDOK);  // nothing ticked
        Click(dlg, IDC_EX_OUTLOOK);
        Click(dlg, IDC_EX_ALL);
        Press(dlg, IDOK);  // an empty list
        Press(dlg, IDCANCEL);
    };
    ASSERT_EQ(ShowExportDialog(nullptr, ex), IDCANCEL);
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "No row of the chosen list is ticked.");
    EXPECT_EQ(messages[1].text, "The chosen list holds no contacts.");
}

}  // namespace
