#include "OlHabits.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "common/outlook/OlAddr.h"
#include "standins/outlook/OlStandIn.h"

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace ol_test {

namespace {

const OlContactBuf* Buffer(const CommAddr& rec) {
    if (rec.m_Native.GetLength() != sizeof(OlContactBuf)) return nullptr;
    return reinterpret_cast<const OlContactBuf*>(rec.m_Native.GetData());
}

// The stored record with this first name; null when none or several.
const CommAddr* ByFirstName(OlAddrUtil& util, const std::string& first) {
    const CommAddr* found = nullptr;
    for (uint32_t i = 0; i < util.GetStore()->GetCount(); ++i) {
        const CommAddr* r = util.GetStore()->GetAt(i);
        if (first != r->m_szFirstName) continue;
        if (found) return nullptr;
        found = r;
    }
    return found;
}

// A copy of the stored record, as the other side would send it back.
CommAddr Changed(const CommAddr& stored, int32_t field, const char* value) {
    CommAddr rec = stored;
    rec.m_Native.Clear();
    rec.m_nFlags = 0;
    rec.m_Cut.Clear();
    SetFieldText(rec, field, value);
    return rec;
}

CommAddr NewPerson(const char* first, const char* last, const char* phone) {
    CommAddr r;
    SetFieldText(r, FID_FIRST_NAME, first);
    SetFieldText(r, FID_LAST_NAME, last);
    SetFieldText(r, FID_WORK_PHONE, phone);
    return r;
}

// The file's contacts by first name; a name found twice fails the test.
std::map<std::string, Props> ByName(const std::vector<Props>& items) {
    std::map<std::string, Props> out;
    for (const Props& p : items) {
        const std::string name = p.count("FirstName") ? p.at("FirstName") : p.count("DLName") ? "list " + p.at("DLName") : "";
        EXPECT_EQ(out.count(name), 0u) << "duplicated: " << name;
        out[name] = p;
    }
    return out;
}

// Props without what every Save sets.
Props WithoutTimes(Props p) {
    p.erase("CreationTime");
    p.erase("LastModificationTime");
    return p;
}

}  // namespace

std::vector<Props> People(int n) {
    std::vector<Props> v;
    for (int i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        v.push_back({{"FirstName", "P" + k}, {"LastName", "L" + k}, {"Email1Address", "p" + k + "@x"},
                     {"BusinessTelephoneNumber", "555-0" + k}, {"Hobby", "h" + k}});
    }
    return v;
}

void RunAddsAndUpdates(StandInData& data, const std::vector<Props>& people) {
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        ASSERT_EQ(util.GetStore()->GetCount(), people.size());
        EXPECT_EQ(util.GetSideState(), SIDE_AVAILABLE);
        for (uint32_t i = 0; i < util.GetStore()->GetCount(); ++i) {
            const OlContactBuf* b = Buffer(*util.GetStore()->GetAt(i));
            ASSERT_NE(b, nullptr);
            EXPECT_GE(strlen(b->m_szEntryID), 48u);  // whole, never cut
        }
        // Updates and adds interleaved: an add must not move later updates.
        const struct {
            const char* first;
            const char* phone;
        } updates[] = {{"P4", "555-9994"}, {"N0", nullptr}, {"P1", "555-9991"}, {"N1", nullptr}, {"P5", "555-9995"}};
        for (const auto& u : updates) {
            if (!u.phone) {
                CommAddr rec = NewPerson(u.first, "New", "555-7000");
                EXPECT_TRUE(util.PutContact(&rec)) << u.first;
                continue;
            }
            const CommAddr* stored = ByFirstName(util, u.first);
            ASSERT_NE(stored, nullptr) << u.first;
            CommAddr rec = Changed(*stored, FID_WORK_PHONE, u.phone);
            EXPECT_TRUE(util.PutContact(&rec)) << u.first;
        }
        // A contact added in this run is found again by the EntryID read
        // after its save.
        const CommAddr* added = ByFirstName(util, "N0");
        ASSERT_NE(added, nullptr);
        ASSERT_NE(Buffer(*added), nullptr);
        EXPECT_GE(strlen(Buffer(*added)->m_szEntryID), 48u);
        CommAddr rec = Changed(*added, FID_WORK_PHONE, "555-7001");
        EXPECT_TRUE(util.PutContact(&rec));
    }
    std::map<std::string, Props> after = ByName(data.Read());
    ASSERT_EQ(after.size(), people.size() + 2);
    const std::map<std::string, std::string> phones = {
        {"P4", "555-9994"}, {"P1", "555-9991"}, {"P5", "555-9995"}, {"N0", "555-7001"}, {"N1", "555-7000"}};
    for (const Props& p : people) {
        const std::string& name = p.at("FirstName");
        auto it = phones.find(name);
        Props expected = p;
        if (it != phones.end()) expected["BusinessTelephoneNumber"] = it->second;
        EXPECT_EQ(WithoutTimes(after[name]), expected) << name;
    }
    EXPECT_EQ(after["N0"]["BusinessTelephoneNumber"], "555-7001");
    EXPECT_EQ(after["N1"]["BusinessTelephoneNumber"], "555-7000");
}

