// A stand-in world for the main window: a Palm Desktop 4.1.4 installation
// with users and their contacts files, the stand-in Outlook with its
// contacts file, a settings folder, and the window made over them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"
#include "src/MainWindow.h"
#include "src/SyncHistory.h"
#include "support/TestSupport.h"

namespace win_test {

// The fields a test sets; the rest stay empty.
struct Contact {
    std::string first, last, email, company, workPhone, street;
};

CommAddr ToCommAddr(const Contact& c);

// The contacts most window tests start from. Palm Desktop: Ann (same), Bob
// (different), Cid (Palm Desktop only), Dee (no e-mail, same); Outlook: Ann,
// Bob, Eve (Outlook only), Dee.
inline const Contact kAnn{"Ann", "Able", "ann@example.com", "Acme", "555-0001", ""};
inline const Contact kBobPalm{"Bob", "Baker", "bob@example.com", "Palm Co", "555-0002", ""};
inline const Contact kBobOutlook{"Bob", "Baker", "bob@example.com", "Outlook Co", "555-0002", ""};
inline const Contact kCid{"Cid", "Cole", "cid@example.com", "", "", ""};
inline const Contact kDee{"Dee", "Dunn", "", "NoMail Ltd", "", ""};
inline const Contact kEve{"Eve", "Evans", "eve@example.com", "", "555-0005", ""};


struct ShownMessage {
    std::string text, caption;
    UINT type;
};

class World {
public:
    World();
    ~World();

    // Palm Desktop users, each with a contacts file of these contacts.
    void AddPalmUser(uint32_t id, const std::string& name, const std::vector<Contact>& contacts);
    void SetOutlook(const std::vector<Contact>& contacts);
    // The same from whole records (the demo's generated contacts).
    void AddPalmUserRecords(uint32_t id, const std::string& name, const std::vector<CommAddr>& contacts);
    void SetOutlookRecords(const std::vector<CommAddr>& contacts);
    // Settings written before the window starts ("ShowWizard" is off).
    void SetSetting(const std::string& key, const std::string& value);

    // Makes the window and runs start-up (no wizard, no message loop).
    TfmMain& Start();
    // Closes the window: settings saved, both sides gone (Outlook written).
    void Stop();

    TfmMain& Main() { return *m_pMain; }
    std::string PalmFile(uint32_t id) const;
    std::string SettingsFile() const { return m_Data.File("brenvik.ini"); }
    std::string HistoryFile() const { return m_Data.File("synchis.dat"); }
    // Contacts of the stand-in Outlook file (after Stop) and of a Palm file.
    std::vector<CommAddr> ReadOutlook() const;
    std::vector<CommAddr> ReadPalm(uint32_t id) const;

    std::vector<ShownMessage> messages;
    // What the window asked the shell to open, and whether that works.
    std::vector<std::string> shellOpened;
    bool shellOpens = true;
    // The Palm Desktop side the window makes (default: over the facade).
    std::function<std::unique_ptr<PalmSide>()> makePalmSide = MakePalmSide;

private:
    vt_test::TempDir m_Palm;
    vt_test::TempDir m_Data;
    vt_test::TempDir m_Outlook;
    std::string m_strUsers;
public:
    // Template ids of the dialogs opened through the dialogs' services.
    std::vector<int> shownDialogs;

private:
    std::string m_strSettings = "[Vantoro_OL_PD]\r\nShowWizard=0\r\n";
    CxIniUtil m_Ini;
    SyncHistoryMgr m_History;
    std::unique_ptr<TfmMain> m_pMain;
};

// List helpers.
int Rows(HWND list);
bool Ticked(HWND list, int row);
const CommAddr* RecordAt(HWND list, int row);
std::string CellText(HWND list, int row, int column);
// Clicks a control of the contacts page or the main window.
void Click(TfmMain& main, int id);

}  // namespace win_test
