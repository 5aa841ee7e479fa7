// The custom field mapping: which Outlook property takes each of the
// contact's custom fields 1 to 9. Works on the live settings array.
#pragma once

#ifdef _WIN32
#include <cstdint>

#include "src/dialogs/DialogBase.h"

struct DialogContext;

class CustomMapDialog : public DialogBase {
public:
    static constexpr int kLists = 9;
    static constexpr int32_t kEntries = 81;
    // Below this Palm Desktop version only four custom fields exist.
    static constexpr uint32_t kNineFieldsVersion = 40102;

    explicit CustomMapDialog(DialogContext& ctx);
    // Binds the dialog to the first nine custom values; false for null.
    bool SetMap(int32_t* values);
    bool TransferMap(bool save);

protected:
    void OnInit() override;
    bool OnCommand(int id, int code) override;

private:
    void FillTargetBox(HWND list, int32_t value);
    int32_t GetTargetBoxValue(HWND list) const;

    DialogContext& m_Ctx;
    int32_t* m_pMap = nullptr;
};
#endif