void RunDistributionList(StandInData& data) {
    const std::vector<Props> before = {
        {{"FirstName", "Ann"}, {"LastName", "Lee"}, {"BusinessTelephoneNumber", "1"}},
        {{"Class", "69"}, {"DLName", "Team"}, {"Body", "Ann; Bo"}},
        {{"FirstName", "Bo"}, {"LastName", "Ek"}, {"BusinessTelephoneNumber", "2"}},
    };
    WriteContacts(data.Path(), before);
    {
        OlAddrUtil util;
        LogCapture log;
        ASSERT_TRUE(util.Load());
        ASSERT_EQ(util.GetStore()->GetCount(), 2u);
        EXPECT_STREQ(util.GetStore()->GetAt(1)->m_szFirstName, "Bo");
        EXPECT_THAT(log.Messages(), Contains("Skipped an item of the Contacts folder that is not a contact (Class 69): Team"));
        EXPECT_EQ(util.GetUnreadableCount(), 0u);
        CommAddr rec = Changed(*util.GetStore()->GetAt(1), FID_WORK_PHONE, "22");
        EXPECT_TRUE(util.PutContact(&rec));
        CommAddr team = NewPerson("Team", "", "3");
        EXPECT_TRUE(util.PutContact(&team));
    }
    std::map<std::string, Props> after = ByName(data.Read());
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after["list Team"].at("Class"), "69");
    EXPECT_EQ(after["list Team"].at("Body"), "Ann; Bo");
    EXPECT_EQ(WithoutTimes(after["Ann"]), before[0]);
    EXPECT_EQ(after["Bo"]["BusinessTelephoneNumber"], "22");
    EXPECT_EQ(after.count("Team"), 1u);
}

