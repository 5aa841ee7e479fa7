// Backups of Outlook values before an update, and Restore, against the
// stand-in Outlook. The stand-in writes its data file when the session
// closes, so results are read after the objects are gone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "OlTestEnv.h"
#include "common/outlook/OlAddr.h"
#include "common/outlook/OlBackup.h"
#include "standins/outlook/OlStandIn.h"

using namespace ol_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

namespace {

Props Ann() {
    return {{"EntryID", "00AA01"},
            {"FirstName", "Ann"},
            {"LastName", "Lee"},
            {"FullName", "Ann Lee"},
            {"Email1Address", "ann@x"},
            {"Email1AddressType", "SMTP"},
            {"Email1DisplayName", "Ann Lee (ann@x)"},
            {"BusinessTelephoneNumber", "555-0100"},
            // outside the ANSI code page: an update never sends it back
            {"JobTitle", "\xe6\x9d\xb1\xe4\xba\xac \xc3\xa9"},
            {"Body", "line one\r\nline two"},
            {"Birthday", "30000"}};
}

// Answers Restore's questions and remembers them.
struct Answers : IOlRestoreAsk {
    bool restoreChanged = true;
    bool move = true;
    std::vector<std::vector<OlRestoreDifference>> asked;
    std::vector<int32_t> moveCounts;
    bool RestoreChangedContact(const std::string&, const std::string&,
                               const std::vector<OlRestoreDifference>& differences) override {
        asked.push_back(differences);
        return restoreChanged;
    }
    bool MoveAddedToDeletedItems(int32_t count) override {
        moveCounts.push_back(count);
        return move;
    }
};

// The store's first record, with changes made by edit, as the run writes it.
template <typename Edit>
CommAddr Edited(OlAddrUtil& util, Edit edit) {
    CommAddr rec = *util.GetStore()->GetAt(0);
    rec.m_Native.Clear();
    edit(rec);
    return rec;
}

// A contact without the time Outlook stamps on every save, which no write
// of ours sets and no restore can put back.
Props Content(Props p) {
    p.erase("LastModificationTime");
    return p;
}

// Names of the properties whose values differ between two contacts.
std::vector<std::string> ChangedKeys(const Props& a, const Props& b) {
    std::vector<std::string> out;
    for (const auto& [k, v] : a)
        if (!b.count(k) || b.at(k) != v) out.push_back(k);
    for (const auto& [k, v] : b)
        if (!a.count(k)) out.push_back(k);
    return out;
}

// What the run backs up and writes: one update of Ann, planned, backed up
// and written as the run does it.
struct RunResult {
    OlBackupData backup;
    std::vector<OlRunValue> runValues;
};

}  // namespace

