// File > Export...: one of the two lists, all or the ticked rows, as vCard
// 4.0, vCard 3.0 or CSV, through the standard save-file dialog.
#include <unordered_set>

#include "common/export/CxExport.h"
#include "common/export/PmExportSource.h"
#include "src/AppDialogs.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"

namespace {

const char* const kFormatTexts[] = {
    "vCard 4.0 (.vcf)",
    "vCard 3.0 (.vcf), for Outlook and older phones",
    "CSV with Outlook's column names (.csv)",
};
const CxExportFormat kFormats[] = {CxExportFormat::VCard4, CxExportFormat::VCard3,
                                   CxExportFormat::Csv};

class ExportDialog : public DialogBase {
public:
    explicit ExportDialog(ExportContext& ctx) : DialogBase(IDD_EXPORT), m_Ctx(ctx) {}

protected:
    void OnInit() override {
        const bool palm = m_Ctx.palmStore != nullptr;
        Enable(IDC_EX_PALM, palm);
        Enable(IDC_EX_OUTLOOK, m_Ctx.outlookStore != nullptr);
        SetCheck(palm ? IDC_EX_PALM : IDC_EX_OUTLOOK, true);
        SetCheck(IDC_EX_ALL, true);
        HWND format = Item(IDC_EX_FORMAT);
        for (const char* t : kFormatTexts) SendMessageA(format, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
        SendMessageA(format, CB_SETCURSEL, 0, 0);
    }

    bool OnCommand(int id, int code) override {
        if (id != IDOK) return false;
        if (Export()) Close(1);
        return true;
    }

private:
    // True when the dialog is done (written, or a message said why not).
    bool Export() {
        const bool palm = IsChecked(IDC_EX_PALM);
        const CommAddrMgr* store = palm ? m_Ctx.palmStore : m_Ctx.outlookStore;
        if (!store || store->GetCount() == 0) {
            MessageBoxText("The chosen list holds no contacts.", "Export", MB_OK | MB_ICONINFORMATION);
            return false;
        }
        CxExportOptions options;
        LRESULT sel = SendMessageA(Item(IDC_EX_FORMAT), CB_GETCURSEL, 0, 0);
        options.m_nFormat = kFormats[sel >= 0 && sel < 3 ? sel : 0];
        options.m_nCodePage = m_Ctx.codePage;
        if (IsChecked(IDC_EX_TICKED)) {
            const auto& ticked = palm ? m_Ctx.palmTicked : m_Ctx.outlookTicked;
            const std::unordered_set<const CommAddr*> set(ticked.begin(), ticked.end());
            options.m_Rows.resize(store->GetCount());
            bool any = false;
            for (uint32_t i = 0; i < store->GetCount(); ++i) {
                const bool on = set.count(store->GetAt(i)) != 0;
                options.m_Rows[i] = on;
                any = any || on;
            }
            if (!any) {
                MessageBoxText("No row of the chosen list is ticked.", "Export",
                               MB_OK | MB_ICONINFORMATION);
                return false;
            }
        }
        std::string path;
        if (!AskFile(options.m_nFormat, path)) return false;

        CxExportWriter writer(options.m_nFormat);
        CxExportStats stats;
        if (palm && m_Ctx.palm && m_Ctx.palm->IsLoaded()) {
            PmExportAll(*m_Ctx.palm, options, writer, stats);
        } else {
            CxExportStore(*store, options, writer, stats);
        }
        std::string reason;
        if (!CxWriteFileReplace(path.c_str(), writer.GetText(), reason)) {
            MessageBoxText(("The contacts could not be exported: " + reason + ".").c_str(), "Error",
                           MB_OK | MB_ICONERROR);
            return false;
        }
        MessageBoxText((stats.Summary() + "\r\n\r\n" + path).c_str(), "Export",
                       MB_OK | MB_ICONINFORMATION);
        return true;
    }

    bool AskFile(CxExportFormat format, std::string& path) {
        const bool csv = format == CxExportFormat::Csv;
        static const char kVcf[] = "vCard Files (*.vcf)\0*.vcf\0All Files (*.*)\0*.*\0";
        static const char kCsv[] = "CSV Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
        char file[MAX_PATH] = {};
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = m_hWnd;
        ofn.lpstrFilter = csv ? kCsv : kVcf;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = MAX_PATH - 1;
        ofn.lpstrTitle = "Export Contacts";
        ofn.lpstrDefExt = csv ? "csv" : "vcf";
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetDialogServices().saveFileName(&ofn) || !file[0]) return false;
        path = file;
        return true;
    }

    ExportContext& m_Ctx;
};

}  // namespace

int ShowExportDialog(HWND owner, ExportContext& ctx) {
    ExportDialog dlg(ctx);
    return dlg.ShowModal(owner);
}