void RunRefusedReads(StandInData& data, const std::vector<bool>& unreadable) {
    std::vector<Props> before = {
        {{"FirstName", "Ann"}, {"LastName", "Lee"}, {"Email1Address", "ann@x"}, {"Body", "a"}},
        {{"FirstName", "Bo"}, {"LastName", "Ek"}, {"Email1Address", "bo@x"}, {"Body", "b"}, {"Deny", "Email1Address"}},
        {{"FirstName", "Cy"}, {"LastName", "Ng"}, {"Email1Address", "cy@x"}, {"Body", "c"}},
    };
    WriteContacts(data.Path(), before);
    {
        OlAddrUtil util;
        LogCapture log;
        ASSERT_TRUE(util.Load());
        ASSERT_EQ(util.GetStore()->GetCount(), 3u);
        uint32_t count = 0;
        for (size_t i = 0; i < 3; ++i) {
            const CommAddr& r = *util.GetStore()->GetAt(static_cast<uint32_t>(i));
            EXPECT_EQ((r.m_nFlags & ADDR_FLAG_UNREADABLE) != 0, unreadable[i]) << r.m_szFirstName;
            count += unreadable[i] ? 1 : 0;
        }
        EXPECT_EQ(util.GetUnreadableCount(), count);
        EXPECT_EQ(util.GetSideState(), SIDE_AVAILABLE);  // listed, the others written
        if (unreadable[1] && !unreadable[0]) {
            // the refusal's own description reaches the log
            EXPECT_THAT(log.Messages(),
                        Contains("Outlook refused Email1Address: Outlook blocked access to this property: the user "
                                 "denied it. (code 0x80004004)"));
            EXPECT_THAT(log.Messages(),
                        Contains("The Outlook contact \"Bo Ek\" could not be read whole; it is listed but not written."));
        }
        for (size_t i = 0; i < 3; ++i) {
            const CommAddr& r = *util.GetStore()->GetAt(static_cast<uint32_t>(i));
            CommAddr rec = Changed(r, FID_WORK_PHONE, "changed");
            EXPECT_EQ(util.PutContact(&rec), !unreadable[i]) << r.m_szFirstName;
        }
        if (count) EXPECT_THAT(log.Messages(), Contains(HasSubstr("could not be read whole; it was not written.")));
    }
    std::map<std::string, Props> after = ByName(data.Read());
    ASSERT_EQ(after.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const std::string& name = before[i].at("FirstName");
        if (unreadable[i])
            EXPECT_EQ(after[name], before[i]) << name;
        else
            EXPECT_EQ(after[name]["BusinessTelephoneNumber"], "changed") << name;
    }
}

void RunNames(StandInData& data) {
    WriteContacts(data.Path(), {{{"FirstName", "Cy"}, {"LastName", "Ng"}, {"FullName", "The Boss"}}});
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        // a full name the user typed is the Display Name
        EXPECT_STREQ(util.GetStore()->GetAt(0)->m_szDisplayName, "The Boss");
        CommAddr only;  // a name in the Display Name alone
        SetFieldText(only, FID_DISPLAY_NAME, "Dr. Ann B. Lee Jr.");
        SetFieldText(only, FID_WORK_PHONE, "1");
        EXPECT_TRUE(util.PutContact(&only));
        CommAddr parts = NewPerson("Bo", "Ek", "2");
        SetFieldText(parts, FID_DISPLAY_NAME, "Bobby");
        EXPECT_TRUE(util.PutContact(&parts));
    }
    std::map<std::string, Props> after = ByName(data.Read());
    ASSERT_EQ(after.size(), 3u);
    const Props& ann = after["Ann"];
    EXPECT_EQ(ann.at("FullName"), "Dr. Ann B. Lee Jr.");
    EXPECT_EQ(ann.at("Title"), "Dr.");
    EXPECT_EQ(ann.at("MiddleName"), "B.");
    EXPECT_EQ(ann.at("LastName"), "Lee");
    EXPECT_EQ(ann.at("Suffix"), "Jr.");
    // Outlook's full name made from the parts, not the record's
    EXPECT_EQ(after["Bo"].at("FullName"), "Bo Ek");
    for (const auto& kv : after["Bo"]) EXPECT_NE(kv.second, "Bobby") << kv.first;
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        const CommAddr* bo = ByFirstName(util, "Bo");
        ASSERT_NE(bo, nullptr);
        // derived: it must not replace a different name elsewhere
        EXPECT_STREQ(bo->m_szDisplayName, "");
        const CommAddr* ann2 = ByFirstName(util, "Ann");
        ASSERT_NE(ann2, nullptr);
        EXPECT_STREQ(ann2->m_szDisplayName, "");
        EXPECT_STREQ(ByFirstName(util, "Cy")->m_szDisplayName, "The Boss");
    }
}

