#include "src/dialogs/DetailDialog.h"

#include <commctrl.h>

#include <string>

#include "common/addr/CommAddr.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxGuard.h"
#include "src/AppDialogs.h"
#include "src/dialogs/DialogIds.h"
#include "src/dialogs/WebAddress.h"

namespace {

// The pages' own procedure: they only pass commands to the dialog.
INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return CxGuard("a page of the detail dialog", FALSE, [&]() -> INT_PTR {
        switch (msg) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
        case WM_NOTIFY:
            return SendMessageA(GetAncestor(hwnd, GA_ROOT), msg, wp, lp) ? TRUE : FALSE;
        default:
            return FALSE;
        }
    });
}

// Multi-line boxes need CR LF; a record may hold bare LF or CR.
std::string ToBoxLines(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') {
            out += "\r\n";
            if (p[1] == '\n') ++p;
        } else if (*p == '\n') {
            out += "\r\n";
        } else {
            out += *p;
        }
    }
    return out;
}

struct FieldControl {
    int control;
    int32_t field;
};

constexpr FieldControl kGeneral[] = {
    {IDC_DT_FIRST, FID_FIRST_NAME},     {IDC_DT_LAST, FID_LAST_NAME},
    {IDC_DT_COMPANY, FID_COMPANY},      {IDC_DT_TITLE, FID_TITLE},
    {IDC_DT_BUSITEL, FID_WORK_PHONE},   {IDC_DT_HOMETEL, FID_HOME_PHONE},
    {IDC_DT_MOBILETEL, FID_MOBILE_PHONE}, {IDC_DT_OTHERTEL, FID_OTHER_PHONE},
    {IDC_DT_EMAIL, FID_EMAIL},          {IDC_DT_FAX, FID_WORK_FAX},
    {IDC_DT_PAGER, FID_PAGER},          {IDC_DT_MAINTEL, FID_PRIMARY_PHONE},
    {IDC_DT_CAT, FID_CATEGORY},         {IDC_DT_IM1, FID_IM1},
    {IDC_DT_IM2, FID_IM2},              {IDC_DT_HOMEPAGE, FID_WORK_HOME_PAGE},
};

// Street, city, state, postal code, country of one address page.
struct AddrFields {
    int page;
    int32_t street;
};
constexpr AddrFields kAddr[] = {
    {IDC_DT_BUSIADDR, FID_WORK_STREET},
    {IDC_DT_HOMEADDR, FID_HOME_STREET},
    {IDC_DT_OTHERADDR, FID_OTHER_STREET},
};

const char* Text(const CommAddr& rec, int32_t id) {
    size_t size = 0;
    const char* t = GetTextSlot(rec, id, &size);
    return t ? t : "";
}

}  // namespace

DetailDialog::DetailDialog() : DialogBase(IDD_DETAIL) {}

void DetailDialog::ShowRecord(const CommAddr* rec) {
    m_pRec = rec;
    if (m_hWnd) TransferRecord(false);
}