// The planned list names every property the write then changes (Outlook
// fills some in itself), and nothing for an update that puts nothing.
TEST(OlBackupPlan, NamesEveryPropertyTheUpdateChanges) {
    struct Case {
        const char* what;
        void (*edit)(CommAddr&);
        std::vector<std::string> planned;
    };
    const Case cases[] = {
        {"phone", [](CommAddr& r) { SetFieldText(r, FID_WORK_PHONE, "555-0199"); }, {"BusinessTelephoneNumber"}},
        {"address", [](CommAddr& r) { SetFieldText(r, FID_EMAIL, "ann@new"); },
         {"Email1Address", "Email1AddressType", "Email1DisplayName"}},
        {"first name", [](CommAddr& r) { SetFieldText(r, FID_FIRST_NAME, "Anna"); }, {"FirstName", "FullName"}},
        {"hobby filled", [](CommAddr& r) { SetFieldText(r, FID_HOBBY, "chess"); }, {"Hobby"}},
        {"nothing", [](CommAddr&) {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedSetting rules(VT_OLSTANDIN_NAMERULES, L"1");
        StandInData data({Ann()});
        const Props before = ReadFolders(data.Path()).contacts.at(0);
        std::vector<std::string> planned;
        {
            OlAddrUtil util;
            ASSERT_TRUE(util.Load());
            CommAddr rec = Edited(util, c.edit);
            std::string entryId;
            ASSERT_TRUE(util.PlanUpdate(&rec, 0, entryId, planned));
            EXPECT_EQ(entryId, "00AA01");
            EXPECT_THAT(planned, UnorderedElementsAreArray(c.planned));
            util.UpdateContact(&rec, 0);
        }
        const Props after = ReadFolders(data.Path()).contacts.at(0);
        for (const std::string& k : ChangedKeys(before, Content(after)))
            EXPECT_NE(std::find(planned.begin(), planned.end(), k), planned.end()) << k << " changed unplanned";
    }
    OlAddrUtil util;
    std::string entryId;
    std::vector<std::string> planned;
    CommAddr rec;
    EXPECT_FALSE(util.PlanUpdate(&rec, 0, entryId, planned));  // nothing was read
    EXPECT_FALSE(util.PlanUpdate(nullptr, 0, entryId, planned));
}

TEST(OlBackupRead, KeepsWholeValuesAndRefusedReadsFailTheBackup) {
    Props ann = Ann();
    ann["Hobby"] = std::string(300, 'h');  // longer than the writer's slot
    StandInData data({ann});
    {
        OlBackupIo io;
        OlBackupContact kept;
        std::string error;
        ASSERT_TRUE(io.ReadProperties("00AA01", {"JobTitle", "Hobby", "Body", "Birthday", "Spouse", "Gender"}, kept,
                                      error))
            << error;
        EXPECT_EQ(kept.entryId, "00AA01");
        ASSERT_EQ(kept.properties.size(), 6u);
        EXPECT_EQ(kept.properties[0].value, ann["JobTitle"]);
        EXPECT_EQ(kept.properties[1].value, ann["Hobby"]);
        EXPECT_EQ(kept.properties[2].value, "line one\r\nline two");
        EXPECT_EQ(kept.properties[3].value, "30000");
        EXPECT_EQ(kept.properties[4].value, "");  // empty is a value too
        EXPECT_EQ(kept.properties[5].value, "0");

        EXPECT_FALSE(io.ReadProperties("00FFFF", {"JobTitle"}, kept, error));
        EXPECT_THAT(error, HasSubstr("00FFFF could not be found"));
    }
    ScopedSetting deny(VT_OLSTANDIN_DENYREADS, L"Hobby");
    OlBackupIo io;
    OlBackupContact kept;
    std::string error;
    EXPECT_FALSE(io.ReadProperties("00AA01", {"JobTitle", "Hobby"}, kept, error));
    EXPECT_THAT(error, HasSubstr("The value of Hobby of the Outlook contact Ann Lee could not be read"));
    EXPECT_THAT(kept.properties, IsEmpty());
}

namespace {

// Plans, backs up and writes one update of the first contact, and adds one
// contact, as a run does; returns what the run's backup and journal hold.
template <typename Edit>
RunResult BackUpAndWrite(Edit edit) {
    RunResult out;
    OlAddrUtil util;
    OlBackupIo io;
    EXPECT_TRUE(util.Load());
    CommAddr rec = Edited(util, edit);
    std::string entryId, error;
    std::vector<std::string> planned;
    EXPECT_TRUE(util.PlanUpdate(&rec, 0, entryId, planned));
    OlBackupContact kept;
    EXPECT_TRUE(io.ReadProperties(entryId, planned, kept, error)) << error;
    out.backup.changed.push_back(kept);
    EXPECT_TRUE(util.UpdateContact(&rec, 0));
    OlBackupContact written;
    EXPECT_TRUE(io.ReadProperties(entryId, planned, written, error)) << error;
    for (const OlBackupProperty& p : written.properties) out.runValues.push_back({entryId, p.name, p.value});

    CommAddr added;
    SetFieldText(added, FID_FIRST_NAME, "Di");
    SetFieldText(added, FID_LAST_NAME, "Ox");
    EXPECT_TRUE(util.AddAndList(&added));
    const CommAddr* listed = util.GetStore()->GetAt(util.GetStore()->GetCount() - 1);
    out.backup.added.push_back(reinterpret_cast<const OlContactBuf*>(listed->m_Native.GetData())->m_szEntryID);
    return out;
}

void FillEverything(CommAddr& r) {
    SetFieldText(r, FID_WORK_PHONE, "555-0199");
    SetFieldText(r, FID_EMAIL, "ann@new");
    SetFieldText(r, FID_HOBBY, "chess");       // empty before: Restore clears it
    SetFieldText(r, FID_TITLE, "Engineer");    // replaces text outside the code page
    r.m_dtAnniversary = 40000;                 // no date before
    r.m_dtBirthday = 31000;
}

}  // namespace

// Backup, the run's writes, then Restore: the contact is as it was, cleared
// values included, and the contact the run added is in Deleted Items.
TEST(OlBackupRestore, GivesTheContactBackAndMovesAddedOnes) {
    ScopedSetting noDate(VT_OLSTANDIN_NODATE4501, L"1");
    StandInData data({Ann()});
    const Props before = ReadFolders(data.Path()).contacts.at(0);
    RunResult run = BackUpAndWrite(FillEverything);
    {
        const Folders mid = ReadFolders(data.Path());
        ASSERT_EQ(mid.contacts.size(), 2u);
        EXPECT_EQ(mid.contacts[0].at("Hobby"), "chess");
        EXPECT_EQ(mid.contacts[0].at("JobTitle"), "Engineer");
    }
    Answers answers;
    OlRestoreResult result;
    {
        OlBackupIo io;
        result = io.Restore(run.backup, run.runValues, answers);
    }
    EXPECT_EQ(result.restored, 1);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(result.moved, 1);
    EXPECT_THAT(result.reasons, IsEmpty());
    EXPECT_THAT(answers.asked, IsEmpty());  // nobody changed it after the run
    EXPECT_THAT(answers.moveCounts, ElementsAre(1));
    const Folders after = ReadFolders(data.Path());
    ASSERT_EQ(after.contacts.size(), 1u);
    EXPECT_EQ(Content(after.contacts[0]), before);
    ASSERT_EQ(after.deleted.size(), 1u);
    EXPECT_EQ(after.deleted[0].at("FirstName"), "Di");

    // Restoring again finds nothing left to move and nothing to change.
    Answers again;
    {
        OlBackupIo io;
        result = io.Restore(run.backup, run.runValues, again);
    }
    EXPECT_EQ(result.restored, 1);
    EXPECT_THAT(again.moveCounts, IsEmpty());
    EXPECT_EQ(Content(ReadFolders(data.Path()).contacts.at(0)), before);
}

TEST(OlBackupRestore, AsksAboutContactsChangedSinceTheRun) {
    struct Case {
        bool restoreChanged, move;
        int32_t restored, kept, moved, notMoved;
    };
    for (const Case& c : {Case{false, false, 0, 1, 0, 1}, Case{true, true, 1, 0, 1, 0}}) {
        SCOPED_TRACE(c.restoreChanged);
        StandInData data({Ann()});
        const Props before = ReadFolders(data.Path()).contacts.at(0);
        RunResult run = BackUpAndWrite([](CommAddr& r) { SetFieldText(r, FID_WORK_PHONE, "555-0199"); });
        {
            // the user changes the phone again after the run
            OlAddrUtil util;
            ASSERT_TRUE(util.Load());
            CommAddr rec = Edited(util, [](CommAddr& r) { SetFieldText(r, FID_WORK_PHONE, "555-0777"); });
            ASSERT_TRUE(util.UpdateContact(&rec, 0));
        }
        Answers answers;
        answers.restoreChanged = c.restoreChanged;
        answers.move = c.move;
        OlRestoreResult result;
        {
            OlBackupIo io;
            result = io.Restore(run.backup, run.runValues, answers);
        }
        ASSERT_EQ(answers.asked.size(), 1u);
        ASSERT_EQ(answers.asked[0].size(), 1u);
        EXPECT_EQ(answers.asked[0][0].property, "BusinessTelephoneNumber");
        EXPECT_EQ(answers.asked[0][0].runValue, "555-0199");
        EXPECT_EQ(answers.asked[0][0].currentValue, "555-0777");
        EXPECT_EQ(result.restored, c.restored);
        EXPECT_EQ(result.kept, c.kept);
        EXPECT_EQ(result.moved, c.moved);
        EXPECT_EQ(result.notMoved, c.notMoved);
        const Folders after = ReadFolders(data.Path());
        EXPECT_EQ(after.contacts.at(0).at("BusinessTelephoneNumber"), c.restoreChanged ? "555-0100" : "555-0777");
        EXPECT_EQ(after.contacts.size(), c.move ? 1u : 2u);
        EXPECT_EQ(after.deleted.size(), c.move ? 1u : 0u);
    }
}

TEST(OlBackupRestore, FailuresAreCountedWithTheirReasons) {
    StandInData data({Ann()});
    ASSERT_EQ(ReadFolders(data.Path()).contacts.at(0), Ann());
    OlBackupData backup;
    backup.changed.push_back({"00FFFF", {{"Hobby", ""}}});                 // no such contact
    backup.changed.push_back({"00AA01", {{"Hobby", "golf"}}});             // a refused put
    backup.changed.push_back({"00AA01", {{"Hobby", "not the first"}, {"Spouse", "Bo"}}});
    Answers answers;
    OlRestoreResult result;
    {
        ScopedSetting refuse(VT_OLSTANDIN_REFUSEPUTS, L"Spouse");
        OlBackupIo io;
        result = io.Restore(backup, {}, answers);
    }
    EXPECT_EQ(result.restored, 0);
    EXPECT_EQ(result.failed, 2);
    ASSERT_EQ(result.reasons.size(), 2u);
    EXPECT_THAT(result.reasons[0], HasSubstr("00FFFF is no longer there"));
    EXPECT_THAT(result.reasons[1], HasSubstr("Outlook refused the value of Spouse for the contact Ann Lee"));
    // nothing was saved
    EXPECT_EQ(ReadFolders(data.Path()).contacts.at(0), Ann());

    // Without the refusal: the first block's value wins, the second adds
    // what the first lacks.
    {
        OlBackupIo io;
        result = io.Restore(backup, {}, answers);
    }
    EXPECT_EQ(result.restored, 1);
    EXPECT_EQ(result.failed, 1);
    const Props after = ReadFolders(data.Path()).contacts.at(0);
    EXPECT_EQ(after.at("Hobby"), "golf");
    EXPECT_EQ(after.at("Spouse"), "Bo");
}