void RunExchangeAddresses(StandInData& data) {
    const std::vector<Props> before = {
        {{"FirstName", "Ann"}, {"LastName", "Lee"}, {"Email1AddressType", "EX"},
         {"Email1Address", "/o=Org/ou=Site/cn=Recipients/cn=ann"}, {"ExSmtp1", "ann@corp.example"}},
        {{"FirstName", "Bo"}, {"LastName", "Ek"}, {"Email1AddressType", "EX"},
         {"Email1Address", "/o=Org/ou=Site/cn=Recipients/cn=bo"}},
    };
    WriteContacts(data.Path(), before);
    struct Case {
        const wchar_t* deny;
        bool annReadable;
    };
    const Case cases[] = {{L"", true}, {L"PrimarySmtpAddress", false}};
    for (const Case& c : cases) {
        ScopedSetting deny(VT_OLSTANDIN_DENYREADS, c.deny);
        OlAddrUtil util;
        LogCapture log;
        ASSERT_TRUE(util.Load());
        const CommAddr* ann = ByFirstName(util, "Ann");
        const CommAddr* bo = ByFirstName(util, "Bo");
        ASSERT_TRUE(ann && bo);
        EXPECT_EQ((ann->m_nFlags & ADDR_FLAG_UNREADABLE) == 0, c.annReadable);
        if (c.annReadable) EXPECT_STREQ(ann->m_szEmail, "ann@corp.example");
        EXPECT_NE(bo->m_nFlags & ADDR_FLAG_UNREADABLE, 0u);  // no SMTP form at all
        EXPECT_THAT(log.Messages(),
                    Contains("No SMTP address could be had for the Exchange address "
                             "/o=Org/ou=Site/cn=Recipients/cn=bo of \"Bo Ek\"."));
        CommAddr rec = Changed(*ann, FID_WORK_PHONE, "555-1");
        EXPECT_EQ(util.PutContact(&rec), c.annReadable);
        rec = Changed(*bo, FID_WORK_PHONE, "555-2");
        EXPECT_FALSE(util.PutContact(&rec));
    }
    std::map<std::string, Props> after = ByName(data.Read());
    ASSERT_EQ(after.size(), 2u);
    // the address stays the Exchange one: an unchanged SMTP form is not put
    EXPECT_EQ(after["Ann"]["Email1AddressType"], "EX");
    EXPECT_EQ(after["Ann"]["Email1Address"], before[0].at("Email1Address"));
    EXPECT_EQ(after["Ann"]["BusinessTelephoneNumber"], "555-1");
    EXPECT_EQ(after["Bo"].count("BusinessTelephoneNumber"), 0u);
}

void RunDeletedContact(StandInData& data, const std::vector<Props>& people) {
    const std::string gone = people.at(1).at("FirstName");
    const std::string kept = people.at(2).at("FirstName");
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        const CommAddr* victim = ByFirstName(util, gone);
        ASSERT_NE(victim, nullptr);
        ASSERT_NE(Buffer(*victim), nullptr);
        ASSERT_TRUE(DeleteItem(Buffer(*victim)->m_szEntryID));
        LogCapture log;
        CommAddr rec = Changed(*victim, FID_WORK_PHONE, "555-0000");
        EXPECT_FALSE(util.PutContact(&rec));
        EXPECT_THAT(log.Messages(), Contains(HasSubstr("is no longer in the Contacts folder; it was not written.")));
        rec = Changed(*ByFirstName(util, kept), FID_WORK_PHONE, "555-0002");
        EXPECT_TRUE(util.PutContact(&rec));
    }
    Folders after = data.ReadAll();
    ASSERT_EQ(after.contacts.size(), people.size() - 1);
    ASSERT_EQ(after.deleted.size(), 1u);
    Props deleted = after.deleted[0];
    deleted.erase("EntryID");
    EXPECT_EQ(deleted, people[1]);  // moved, not written
    std::vector<Props> contacts = data.Read();
    std::map<std::string, Props> byName = ByName(contacts);
    EXPECT_EQ(byName.count(gone), 0u);
    EXPECT_EQ(byName[kept]["BusinessTelephoneNumber"], "555-0002");
    EXPECT_EQ(byName[people[0].at("FirstName")], people[0]);
}

}  // namespace ol_test
