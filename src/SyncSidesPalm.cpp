// The Palm Desktop side of the window: PmAddrInfo behind the run's interface.
#include <windows.h>

#include <string>

#include "common/misc/CxDebugUtil.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmComm.h"
#include "src/PalmSyncStore.h"
#include "src/SyncSides.h"

namespace {

std::string Quoted(const std::string& path) { return "\r\n" + path + "\r\n\r\n"; }

// Why the file at path cannot be loaded, or is read-only, in plain words.
std::string DescribeFile(const std::string& path, bool loaded, bool* readOnly) {
    *readOnly = false;
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            return "The folder of the Palm Desktop contacts file does not exist:" + Quoted(folder) +
                   "Choose another Palm Desktop user or file, or restore the folder, then choose File > Reload.";
        return "The Palm Desktop contacts file does not exist:" + Quoted(path) +
               "Choose another Palm Desktop user or file, or restore the file, then choose File > Reload.";
    }
    if (loaded) {
        if (!(attrs & FILE_ATTRIBUTE_READONLY)) return {};
        *readOnly = true;
        return "The Palm Desktop contacts file is read-only:" + Quoted(path) +
               "Its contacts are listed, but nothing is written to them. Clear the file's read-only "
               "attribute, then choose File > Reload.";
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return "Another program, probably Palm Desktop, is using the Palm Desktop contacts file:" +
                   Quoted(path) + "Close that program, then choose File > Reload.";
        return "The Palm Desktop contacts file cannot be opened (error " + std::to_string(error) + "):" +
               Quoted(path) + "Check its permissions, then choose File > Reload.";
    }
    CloseHandle(h);
    return "The Palm Desktop contacts file could not be read; it may be damaged:" + Quoted(path) +
           "The debug log holds the details.";
}

class PmSyncSide : public PalmSide {
public:
    bool AddContact(const CommAddr& rec) override { return m_Store.AddContact(rec); }
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override { return m_Store.UpdateContact(rec, pos); }
    bool WouldChange(const CommAddr& rec, uint32_t pos) override { return m_Store.WouldChange(rec, pos); }
    bool Save() override { return m_Store.Save(); }
    CommAddrMgr& GetStore() override { return m_Store.GetStore(); }
    PmAddrInfo* GetFacade() override { return &m_Info; }
    void SetSwapName(bool swap) override { m_Info.SetSwapName(swap); }
    bool LoadByUser(uint32_t userId) override {
        const bool ok = m_Info.LoadByUser(userId);
        char folder[CX_MAX_PATH] = {}, path[CX_MAX_PATH] = {};
        if (!PmFindUserFolder(userId, folder, sizeof(folder))) {
            Diagnose("", ok);
            if (!ok)
                m_strProblem = "Palm Desktop gives no data folder for the chosen user. Choose another "
                               "Palm Desktop user, or check the installation, then choose File > Reload.";
            return ok;
        }
        std::string file;
        if (m_Info.GetInstalledGeneration() == PM_GEN_6X)
            file = std::string(folder) + "address\\Address.mdb";
        else if (PmBuildUserAddressPath(folder, path, sizeof(path)))
            file = path;
        Diagnose(file, ok);
        return ok;
    }
    bool LoadFile(const char* path) override {
        const bool ok = m_Info.LoadFile(path);
        Diagnose(path ? path : "", ok);
        return ok;
    }

    CommSideState GetSideState() const override {
        const CommSideState state = m_Store.GetSideState();
        return state == SIDE_AVAILABLE && m_bReadOnlyFile ? SIDE_READONLY : state;
    }
    bool ChangedSinceLoad() const override { return m_Store.ChangedSinceLoad(); }
    bool LastSaveFoundChange() const override { return m_Store.LastSaveFoundChange(); }
    bool SavesAtEnd() const override { return m_Store.SavesAtEnd(); }
    std::string LoadProblem() const override {
        if (!m_strProblem.empty() || m_Info.GetSideState() != SIDE_READONLY) return m_strProblem;
        return "The Palm Desktop contacts file holds data its contacts list does not account for; "
               "it may be damaged. Its contacts are listed, but nothing is written to them, so that "
               "none are lost. The debug log holds the details.";
    }

private:
    void Diagnose(const std::string& path, bool loaded) {
        m_strProblem.clear();
        m_bReadOnlyFile = false;
        if (path.empty()) return;
        // The database is written through its engine, not as a file.
        if (loaded && m_Info.GetLoadedGeneration() == PM_GEN_6X) return;
        m_strProblem = DescribeFile(path, loaded, &m_bReadOnlyFile);
        if (!m_strProblem.empty()) CX_LOG(0, "Palm Desktop contacts: %s", m_strProblem.c_str());
    }

    PalmSyncStore m_Store;
    PmAddrInfo& m_Info = m_Store.Facade();
    std::string m_strProblem;
    bool m_bReadOnlyFile = false;
};

}  // namespace

std::unique_ptr<PalmSide> MakePalmSide() {
    return std::unique_ptr<PalmSide>(new PmSyncSide());
}
