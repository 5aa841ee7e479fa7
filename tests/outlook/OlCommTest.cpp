// CDispCmd and the Outlook session, against the stand-in Outlook reached
// through COM as the real one is.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "OlTestEnv.h"
#include "common/misc/DispCmd.h"
#include "common/outlook/OlComm.h"
#include "standins/outlook/OlStandIn.h"

using namespace ol_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// A session with access to its namespace helper.
struct Session : OlBaseUtil {
    CDispCmd* NameSpace() { return m_pNameSpaceCmd; }
    CDispCmd* App() { return m_pAppCmd; }
};

VARIANT Long(int32_t v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

// Calls a method with at most one integer argument and returns the object.
std::unique_ptr<CDispCmd> CallObject(CDispCmd& on, const wchar_t* name, int32_t arg, bool hasArg) {
    VARIANT a = Long(arg);
    VARIANT r;
    VariantInit(&r);
    HRESULT hr = on.Call(name, hasArg ? &a : nullptr, hasArg ? 1 : 0, &r);
    if (FAILED(hr) || r.vt != VT_DISPATCH || !r.pdispVal) {
        VariantClear(&r);
        return nullptr;
    }
    auto cmd = std::make_unique<CDispCmd>(r.pdispVal);
    VariantClear(&r);
    return cmd;
}

// A fresh, unsaved contact item of the stand-in, for property tests.
struct ItemFixture : ::testing::Test {
    StandInData data{{{{"FirstName", "Seed"}}}};
    std::unique_ptr<Session> session;
    std::unique_ptr<CDispCmd> folder, items, item;

    void SetUp() override {
        session = std::make_unique<Session>();
        ASSERT_TRUE(session->IsStarted());
        folder = CallObject(*session->NameSpace(), L"GetDefaultFolder", 10, true);
        ASSERT_TRUE(folder);
        IDispatch* p = nullptr;
        ASSERT_EQ(folder->GetObject(L"Items", &p), 0);
        items = std::make_unique<CDispCmd>(p);
        p->Release();
        item = CallObject(*items, L"Add", 2, true);
        ASSERT_TRUE(item);
    }
    void TearDown() override {
        item.reset();
        items.reset();
        folder.reset();
        session.reset();
    }
    std::string Text(const wchar_t* name, int cap = 4096) {
        std::string buf(static_cast<size_t>(cap), '\x7f');
        EXPECT_EQ(item->GetText(name, &buf[0], cap), 0) << "reading back";
        return std::string(buf.c_str());
    }
};

// ------------------------------------------------------------ CDispCmd

TEST(DispCmd, NullObjectAnswersInvalidArgAndSendsNothing) {
    CDispCmd none(nullptr);
    char buf[8] = "keep";
    int32_t n = 7;
    double d = 2.5;
    IDispatch* obj = reinterpret_cast<IDispatch*>(1);
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(none.GetDispatch(), nullptr);
    EXPECT_EQ(none.InvokeByName(L"Name", DISPATCH_PROPERTYGET, nullptr, &v), E_INVALIDARG);
    EXPECT_EQ(none.GetProperty(L"Name", &v), E_INVALIDARG);
    EXPECT_EQ(none.PutProperty(L"Name", Long(1)), E_INVALIDARG);
    EXPECT_EQ(none.Call(L"GetFirst", nullptr, 0, &v), E_INVALIDARG);
    EXPECT_EQ(none.GetText(L"Name", buf, sizeof buf), E_INVALIDARG);
    EXPECT_EQ(none.GetLong(L"Gender", &n), E_INVALIDARG);
    EXPECT_EQ(none.GetDate(L"Birthday", &d), E_INVALIDARG);
    EXPECT_EQ(none.GetObject(L"Items", &obj), E_INVALIDARG);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(none.PutText(L"FirstName", "x"), E_INVALIDARG);
    EXPECT_EQ(none.PutLong(L"Gender", 1), E_INVALIDARG);
    EXPECT_EQ(none.PutDate(L"Birthday", 1.0), E_INVALIDARG);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(n, 7);
    EXPECT_EQ(d, 2.5);
}

TEST_F(ItemFixture, EmptyOrNullNameIsRefusedWithoutACall) {
    ResetCounts();
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(item->InvokeByName(L"", DISPATCH_PROPERTYGET, nullptr, &v), E_INVALIDARG);
    EXPECT_EQ(item->InvokeByName(nullptr, DISPATCH_PROPERTYGET, nullptr, &v), E_INVALIDARG);
    EXPECT_EQ(item->PutLong(L"", 3), E_INVALIDARG);
    Counts c = GetCounts();
    EXPECT_EQ(c.ids, 0);
    EXPECT_EQ(c.invokes, 0);
}

TEST_F(ItemFixture, EveryCallResolvesTheNameAnewOnce) {
    ResetCounts();
    ASSERT_EQ(item->PutText(L"FirstName", "Ann"), 0);
    EXPECT_EQ(Text(L"FirstName"), "Ann");
    EXPECT_EQ(Text(L"FirstName"), "Ann");
    Counts c = GetCounts();
    EXPECT_EQ(c.ids, 3);
    EXPECT_EQ(c.invokes, 3);
}

TEST_F(ItemFixture, UnknownNameIsLoggedAfterBothLocalesAndNotInvoked) {
    LogCapture log;
    ResetCounts();
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(item->GetProperty(L"Nonsense", &v), DISP_E_UNKNOWNNAME);
    Counts c = GetCounts();
    EXPECT_EQ(c.ids, 2);
    EXPECT_EQ(c.invokes, 0);
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("[!!!] - Failed to call IDispatch->GetIDsOfNames, "
                                    "Name=Nonsense, hr=0x80020006"));
    EXPECT_THAT(lines[0], HasSubstr("[DispCmd.cpp"));
}

