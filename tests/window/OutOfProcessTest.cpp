// The main window with the stand-in Outlook out of process, as Outlook
// itself runs: one smoke run of about twenty contacts (every call crosses
// to the server program, about 2 ms each under Wine).
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/misc/WinUtil.h"
#include "src/resource.h"
#include "standins/outlook/OlStandIn.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

// The server form for this test, the DLL again after it.
class ServerForm {
public:
    ServerForm() {
        char exe[260] = {};
        GetModuleFolder(nullptr, exe, sizeof(exe));
        m_hDll = LoadLibraryA((std::string(exe) + VT_STANDINS_REL + "outlook\\vt_outlook_standin.dll").c_str());
        m_bOk = Call("VtOlStandInRegisterLocal");
    }
    ~ServerForm() { Call("DllRegisterServer"); }
    bool Ok() const { return m_bOk; }

private:
    bool Call(const char* name) {
        auto fn = m_hDll ? reinterpret_cast<VtOlStandInRegisterFn>(reinterpret_cast<void*>(GetProcAddress(m_hDll, name)))
                         : nullptr;
        return fn && fn() == S_OK;
    }
    HMODULE m_hDll = nullptr;
    bool m_bOk = false;
};

Contact Person(int i, const char* company) {
    const std::string k = std::to_string(i);
    return {"N" + k, "S" + k, "n" + k + "@example.com", company, "555-01" + k, ""};
}

}  // namespace

TEST(MainWindowOutOfProcess, PalmToOutlookThroughTheServerProgram) {
    ServerForm form;
    ASSERT_TRUE(form.Ok());
    World world;
    // Palm: 12 contacts; Outlook: 8 of them (3 with another company) and 2 of its own.
    std::vector<Contact> palm, outlook;
    for (int i = 0; i < 12; ++i) palm.push_back(Person(i, "Palm Co"));
    for (int i = 0; i < 8; ++i) outlook.push_back(Person(i, i < 3 ? "Outlook Co" : "Palm Co"));
    outlook.push_back(Person(20, "Own"));
    outlook.push_back(Person(21, "Own"));
    world.AddPalmUser(1, "Alice", palm);
    world.SetOutlook(outlook);

    TfmMain& main = world.Start();
    EXPECT_EQ(Rows(main.GetOutlookList()), 10);
    Click(main, IDC_RBTNADDRP2O);  // ticks the 3 different and the 4 new
    Click(main, IDC_BTNADDRSTART);
    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text, "Contact information synchronized successfully. 7 records updated.");
    EXPECT_EQ(Rows(main.GetOutlookList()), 14);
    world.Stop();

    std::vector<CommAddr> after = world.ReadOutlook();
    ASSERT_EQ(after.size(), 14u);
    int palmCo = 0;
    for (const CommAddr& r : after) {
        int same = 0;
        for (const CommAddr& o : after) same += strcmp(o.m_szFirstName, r.m_szFirstName) == 0;
        EXPECT_EQ(same, 1) << r.m_szFirstName;  // none duplicated
        palmCo += strcmp(r.m_szCompany, "Palm Co") == 0;
    }
    EXPECT_EQ(palmCo, 12);
}
