#include "window/WindowEnv.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>

#include "common/misc/WinUtil.h"
#include "common/outlook/OlAddr.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmDesktop.h"
#include "palm/PalmFixture.h"
#include "src/ConfAlertDialog.h"
#include "standins/palmdesktop/PdSetup.h"
#include "src/dialogs/DialogBase.h"
#include "src/resource.h"
#include "standins/outlook/OlStandIn.h"

namespace win_test {

namespace {

std::string StandInFolder(const char* name) {
    char exe[260] = {};
    GetModuleFolder(nullptr, exe, sizeof(exe));
    return std::string(exe) + VT_STANDINS_REL + name + "\\";
}

void SetRegText(HKEY root, const char* key, const char* name, const std::string& value) {
    HKEY h;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    if (value.empty())
        RegDeleteValueA(h, name);
    else
        RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

const char* const kOutlookKey = "Software\\Vantoro\\StandIns\\Outlook";

// COM, the common controls and the stand-in Outlook for the whole program.
class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        std::string dll = StandInFolder("outlook") + "vt_outlook_standin.dll";
        HMODULE h = LoadLibraryA(dll.c_str());
        ASSERT_NE(h, nullptr) << dll;
        auto reg = reinterpret_cast<VtOlStandInRegisterFn>(
            reinterpret_cast<void*>(GetProcAddress(h, "DllRegisterServer")));
        ASSERT_TRUE(reg && reg() == S_OK);
        PmAddrInfo::UseUserDataFolder();
    }
    void TearDown() override {
        SetRegText(HKEY_CURRENT_USER, kOutlookKey, "DataFile", "");
        CoUninitialize();
    }
};

const auto* const g_Env = ::testing::AddGlobalTestEnvironment(new Environment);

void PutOutlookContact(std::string& out, const Contact& c) {
    out += "[Contact]\r\n";
    auto line = [&out](const char* name, const std::string& v) {
        if (!v.empty()) out += std::string(name) + "=" + v + "\r\n";
    };
    line("FirstName", c.first);
    line("LastName", c.last);
    line("Email1Address", c.email);
    line("CompanyName", c.company);
    line("BusinessTelephoneNumber", c.workPhone);
    line("BusinessAddressStreet", c.street);
}

}  // namespace

CommAddr ToCommAddr(const Contact& c) {
    CommAddr rec;
    SetFieldText(rec, FID_FIRST_NAME, c.first.c_str());
    SetFieldText(rec, FID_LAST_NAME, c.last.c_str());
    SetFieldText(rec, FID_EMAIL, c.email.c_str());
    SetFieldText(rec, FID_COMPANY, c.company.c_str());
    SetFieldText(rec, FID_WORK_PHONE, c.workPhone.c_str());
    SetFieldText(rec, FID_WORK_STREET, c.street.c_str());
    return rec;
}

