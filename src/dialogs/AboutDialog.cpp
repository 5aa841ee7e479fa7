// The About box: pictures, version, rights holder, notice.
#include <string>

#include "src/AppDialogs.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"
#include "VtVersion.h"

namespace {

class AboutDialog : public DialogBase {
public:
    AboutDialog() : DialogBase(IDD_ABOUT) {}

protected:
    void OnInit() override {
        SetProductPictures(m_hWnd);
        SetText(IDC_AB_VERSION, (std::string("Version ") + VT_VERSION_TEXT).c_str());
    }
    bool OnCommand(int id, int) override {
        if (id != IDOK) return false;
        Close(1);
        return true;
    }
};

}  // namespace

int ShowAboutDialog(HWND owner) {
    AboutDialog dlg;
    return dlg.ShowModal(owner);
}
