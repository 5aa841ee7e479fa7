// The two sides as the main window holds them: the run's side interface
// plus the loading each side needs. Adapters over the Palm Desktop facade
// and the Outlook reader and writer; tests may hand in their own.
#pragma once

#ifdef _WIN32

#include <cstdint>
#include <memory>
#include <string>

#include "src/SyncEngine.h"

class OlAddrUtil;
class PmAddrInfo;

class PalmSide : public ISyncSide {
public:
    // Plain words on what kept the last load from being whole (empty when
    // it was): shown to the user at once.
    virtual std::string LoadProblem() const { return {}; }
    virtual void SetSwapName(bool swap) = 0;
    virtual bool LoadByUser(uint32_t userId) = 0;
    virtual bool LoadFile(const char* path) = 0;
    // The facade with the native records, for export; null when there is none.
    virtual PmAddrInfo* GetFacade() { return nullptr; }
};

class OutlookSide : public ISyncSide {
public:
    virtual std::string LoadProblem() const { return {}; }
    // Reads every contact of the Contacts folder afresh.
    virtual bool Reload() = 0;
    virtual void SetCustomMap(const int32_t map[10]) = 0;
    // The reader itself, for the dialogs; null when there is none.
    virtual OlAddrUtil* GetUtil() = 0;
};

// Over PmAddrInfo.
std::unique_ptr<PalmSide> MakePalmSide();
// Over OlAddrUtil (opens or joins the Outlook session).
std::unique_ptr<OutlookSide> MakeOutlookSide();


#endif