World::World() : m_Ini("", "brenvik.ini") {
    const std::string from = StandInFolder("palmdesktop");
    for (const char* f : {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll"})
        EXPECT_TRUE(CopyFileA((from + f).c_str(), m_Palm.File(f).c_str(), FALSE)) << f;
    EXPECT_TRUE(CopyFileA((from + "v414\\palm.exe").c_str(), m_Palm.File("palm.exe").c_str(), FALSE));
    SetRegText(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", m_Palm.Path());
    SetOutlook({});
    // Any other dialog the window opens (problem report, options, ...) is
    // answered with Cancel, so a test never waits on a modal loop.
    shownDialogs.clear();
    GetDialogServices().onShown = [this](HWND dlg, int id) {
        shownDialogs.push_back(id);
        PostMessage(dlg, WM_COMMAND, IDCANCEL, 0);
    };
}

World::~World() {
    ResetDialogServices();
    Stop();
    RegDeleteKeyA(HKEY_CURRENT_USER, kPalmCoreKeyUser);
    SetRegText(HKEY_CURRENT_USER, kOutlookKey, "DataFile", "");
    TfmConfAlert::SetShownHook(nullptr);
}

std::string World::PalmFile(uint32_t id) const {
    return m_Palm.Path() + "user" + std::to_string(id) + "\\address\\address.dat";
}

void World::AddPalmUser(uint32_t id, const std::string& name, const std::vector<Contact>& contacts) {
    std::vector<CommAddr> records;
    for (const Contact& c : contacts) records.push_back(ToCommAddr(c));
    AddPalmUserRecords(id, name, records);
}

void World::SetOutlookRecords(const std::vector<CommAddr>& contacts) {
    const std::string path = m_Outlook.File("contacts.txt");
    std::string error;
    ASSERT_TRUE(pdsetup::WriteOutlookFile(path, contacts, error)) << error;
    SetRegText(HKEY_CURRENT_USER, kOutlookKey, "DataFile", path);
}

void World::AddPalmUserRecords(uint32_t id, const std::string& name, const std::vector<CommAddr>& contacts) {
    m_strUsers += std::to_string(id) + "\t" + name + "\tuser" + std::to_string(id) + "\r\n";
    vt_test::WriteText(m_Palm.File("users.txt"), m_strUsers);
    const std::string dir = m_Palm.Path() + "user" + std::to_string(id);
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA((dir + "\\address").c_str(), nullptr);
    palm_fixture::ExLayout layout;
    layout.dbName = "AddressDB";
    layout.categories = {{1, 1, "Business", ""}};
    vt_test::WriteBytes(PalmFile(id), palm_fixture::BuildEx(layout));
    PmAddrInfo info(40104);
    ASSERT_TRUE(info.LoadFile(PalmFile(id).c_str()));
    for (const CommAddr& rec : contacts) ASSERT_TRUE(info.AddContact(&rec));
    ASSERT_TRUE(info.Save());
}

void World::SetOutlook(const std::vector<Contact>& contacts) {
    std::string text = "# window test\r\n";
    for (const Contact& c : contacts) PutOutlookContact(text, c);
    const std::string path = m_Outlook.File("contacts.txt");
    vt_test::WriteText(path, text);
    SetRegText(HKEY_CURRENT_USER, kOutlookKey, "DataFile", path);
}

void World::SetSetting(const std::string& key, const std::string& value) {
    m_strSettings += key + "=" + value + "\r\n";
}

TfmMain& World::Start() {
    vt_test::WriteText(SettingsFile(), m_strSettings);
    MainWindowOptions options;
    options.dataFolder = m_Data.Path();
    options.quitOnDestroy = false;
    options.makePalmSide = makePalmSide;
    options.messageBox = [this](HWND, const char* text, const char* caption, UINT type) {
        messages.push_back({text, caption, type});
        return IDOK;
    };
    options.shellOpen = [this](const char* target) {
        shellOpened.push_back(target);
        return shellOpens;
    };
    m_pMain.reset(new TfmMain(m_Ini, m_History, options));
    EXPECT_TRUE(m_pMain->Create(GetModuleHandleA(nullptr)));
    m_pMain->Startup();
    return *m_pMain;
}

void World::Stop() {
    if (m_pMain) m_pMain->Close();
    m_pMain.reset();
    m_History.Clear();
}

std::vector<CommAddr> World::ReadOutlook() const {
    std::vector<CommAddr> out;
    OlAddrUtil util;
    if (!util.Load()) return out;
    CommAddrMgr* store = util.GetStore();
    for (uint32_t i = 0; i < store->GetCount(); ++i) out.push_back(*store->GetAt(i));
    return out;
}

std::vector<CommAddr> World::ReadPalm(uint32_t id) const {
    std::vector<CommAddr> out;
    PmAddrInfo info(40104);
    if (!info.LoadFile(PalmFile(id).c_str())) return out;
    CommAddrMgr* store = info.GetStore();
    for (uint32_t i = 0; i < store->GetCount(); ++i) out.push_back(*store->GetAt(i));
    return out;
}

int Rows(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

bool Ticked(HWND list, int row) {
    return ListView_GetCheckState(list, row) != FALSE;
}

const CommAddr* RecordAt(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<const CommAddr*>(item.lParam);
}

std::string CellText(HWND list, int row, int column) {
    char text[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

void Click(TfmMain& main, int id) {
    HWND control = GetDlgItem(main.GetListPage(), id);
    if (!control) control = GetDlgItem(main.GetHandle(), id);
    if (id == IDC_RBTNADDRP2O || id == IDC_RBTNADDRO2P || id == IDC_RBTNADDRSYNC)
        CheckRadioButton(main.GetListPage(), IDC_RBTNADDRP2O, IDC_RBTNADDRSYNC, id);
    SendMessageA(control ? GetParent(control) : main.GetHandle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

}  // namespace win_test