HWND DetailDialog::MakePage(HWND tab, HWND parent, int templateId, int windowId) {
    HWND page = CreateDialogParamA(DialogModule(), MAKEINTRESOURCEA(templateId), parent,
                                   PageProc, 0);
    if (!page) return nullptr;
    SetWindowLongPtrA(page, GWLP_ID, windowId);
    RECT r;
    GetWindowRect(tab, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    SetWindowPos(page, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE);
    return page;
}

void DetailDialog::ShowPage(HWND tab, const std::vector<HWND>& pages) {
    int sel = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
    for (size_t i = 0; i < pages.size(); ++i)
        ShowWindow(pages[i], static_cast<int>(i) == sel ? SW_SHOW : SW_HIDE);
}

void DetailDialog::OnInit() {
    m_hMainTab = GetDlgItem(m_hWnd, IDC_DT_PAGES);
    const struct {
        const char* caption;
        int tmpl;
        int id;
    } pages[] = {
        {"Address", IDD_DETAIL_ADDRESS, IDC_DT_PAGE_ADDRESS},
        {"Notes", IDD_DETAIL_NOTES, IDC_DT_PAGE_NOTES},
        {"Other Information", IDD_DETAIL_OTHER, IDC_DT_PAGE_OTHER},
        {"General", IDD_DETAIL_GENERAL, IDC_DT_PAGE_GENERAL},
    };
    int index = 0;
    for (const auto& p : pages) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(p.caption);
        SendMessageA(m_hMainTab, TCM_INSERTITEMA, index++, reinterpret_cast<LPARAM>(&item));
        m_Pages.push_back(MakePage(m_hMainTab, m_hWnd, p.tmpl, p.id));
    }

    HWND addrPage = m_Pages[0];
    m_hAddrTab = GetDlgItem(addrPage, IDC_DT_ADDRPAGES);
    const struct {
        const char* caption;
        int tmpl;
        int id;
    } addr[] = {
        {"Other", IDD_DETAIL_ADDR_PAGE, IDC_DT_OTHERADDR},
        {"Home", IDD_DETAIL_ADDR_PAGE, IDC_DT_HOMEADDR},
        {"Business", IDD_DETAIL_BUSI_PAGE, IDC_DT_BUSIADDR},
    };
    index = 0;
    for (const auto& p : addr) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(p.caption);
        SendMessageA(m_hAddrTab, TCM_INSERTITEMA, index++, reinterpret_cast<LPARAM>(&item));
        m_AddrPages.push_back(MakePage(m_hAddrTab, addrPage, p.tmpl, p.id));
    }
    // "General" and "Business" come first.
    SendMessageA(m_hMainTab, TCM_SETCURSEL, 3, 0);
    SendMessageA(m_hAddrTab, TCM_SETCURSEL, 2, 0);
    ShowPage(m_hMainTab, m_Pages);
    ShowPage(m_hAddrTab, m_AddrPages);
    TransferRecord(false);
}

bool DetailDialog::TransferRecord(bool save) {
    if (!m_pRec) return false;
    if (save) return true;
    const CommAddr& rec = *m_pRec;
    for (const auto& fc : kGeneral) SetText(fc.control, Text(rec, fc.field));
    const int32_t* priv = GetIntSlot(rec, FID_PRIVATE);
    SetCheck(IDC_DT_PRIVATE, priv && *priv != 0);
    for (int n = 0; n < 9; ++n) SetText(IDC_DT_CUSTOM1 + n, Text(rec, FID_CUSTOM1 + n));
    for (const auto& a : kAddr) {
        HWND page = FindDescendant(m_hWnd, a.page);
        if (!page) continue;
        SetDlgItemTextA(page, IDC_DT_STREET, ToBoxLines(Text(rec, a.street)).c_str());
        SetDlgItemTextA(page, IDC_DT_CITY, Text(rec, a.street + 1));
        SetDlgItemTextA(page, IDC_DT_STATE, Text(rec, a.street + 2));
        SetDlgItemTextA(page, IDC_DT_POSTAL, Text(rec, a.street + 3));
        SetDlgItemTextA(page, IDC_DT_COUNTRY, Text(rec, a.street + 4));
    }
    SetText(IDC_DT_NOTES, ToBoxLines(Text(rec, FID_NOTE)).c_str());
    // The date only; a date outside the shown years stays empty.
    std::string birthday;
    const double* date = GetDateSlot(rec, FID_BIRTHDAY);
    CxDateTime dt;
    if (date && *date != 0.0 && dt.SetOleDate(*date)) birthday = dt.DateText();
    SetText(IDC_DT_BIRTHDAY, birthday.c_str());
    return true;
}

void DetailDialog::btnGoClick() {
    std::string text = GetText(IDC_DT_HOMEPAGE);
    if (text.empty()) return;
    std::string address;
    if (!MakeWebAddress(text, address)) {
        CX_LOG(2, "Home page is not a web address, not opened: %s", text.c_str());
        return;
    }
    ShellOpen(address.c_str());
}

bool DetailDialog::OnCommand(int id, int code) {
    if (id == IDC_DT_GO && code == BN_CLICKED) {
        btnGoClick();
        return true;
    }
    return false;
}

INT_PTR DetailDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    if (msg == WM_NOTIFY) {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->code == TCN_SELCHANGE) {
            if (hdr->hwndFrom == m_hMainTab) ShowPage(m_hMainTab, m_Pages);
            else if (hdr->hwndFrom == m_hAddrTab) ShowPage(m_hAddrTab, m_AddrPages);
            handled = true;
            return TRUE;
        }
    }
    handled = false;
    return 0;
}

int ShowDetailDialog(HWND owner, const CommAddr& rec) {
    DetailDialog dlg;
    dlg.ShowRecord(&rec);
    return dlg.ShowModal(owner);
}