TEST(DispCmdLocale, NameKnownOnlyInEnglishIsResolvedByTheRetry) {
    StandInData data;
    ScopedSetting english(VT_OLSTANDIN_ENGLISHONLY, L"GetDefaultFolder");
    Session s;
    ASSERT_TRUE(s.IsStarted());
    LogCapture log;
    ResetCounts();
    auto folder = CallObject(*s.NameSpace(), L"GetDefaultFolder", 10, true);
    EXPECT_TRUE(folder);
    Counts c = GetCounts();
    EXPECT_EQ(c.ids, 2);  // 0x0800 refused, 0x0409 answered
    EXPECT_EQ(c.invokes, 1);
    EXPECT_THAT(log.Messages(), IsEmpty());
}

TEST_F(ItemFixture, PutTextOfEmptyTextSendsNothing) {
    ASSERT_EQ(item->PutText(L"LastName", "Kept"), 0);
    ResetCounts();
    EXPECT_EQ(item->PutText(L"LastName", ""), 0);
    EXPECT_EQ(item->PutText(L"LastName", nullptr), 0);
    EXPECT_EQ(GetCounts().invokes, 0);
    EXPECT_EQ(Text(L"LastName"), "Kept");
}

TEST_F(ItemFixture, PutDateSendsOnlyNonZeroDates) {
    struct Case {
        double value;
        bool sent;
    };
    const Case cases[] = {{0.0, false},     {0.000009, false}, {-0.000009, false},
                          {0.00002, true},  {-0.00002, true},  {45000.25, true}};
    for (const Case& c : cases) {
        ASSERT_EQ(item->PutDate(L"Anniversary", 123.0), 0);
        ResetCounts();
        EXPECT_EQ(item->PutDate(L"Anniversary", c.value), 0) << c.value;
        EXPECT_EQ(GetCounts().invokes, c.sent ? 1 : 0) << c.value;
        double back = 0;
        EXPECT_EQ(item->GetDate(L"Anniversary", &back), 0);
        EXPECT_EQ(back, c.sent ? c.value : 123.0) << c.value;
    }
}

TEST_F(ItemFixture, GetTextCutsAtCapacityMinusOne) {
    const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    ASSERT_EQ(item->PutText(L"CompanyName", forty.c_str()), 0);
    char buf[32];
    memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(item->GetText(L"CompanyName", buf, 24), 0);
    EXPECT_EQ(std::string(buf), forty.substr(0, 23));
    EXPECT_EQ(buf[24], 'Z');  // nothing beyond the capacity
    char one[2] = {'Q', 'Q'};
    EXPECT_EQ(item->GetText(L"CompanyName", one, 1), 0);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(one[1], 'Q');
}

