// The facade's rules around its files: loads that fail whole on an
// allocation failure, paths that must fit, read-only opening, and saves that
// never overwrite what someone else wrote since the load.
#include <cstring>
#include <new>

#include "common/misc/CxDebugUtil.h"
#include "common/palm/PalmAddrInfo.h"

namespace {

bool PathFits(const char* path) {
    if (strlen(path) < PM_PATH_SIZE) return true;
    CX_LOG(0, "The Palm Desktop file path is longer than %d characters; it is not loaded: %s",
           static_cast<int>(PM_PATH_SIZE - 1), path);
    return false;
}

}  // namespace

template <class Load>
bool PmAddrInfo::GuardLoad(const char* what, Load&& load) {
    try {
        return load();
    } catch (const std::bad_alloc&) {
        // Nothing half-loaded is offered: a partial list would be saved back
        // without the contacts that did not fit.
        m_pClassic->Close();
        m_pEx->Close();
        Clear();
        m_nLoadedGen = PM_GEN_FAILED;
        CX_LOG(0, "Not enough memory to load the Palm Desktop contacts; the load failed: %s", what);
        return false;
    }
}

bool PmAddrInfo::LoadByUser(uint32_t userId) {
    char what[32];
    snprintf(what, sizeof what, "user %u", static_cast<unsigned>(userId));
    return GuardLoad(what, [&] { return LoadByUserUnguarded(userId); });
}

bool PmAddrInfo::LoadFile(const char* path) {
    if (!path || !path[0]) return false;
    if (!PathFits(path)) {
        Clear();
        m_nLoadedGen = PM_GEN_FAILED;
        return false;
    }
    return GuardLoad(path, [&] { return LoadFileUnguarded(path); });
}

void PmAddrInfo::SetReadOnly(bool readOnly) {
    m_bReadOnly = readOnly;
    m_pClassic->SetReadOnly(readOnly);
    m_pEx->SetReadOnly(readOnly);
    m_pEx2->SetAccess(readOnly ? PM_ACCESS_READONLY : PM_ACCESS_SHARED);
}

const PmDBUtil* PmAddrInfo::LoadedFileStore() const {
    switch (m_nLoadedGen) {
    case PM_GEN_CLASSIC: return m_pClassic.get();
    case PM_GEN_41X: return m_pEx.get();
    default: return nullptr;
    }
}

bool PmAddrInfo::ChangedSinceLoad() const {
    const PmDBUtil* store = LoadedFileStore();
    return store && store->ChangedSinceLoad();
}

bool PmAddrInfo::Save() {
    m_bLastSaveFoundChange = false;
    if (m_nLoadedGen == PM_GEN_6X) return true;
    const PmDBUtil* store = LoadedFileStore();
    if (!store) return false;
    if (m_bReadOnly) {
        CX_LOG(0, "The Palm Desktop file was opened read-only; it is not saved: %s",
               store->GetStampPath());
        return false;
    }
    if (GetSideState() == SIDE_READONLY) {
        CX_LOG(0, "The Palm Desktop file was loaded read-only (more rows follow its record "
                  "count); it is not saved.");
        return false;
    }
    // The store checks once more while it holds the file; this check spares
    // the work of writing a content that would be dropped.
    if (store->ChangedSinceLoad()) {
        CX_LOG(0, "Palm Desktop's data changed since it was loaded; nothing was saved: %s",
               store->GetStampPath());
        m_bLastSaveFoundChange = true;
        return false;
    }
    bool ok = false;
    if (m_nLoadedGen == PM_GEN_CLASSIC) {
        char path[PM_PATH_SIZE];
        CxCopyText(path, m_pClassic->GetFileName());
        ok = m_pClassic->SaveAs(path);
    } else {
        ok = m_pEx->Save();
    }
    if (!ok && store->LastSaveFoundChange()) {
        CX_LOG(0, "Palm Desktop's data changed since it was loaded; nothing was saved: %s",
               store->GetStampPath());
        m_bLastSaveFoundChange = true;
    }
    return ok;
}
