// The rows of the two contact lists: their records and ticks.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <commctrl.h>

#include "common/addr/CommAddr.h"

inline CommAddr* RowRecord(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<CommAddr*>(item.lParam);
}

inline int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

#endif