TEST_F(ItemFixture, TypedGettersRefuseOtherTypesAndLeaveTheirOutputs) {
    LogCapture log;
    char buf[8] = "keep";
    int32_t n = 7;
    double d = 2.5;
    IDispatch* obj = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(item->GetText(L"Birthday", buf, sizeof buf), 1);  // a date, not a string
    EXPECT_EQ(item->GetText(L"Gender", buf, sizeof buf), 1);
    EXPECT_EQ(item->GetText(L"FirstName", nullptr, 8), 1);
    EXPECT_EQ(item->GetLong(L"FirstName", &n), 1);
    EXPECT_EQ(item->GetDate(L"Gender", &d), 1);
    EXPECT_EQ(item->GetObject(L"FirstName", &obj), 1);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(item->GetObject(L"FirstName", nullptr), 1);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(n, 7);
    EXPECT_EQ(d, 2.5);
    // a failure status is passed on unchanged, the output untouched
    EXPECT_EQ(item->GetText(L"NoSuchThing", buf, sizeof buf), DISP_E_UNKNOWNNAME);
    EXPECT_STREQ(buf, "keep");
}

TEST_F(ItemFixture, EmptyStringPropertyGivesEmptyText) {
    char buf[8] = "keep";
    EXPECT_EQ(item->GetText(L"Spouse", buf, sizeof buf), 0);  // never set: a null string
    EXPECT_STREQ(buf, "");
}

TEST_F(ItemFixture, TypedPutsAndGetsRoundTrip) {
    EXPECT_EQ(item->PutLong(L"Gender", 2), 0);
    EXPECT_EQ(item->PutLong(L"Gender", 0), 0);  // zero is sent too
    int32_t n = 9;
    EXPECT_EQ(item->GetLong(L"Gender", &n), 0);
    EXPECT_EQ(n, 0);
    // the property put carries DISPID_PROPERTYPUT: the stand-in refuses a put without it
    VARIANT v = Long(5);
    DISPPARAMS unnamed = {&v, nullptr, 1, 0};
    EXPECT_EQ(item->InvokeByName(L"Gender", DISPATCH_PROPERTYPUT, &unnamed, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(item->PutProperty(L"Gender", v), S_OK);
    EXPECT_EQ(item->GetLong(L"Gender", &n), 0);
    EXPECT_EQ(n, 5);
    // a read-only property refuses the put
    EXPECT_EQ(item->PutDate(L"CreationTime", 100.0), DISP_E_MEMBERNOTFOUND);
}

TEST_F(ItemFixture, TextCrossesTheCodePageBoundary) {
    // 0xE9 is e with an acute accent in code page 1252
    ASSERT_EQ(item->PutText(L"HomeAddressCity", "Orl\xe9" "ans"), 0);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(item->GetProperty(L"HomeAddressCity", &v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(v.bstrVal), L"Orl\u00e9ans");
    VariantClear(&v);
    EXPECT_EQ(Text(L"HomeAddressCity"), "Orl\xe9" "ans");
    // a character outside the code page comes back as '?'
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(L"\u6771\u4eac-\u0394");
    ASSERT_EQ(item->PutProperty(L"HomeAddressCity", v), S_OK);
    VariantClear(&v);
    EXPECT_EQ(Text(L"HomeAddressCity"), "?" "?-?");
}

TEST_F(ItemFixture, PutTextSendsAtMost20479Units) {
    std::string big(30000, 'b');
    ASSERT_EQ(item->PutText(L"Body", big.c_str()), 0);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(item->GetProperty(L"Body", &v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(v.bstrVal), 20479u);
    VariantClear(&v);
}

// ------------------------------------------------------------- session

TEST(OlSession, StartLogsEveryStepAndCountsUsers) {
    StandInData data;
    LogCapture log;
    {
        Session a;
        EXPECT_TRUE(a.IsStarted());
        EXPECT_TRUE(OlBaseUtil::IsSessionOpen());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 1);
        EXPECT_THAT(log.Messages(),
                    ElementsAre("Outlook automation started.",
                                "Get Outlook.Application CLSID succeeded.",
                                "CoCreateInstance succeeded.",
                                "Microsoft Outlook started successfully.",
                                "Got Outlook IDispatch interface successfully.",
                                "Get Outlook MAPI namespace object successfully.",
                                "Outlook Automation Succeeded."));
        for (const auto& line : log.Lines()) {
            EXPECT_THAT(line, HasSubstr("[OlComm.cpp"));
            EXPECT_THAT(line, HasSubstr("][   ] - "));  // level 2: progress
        }
        log.Reset();
        Session b;  // joins: no new lines
        EXPECT_TRUE(b.IsStarted());
        EXPECT_EQ(b.NameSpace(), a.NameSpace());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 2);
        EXPECT_THAT(log.Messages(), IsEmpty());

        // Start, Start, Stop keeps it open; the next Stop closes it; a further Stop does nothing
        EXPECT_TRUE(a.Start());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 3);
        a.Stop();
        b.Stop();
        EXPECT_TRUE(OlBaseUtil::IsSessionOpen());
        a.Stop();
        EXPECT_FALSE(OlBaseUtil::IsSessionOpen());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
        EXPECT_EQ(b.NameSpace(), nullptr);  // no copy is left dangling
        a.Stop();
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
        // a closed session opens again
        EXPECT_TRUE(a.Start());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 1);
        EXPECT_NE(a.NameSpace(), nullptr);
        b.Start();  // balance for the destructors
    }
    EXPECT_FALSE(OlBaseUtil::IsSessionOpen());
    EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
}

