#include "src/StatusBar.h"

#include <commctrl.h>

#include <cstdio>

#include "common/addr/CommAddr.h"

namespace {

std::string SideText(const char* side, const ListCounts& c) {
    char text[160];
    snprintf(text, sizeof(text), "%s: %d contact%s, %d new, %d different", side, c.rows,
             c.rows == 1 ? "" : "s", c.newRows, c.diffRows);
    return text;
}

}  // namespace

ListCounts CountListRows(HWND list) {
    ListCounts counts;
    const int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) continue;
        ++counts.rows;
        const auto* rec = reinterpret_cast<const CommAddr*>(item.lParam);
        if (!rec) continue;
        if (rec->m_nStatus == STATUS_NEW) ++counts.newRows;
        if (rec->m_nStatus == STATUS_DIFF) ++counts.diffRows;
    }
    return counts;
}

std::string StatusCountsText(const ListCounts& palm, const ListCounts& outlook) {
    return SideText("Palm Desktop", palm) + "      " + SideText("Outlook", outlook);
}

void ShowListCounts(HWND statusBar, HWND palmList, HWND outlookList) {
    const std::string text = StatusCountsText(CountListRows(palmList), CountListRows(outlookList));
    SendMessageA(statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
