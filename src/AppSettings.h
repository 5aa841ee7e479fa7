// Settings of the program, its per-machine data folder and the Palm Desktop
// user list container.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/misc/CxIniUtil.h"
#include "common/misc/CxList.h"

constexpr const char* kAppTitle = "Vantoro for Outlook and Palm Desktop";
constexpr const char* kSettingsFileName = "brenvik.ini";
constexpr const char* kSettingsSection = "Vantoro_OL_PD";
constexpr const char* kVendorFolder = "brenvik";
constexpr const char* kProductFolder = "Vantoro_OL_PD";

constexpr int kCustomKeyCount = 10;
constexpr int kFieldMapCount = 10;

enum SyncMode : int32_t {
    SYNC_PALM_TO_OUTLOOK = 1,
    SYNC_OUTLOOK_TO_PALM = 2,
    SYNC_BOTH_WAYS = 3,
};

enum ConflictAction : int32_t {
    CONF_REMIND = 0,
    CONF_PALM_WINS = 1,
    CONF_OUTLOOK_WINS = 2,
    CONF_DO_NOTHING = 3,
};

struct AppSettings {
    bool bShowWizard;
    bool bShowHistory;
    int32_t nSyncMode;
    bool bShowColor;
    int32_t nDiffColor;
    int32_t nSameColor;
    int32_t nNewColor;
    int32_t nConfAction;
    bool bActionAlways;
    bool bAddrSwapName;
    bool bAddrEmailOnly;
    bool bEnableDebug;
    int32_t nLogLevel;
    int32_t nPDUserID;
    bool bUseAddrFile;
    char szAddrFileName[260];  // at most 259 characters
    bool bAddrCustom;
    int32_t nAddrCustom[kCustomKeyCount];  // keys "AddrCustom_1" .. "AddrCustom_10"
    bool bWriteNotes;
    int32_t nAddrType;
    // How many of the newest runs keep their backups; 0 keeps all.
    int32_t nBackupRuns;
    // The stored "AddrFileName" was longer than the field: it was ignored
    // (not cut) and the contacts load by user. Start-up tells the user; the
    // stored keys are left as they are.
    bool bAddrFileNameRefused;
};

// The data folder: common application data + "brenvik" + "Vantoro_OL_PD",
// each made when missing, ending with a separator. out holds 260 bytes.
bool GetAppDataFolder(char* out, size_t size);

// Zeroes the record, then reads every key in table order.
void LoadSettings(CxIniUtil& ini, AppSettings& settings);
// Writes the keys in the write order; "SyncMode" is never written.
void SaveSettings(CxIniUtil& ini, const AppSettings& settings);

// Start-up: points the settings file at the data folder when it can be had
// (dataFolder receives it, or an empty text), then loads the settings.
bool OpenSettings(CxIniUtil& ini, AppSettings& settings, char* dataFolder, size_t size);
// Start-up: log folder (when the data folder exists), enabled flag and level.
void ApplyLogSettings(const AppSettings& settings, const char* dataFolder);

// The ten values handed to the Outlook side: "AddrType", then custom keys 1..9.
void GetFieldMapping(const AppSettings& settings, int32_t out[kFieldMapCount]);

// One entry of the Palm Desktop user list.
struct PalmUserInfo {
    uint32_t nUserID;
    char szUserName[64];
    char szUserDir[260];
};

// The process-wide user list owns its entries.
class PalmUserList : public CxList<PalmUserInfo> {
public:
    PalmUserList() : CxList<PalmUserInfo>(true) {}
};

PalmUserList& GetPalmUserList();
// Frees every entry; safe when the list is empty.
void FreePalmUserList();