// Re-registers the stand-in whatever the test did to its registration.
struct Reregister {
    ~Reregister() { RegisterStandIn(); }
};

TEST(OlSession, OutlookNotRegistered) {
    Reregister again;
    ASSERT_TRUE(UnregisterStandIn());
    LogCapture log;
    Session s;
    EXPECT_FALSE(s.IsStarted());
    EXPECT_FALSE(OlBaseUtil::IsSessionOpen());
    EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
    EXPECT_EQ(s.NameSpace(), nullptr);
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0], HasSubstr("[   ] - Outlook automation started."));
    EXPECT_THAT(lines[1], HasSubstr("[!!!] - Can not get the CLSID of Outlook.Application, "
                                    "hr=0x800401f3"));
    EXPECT_FALSE(s.Start());
    EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
}

TEST(OlSession, ServerThatCannotBeLoaded) {
    Reregister again;
    // The class is registered, but its server file is gone.
    const wchar_t missing[] = L"C:\\nowhere\\missing_outlook.dll";
    const std::pair<HKEY, const wchar_t*> places[] = {
        {HKEY_CLASSES_ROOT, L"CLSID\\" VT_OLSTANDIN_CLSID_TEXT L"\\InprocServer32"},
        {HKEY_CURRENT_USER,
         L"Software\\Classes\\CLSID\\" VT_OLSTANDIN_CLSID_TEXT L"\\InprocServer32"}};
    for (const auto& place : places) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(place.first, place.second, 0, KEY_WRITE, &key) != ERROR_SUCCESS) continue;
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(missing),
                       sizeof missing);
        RegCloseKey(key);
    }
    LogCapture log;
    Session s;
    EXPECT_FALSE(s.IsStarted());
    EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
    auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[1], "Get Outlook.Application CLSID succeeded.");
    EXPECT_THAT(messages[2], HasSubstr("Failed to execute CoCreateInstance, hr=0x"));
}

TEST(OlSession, NoNameSpace) {
    StandInData data;
    {
        ScopedSetting fail(VT_OLSTANDIN_FAILNAME, L"GetNameSpace");
        LogCapture log;
        Session s;
        EXPECT_FALSE(s.IsStarted());
        EXPECT_FALSE(OlBaseUtil::IsSessionOpen());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
        auto messages = log.Messages();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "Failed to call Outlook.Application GetNameSpace method, hr=0x80004005");
        EXPECT_THAT(log.Lines().back(), HasSubstr("[!!!]"));
    }
    // The failed attempt let go of the application: the next one starts afresh.
    Session again;
    EXPECT_TRUE(again.IsStarted());
    EXPECT_TRUE(OlBaseUtil::IsSessionOpen());
}

}  // namespace
