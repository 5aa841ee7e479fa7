#include "src/AppSettings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/backup/BackupStore.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/misc/WinUtil.h"

namespace {

bool EnsureFolder(const std::string& path) {
    return cxplat::FolderExists(path.c_str()) || cxplat::CreateFolder(path.c_str());
}

std::string CustomKey(int n) {
    char key[32];
    snprintf(key, sizeof(key), "AddrCustom_%d", n);
    return key;
}

}  // namespace

bool GetAppDataFolder(char* out, size_t size) {
    std::string path;
    if (!cxplat::GetCommonAppDataFolder(path)) return false;
    if (path.empty() || !cxplat::IsPathSep(path.back())) path += cxplat::kPathSep;
    path += kVendorFolder;
    if (!EnsureFolder(path)) return false;
    path += cxplat::kPathSep;
    path += kProductFolder;
    if (!EnsureFolder(path)) return false;
    path += cxplat::kPathSep;
    if (!out || path.size() >= size) return false;
    CxCopyText(out, size, path.c_str());
    return true;
}

void LoadSettings(CxIniUtil& ini, AppSettings& s) {
    memset(&s, 0, sizeof(s));
    const char* sec = kSettingsSection;
    s.bShowWizard = ini.ReadBool(sec, "ShowWizard", true);
    s.bShowHistory = ini.ReadBool(sec, "ShowHistory", true);
    s.nSyncMode = ini.ReadInt(sec, "SyncMode", SYNC_PALM_TO_OUTLOOK);
    s.bShowColor = ini.ReadBool(sec, "ShowColor", true);
    s.nDiffColor = ini.ReadInt(sec, "DiffColor", 16711680);
    s.nSameColor = ini.ReadInt(sec, "SameColor", 0);
    s.nNewColor = ini.ReadInt(sec, "NewColor", 32768);
    s.nConfAction = ini.ReadInt(sec, "ConfAction", CONF_DO_NOTHING);
    s.bActionAlways = ini.ReadBool(sec, "ActionAlways", false);
    s.bAddrSwapName = ini.ReadBool(sec, "AddrSwapName", false);
    s.bAddrEmailOnly = ini.ReadBool(sec, "AddrEmailOnly", false);
    s.bEnableDebug = ini.ReadBool(sec, "EnableDebug", false);
    s.nLogLevel = ini.ReadInt(sec, "LogLevel", 3);
    s.nPDUserID = ini.ReadInt(sec, "PDUserID", 0);
    s.bUseAddrFile = ini.ReadBool(sec, "UseAddrFile", false);
    // One byte more than the field can hold tells a name that does not fit:
    // a cut path would name another file.
    char name[sizeof(s.szAddrFileName) + 1] = {};
    if (ini.ReadString(sec, "AddrFileName", name, sizeof(name), "") < sizeof(s.szAddrFileName)) {
        CxCopyText(s.szAddrFileName, sizeof(s.szAddrFileName), name);
    } else {
        s.bAddrFileNameRefused = true;  // logged and shown at start-up, once the log is set up
    }
    s.bAddrCustom = ini.ReadBool(sec, "AddrCustom", false);
    for (int n = 1; n <= kCustomKeyCount; ++n)
        s.nAddrCustom[n - 1] = ini.ReadInt(sec, CustomKey(n).c_str(), 0);
    s.bWriteNotes = ini.ReadBool(sec, "WriteNotes", true);
    s.nAddrType = ini.ReadInt(sec, "AddrType", 1);
    s.nBackupRuns = ini.ReadInt(sec, BackupStore::kKeepRunsKey, BackupStore::kDefaultKeepRuns);
    // A negative count means nothing; it would keep all, which nobody chose.
    if (s.nBackupRuns < 0) s.nBackupRuns = BackupStore::kDefaultKeepRuns;
    if (s.bAddrFileNameRefused) s.bUseAddrFile = false;
}

void SaveSettings(CxIniUtil& ini, const AppSettings& s) {
    const char* sec = kSettingsSection;
    ini.WriteBool(sec, "ShowWizard", s.bShowWizard);
    ini.WriteBool(sec, "ShowHistory", s.bShowHistory);
    ini.WriteBool(sec, "ShowColor", s.bShowColor);
    ini.WriteInt(sec, "DiffColor", s.nDiffColor);
    ini.WriteInt(sec, "SameColor", s.nSameColor);
    ini.WriteInt(sec, "NewColor", s.nNewColor);
    ini.WriteInt(sec, "ConfAction", s.nConfAction);
    ini.WriteBool(sec, "ActionAlways", s.bActionAlways);
    ini.WriteBool(sec, "AddrSwapName", s.bAddrSwapName);
    ini.WriteBool(sec, "AddrEmailOnly", s.bAddrEmailOnly);
    ini.WriteBool(sec, "EnableDebug", s.bEnableDebug);
    ini.WriteInt(sec, "LogLevel", s.nLogLevel);
    ini.WriteInt(sec, "PDUserID", s.nPDUserID);
    // A refused file name the user did not replace stays stored as it was.
    const bool keepStored = s.bAddrFileNameRefused && !s.bUseAddrFile && !s.szAddrFileName[0];
    if (!keepStored) {
        ini.WriteBool(sec, "UseAddrFile", s.bUseAddrFile);
        ini.WriteString(sec, "AddrFileName", s.szAddrFileName);
    }
    ini.WriteBool(sec, "AddrCustom", s.bAddrCustom);
    for (int n = 1; n <= kCustomKeyCount; ++n)
        ini.WriteInt(sec, CustomKey(n).c_str(), s.nAddrCustom[n - 1]);
    ini.WriteBool(sec, "WriteNotes", s.bWriteNotes);
    ini.WriteInt(sec, "AddrType", s.nAddrType);
    ini.WriteInt(sec, BackupStore::kKeepRunsKey, s.nBackupRuns);
}

bool OpenSettings(CxIniUtil& ini, AppSettings& settings, char* dataFolder, size_t size) {
    bool haveFolder = GetAppDataFolder(dataFolder, size);
    if (haveFolder) {
        std::string path = std::string(dataFolder) + kSettingsFileName;
        ini.SetPath(path.c_str());
    } else if (dataFolder && size) {
        dataFolder[0] = 0;
    }
    LoadSettings(ini, settings);
    return haveFolder;
}

void ApplyLogSettings(const AppSettings& settings, const char* dataFolder) {
    CxDebugUtil& log = CxDebugUtil::Instance();
    if (dataFolder && *dataFolder) log.SetFolder(dataFolder);
    log.SetEnabled(settings.bEnableDebug);
    log.SetLevel(settings.nLogLevel);
}

void GetFieldMapping(const AppSettings& s, int32_t out[kFieldMapCount]) {
    out[0] = s.nAddrType;
    for (int i = 1; i < kFieldMapCount; ++i) out[i] = s.nAddrCustom[i - 1];
}

PalmUserList& GetPalmUserList() {
    static PalmUserList list;
    return list;
}

void FreePalmUserList() { GetPalmUserList().RemoveAll(true); }
