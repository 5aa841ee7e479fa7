// Writes that must not lose what Palm Desktop already holds: new 6.x rows
// that share names, values wider than the common record, the private flag,
// two slots with one label, and categories that cannot be had. The native
// records are written straight into the stores, so the facade's own
// conversion cannot hide a fault in the way back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FacadeSupport.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmCommEx2.h"
#include "standins/palmdesktop/PdSetup.h"

using facade_test::Contact;
using facade_test::LogCapture;

namespace {

constexpr uint32_t kUnknownVersion = 0xFFFFFFFFu;

using Fill = std::function<void(PmAddrInfoRecord&)>;
using TextOf = std::function<const char*(const PmAddrInfoRecord&)>;

class WriteBackTest : public ::testing::Test {
protected:
    void TearDown() override { TdmMain::Instance().CloseAll(); }

    std::string Empty(int gen, const std::string& stem) {
        const std::string file = m_dir.File(stem + (gen == PM_GEN_6X ? ".mdb" : ".dat"));
        std::string error;
        EXPECT_TRUE(pdsetup::WriteAddressData(gen, file, {}, error)) << error;
        return file;
    }

    // A file of the generation holding the native records as filled.
    std::string WithRecords(int gen, const std::string& stem, const std::vector<Fill>& fills) {
        const std::string file = Empty(gen, stem);
        PmAddrInfo info(kUnknownVersion);
        EXPECT_TRUE(info.LoadFile(file.c_str()));
        for (const Fill& fill : fills) {
            PmAddrInfoRecord r(gen);
            fill(r);
            if (gen == PM_GEN_CLASSIC)
                EXPECT_TRUE(info.GetClassicStore()->GetRecords()->AddCopy(*r.m_pAddr));
            else if (gen == PM_GEN_41X)
                EXPECT_TRUE(info.GetExStore()->GetRecords()->AddCopy(*r.m_pAddrEx));
            else
                EXPECT_TRUE(info.GetEx2Store()->WriteRecord(r.m_pAddrEx2.get()));
        }
        EXPECT_TRUE(info.Save());
        TdmMain::Instance().CloseAll();
        return file;
    }

    // Loads the file, merges the common record at 0 (as edit leaves it)
    // back into it and saves.
    void MergeFirst(const std::string& file, const std::function<void(CommAddr&)>& edit) {
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        ASSERT_EQ(info.GetRecordCount(), 1u);
        CommAddr rec = *info.GetStore()->GetAt(0);
        edit(rec);
        ASSERT_TRUE(info.UpdateContact(&rec, 0));
        ASSERT_TRUE(info.Save());
        TdmMain::Instance().CloseAll();
    }

    vt_test::TempDir m_dir;
};

// Custom 10 has no catalogue id; the tables name it so.
constexpr int32_t kCustom10 = -10;

char* CommonSlot(CommAddr& rec, int32_t id) {
    if (id == kCustom10) return rec.m_szCustom[9];
    return GetTextSlot(rec, id, nullptr);
}

const char* Common(const CommAddr& rec, int32_t id) {
    const char* text = CommonSlot(const_cast<CommAddr&>(rec), id);
    return text ? text : "";
}

std::string Stem(const char* what, size_t i) { return what + std::to_string(i); }

void Names(PmAddrInfoRecord& r, const char* first, const char* last) {
    if (r.m_pAddr) {
        CxCopyText(r.m_pAddr->szFirstName, first);
        CxCopyText(r.m_pAddr->szLastName, last);
    } else if (r.m_pAddrEx) {
        CxCopyText(r.m_pAddrEx->szFirstName, first);
        CxCopyText(r.m_pAddrEx->szLastName, last);
    } else {
        CxCopyText(r.m_pAddrEx2->m_szFirstName, first);
        CxCopyText(r.m_pAddrEx2->m_szLastName, last);
    }
}

TEST_F(WriteBackTest, New6xContactsSharingNamesAllSurvive) {
    // A row the load reads but does not offer, holding Record ID 1 and the
    // names of the new contacts.
    const std::string file = WithRecords(PM_GEN_6X, "ids", {[](PmAddrInfoRecord& r) {
                                             Names(r, "Ann", "Lee");
                                             r.m_pAddrEx2->m_nRecordID = 1;
                                             r.m_pAddrEx2->m_nStatus = 4;
                                             CxCopyText(r.m_pAddrEx2->m_szNote, "hidden");
                                         }});
    struct {
        const char* first;
        const char* last;
        const char* email;
        const char* company;
    } const adds[] = {{"Ann", "Lee", "ann1@x", "One"},
                      {"Ann", "Lee", "ann2@x", "Two"},
                      {"", "", "", "Company A"},
                      {"", "", "", "Company B"}};
    {
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        ASSERT_EQ(info.GetRecordCount(), 0u);
        for (const auto& a : adds) {
            CommAddr rec = Contact(a.first, a.last);
            SetFieldText(rec, FID_EMAIL, a.email);
            SetFieldText(rec, FID_COMPANY, a.company);
            ASSERT_TRUE(info.AddContact(&rec)) << a.company;
        }
    }
    TdmMain::Instance().CloseAll();
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(file.c_str()));
    ASSERT_EQ(back.GetStore()->GetCount(), 4u);
    std::set<std::string> companies;
    for (size_t i = 0; i < 4; ++i) companies.insert(back.GetStore()->GetAt(i)->m_szCompany);
    EXPECT_EQ(companies, (std::set<std::string>{"One", "Two", "Company A", "Company B"}));
    for (size_t i = 0; i < 4; ++i) {
        const CommAddr* c = back.GetStore()->GetAt(i);
        if (std::string(c->m_szCompany) == "One") {
            EXPECT_STREQ(c->m_szEmail, "ann1@x");
        }
        if (std::string(c->m_szCompany) == "Two") {
            EXPECT_STREQ(c->m_szEmail, "ann2@x");
        }
    }
    PmAddrEx2DataMgr* rows = back.GetEx2Store()->GetRecords();
    ASSERT_EQ(rows->GetCount(), 5);
    std::set<int32_t> ids;
    for (int i = 0; i < rows->GetCount(); ++i) ids.insert(rows->GetAt(i)->m_nRecordID);
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_STREQ(rows->GetAt(0)->m_szNote, "hidden");
    EXPECT_EQ(rows->GetAt(0)->m_nStatus, 4);
}

// A Palm value wider than its common field reaches the common record cut;
// merging that record back must leave the Palm value whole, while a value
// changed on the other side is written (cut to the Palm field).
TEST_F(WriteBackTest, WidePalmValuesSurviveAMergeOfTheirCut) {
    struct Case {
        int gen;
        const char* what;
        Fill fill;      // puts the long value into the native record
        TextOf native;  // the native field
        int32_t id;     // its common field
        size_t commonWidth;
        bool changedOutside;  // the common value differs from the Palm one
    };
    const std::string l100(100, 'c'), l40(40, 'f'), l28 = "555-" + std::string(24, '1'),
                      l20(20, '9'), l45 = "555-" + std::string(41, '2');
    const Case cases[] = {
        {PM_GEN_CLASSIC, "classic company",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddr->szCompany, l100.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddr->szCompany; }, FID_COMPANY, 64, false},
        {PM_GEN_CLASSIC, "classic zip",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddr->szZipCode, l20.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddr->szZipCode; }, FID_WORK_POSTAL, 16,
         false},
        {PM_GEN_CLASSIC, "classic phone",
         [&](PmAddrInfoRecord& r) {
             CxCopyText(r.m_pAddr->szPhone[0], l28.c_str());
             r.m_pAddr->nPhoneKind[0] = PM_PHONE_WORK;
         },
         [](const PmAddrInfoRecord& r) { return r.m_pAddr->szPhone[0]; }, FID_WORK_PHONE, 24,
         false},
        {PM_GEN_CLASSIC, "classic company changed",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddr->szCompany, l100.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddr->szCompany; }, FID_COMPANY, 64, true},
        {PM_GEN_41X, "4.1.x custom 1",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddrEx->szCustom[0], l100.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx->szCustom[0]; }, FID_CUSTOM1, 64,
         false},
        {PM_GEN_41X, "4.1.x home zip",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddrEx->addresses[1].szZipCode, l20.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx->addresses[1].szZipCode; },
         FID_HOME_POSTAL, 16, false},
        {PM_GEN_6X, "6.x first name",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddrEx2->m_szFirstName, l40.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx2->m_szFirstName; }, FID_FIRST_NAME,
         32, false},
        {PM_GEN_6X, "6.x company",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddrEx2->m_szCompany, l100.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx2->m_szCompany; }, FID_COMPANY, 64,
         false},
        {PM_GEN_6X, "6.x custom 10",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddrEx2->m_szCustom[9], l100.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx2->m_szCustom[9]; }, kCustom10,
         64, false},
        {PM_GEN_6X, "6.x phone",
         [&](PmAddrInfoRecord& r) {
             CxCopyText(r.m_pAddrEx2->m_szPhone[0], l45.c_str());
             r.m_pAddrEx2->m_nPhoneLabel[0] = PM_PHONE_WORK;
         },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx2->m_szPhone[0]; }, FID_WORK_PHONE, 24,
         false},
        {PM_GEN_6X, "6.x chat",
         [&](PmAddrInfoRecord& r) { CxCopyText(r.m_pAddrEx2->m_szChat1, l40.c_str()); },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx2->m_szChat1; }, FID_IM1, 32, false},
        {PM_GEN_6X, "6.x phone changed",
         [&](PmAddrInfoRecord& r) {
             CxCopyText(r.m_pAddrEx2->m_szPhone[0], l45.c_str());
             r.m_pAddrEx2->m_nPhoneLabel[0] = PM_PHONE_WORK;
         },
         [](const PmAddrInfoRecord& r) { return r.m_pAddrEx2->m_szPhone[0]; }, FID_WORK_PHONE, 24,
         true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string file = WithRecords(c.gen, Stem("wide", i), {[&](PmAddrInfoRecord& r) {
                                                 Names(r, "Wide", "Value");
                                                 c.fill(r);
                                             }});
        std::string whole;
        {
            PmAddrInfo info(kUnknownVersion);
            ASSERT_TRUE(info.LoadFile(file.c_str()));
            whole = c.native(*info.GetRecordAt(0));
            ASSERT_GT(whole.size(), c.commonWidth - 1);
            // The common record holds the cut value.
            ASSERT_EQ(strlen(Common(*info.GetStore()->GetAt(0), c.id)), c.commonWidth - 1);
        }
        TdmMain::Instance().CloseAll();
        const std::string outside(c.commonWidth - 1, 'z');
        const std::string expected = c.changedOutside ? outside : whole;
        {
            // In memory, then after a reload.
            PmAddrInfo info(kUnknownVersion);
            ASSERT_TRUE(info.LoadFile(file.c_str()));
            CommAddr rec = *info.GetStore()->GetAt(0);
            SetFieldText(rec, FID_NOTE, "changed in Outlook");
            rec.m_nSourceType = SOURCE_OUTLOOK;
            if (c.changedOutside) CxCopyText(CommonSlot(rec, c.id), c.commonWidth, outside.c_str());
            ASSERT_TRUE(info.UpdateContact(&rec, 0));
            EXPECT_EQ(std::string(c.native(*info.GetRecordAt(0))), expected);
            ASSERT_TRUE(info.Save());
        }
        TdmMain::Instance().CloseAll();
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        EXPECT_EQ(back.GetRecordCount(), 1u);
        if (back.GetRecordCount() == 0) continue;
        EXPECT_EQ(std::string(c.native(*back.GetRecordAt(0))), expected);
        EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szNote, "changed in Outlook");
        if (c.gen == PM_GEN_6X) {
            EXPECT_EQ(back.GetEx2Store()->GetRecords()->GetCount(), 1);
        }
    }
}

TEST_F(WriteBackTest, PrivateFlagStaysWhenTheSourceIsOutlook) {
    struct {
        int gen;
        int32_t source;
        int32_t palmPrivate;
        int32_t commonPrivate;
        int32_t expected;
    } const cases[] = {
        {PM_GEN_CLASSIC, SOURCE_OUTLOOK, 1, 0, 1}, {PM_GEN_41X, SOURCE_OUTLOOK, 1, 0, 1},
        {PM_GEN_CLASSIC, SOURCE_PALM, 1, 0, 0},    {PM_GEN_41X, SOURCE_PALM, 0, 1, 1},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        const std::string file = WithRecords(c.gen, Stem("private", i), {[&](PmAddrInfoRecord& r) {
                                                 Names(r, "Secret", "Person");
                                                 if (r.m_pAddr) r.m_pAddr->nPrivate = c.palmPrivate;
                                                 else r.m_pAddrEx->nPrivate = c.palmPrivate;
                                             }});
        MergeFirst(file, [&](CommAddr& rec) {
            SetFieldText(rec, FID_NOTE, "merged");
            rec.m_nSourceType = c.source;
            rec.m_nPrivate = c.commonPrivate;
        });
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        ASSERT_EQ(back.GetRecordCount(), 1u);
        const PmAddrInfoRecord& r = *back.GetRecordAt(0);
        EXPECT_EQ(r.m_pAddr ? r.m_pAddr->nPrivate : r.m_pAddrEx->nPrivate, c.expected);
        EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szNote, "merged");
    }
}

// Two slots with one label: the common record shows the later one, and a
// merge writes there, so the earlier number stays.
TEST_F(WriteBackTest, TwoSlotsWithOneLabelKeepBothNumbers) {
    struct Case {
        int gen;
        int32_t code;
        int32_t id;
        const char* first;
        const char* second;
        const char* replacement;  // nullptr: the merge changes only the note
    };
    const Case cases[] = {
        {PM_GEN_CLASSIC, PM_PHONE_WORK, FID_WORK_PHONE, "111", "222", nullptr},
        {PM_GEN_CLASSIC, PM_PHONE_WORK, FID_WORK_PHONE, "111", "222", "333"},
        {PM_GEN_41X, PM_PHONE_EMAIL, FID_EMAIL, "a@x", "b@x", nullptr},
        {PM_GEN_41X, PM_PHONE_EMAIL, FID_EMAIL, "a@x", "b@x", "c@x"},
        {PM_GEN_6X, PM_PHONE_EMAIL, FID_EMAIL, "a@x", "b@x", nullptr},
        {PM_GEN_6X, PM_PHONE_EMAIL, FID_EMAIL, "a@x", "b@x", "c@x"},
    };
    auto slot = [](const PmAddrInfoRecord& r, int i) -> const char* {
        return r.m_pAddr ? r.m_pAddr->szPhone[i]
               : r.m_pAddrEx ? r.m_pAddrEx->szPhone[i]
                             : r.m_pAddrEx2->m_szPhone[i];
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        const std::string file = WithRecords(c.gen, Stem("slots", i), {[&](PmAddrInfoRecord& r) {
                                                 Names(r, "Two", "Slots");
                                                 // Slot 1 another label, slots 2 and 4 the same.
                                                 int32_t* labels = r.m_pAddr ? r.m_pAddr->nPhoneKind
                                                                  : r.m_pAddrEx
                                                                      ? r.m_pAddrEx->nPhoneKind
                                                                      : r.m_pAddrEx2->m_nPhoneLabel;
                                                 char* texts[3] = {
                                                     const_cast<char*>(slot(r, 0)),
                                                     const_cast<char*>(slot(r, 1)),
                                                     const_cast<char*>(slot(r, 3))};
                                                 labels[0] = PM_PHONE_HOME;
                                                 labels[1] = c.code;
                                                 labels[2] = PM_PHONE_OTHER;
                                                 labels[3] = c.code;
                                                 labels[4] = PM_PHONE_MAIN;
                                                 CxCopyText(texts[0], 32, "555-h");
                                                 CxCopyText(texts[1], 32, c.first);
                                                 CxCopyText(texts[2], 32, c.second);
                                             }});
        {
            PmAddrInfo info(kUnknownVersion);
            ASSERT_TRUE(info.LoadFile(file.c_str()));
            ASSERT_STREQ(Common(*info.GetStore()->GetAt(0), c.id), c.second);
        }
        TdmMain::Instance().CloseAll();
        MergeFirst(file, [&](CommAddr& rec) {
            SetFieldText(rec, FID_NOTE, "merged");
            if (c.replacement) SetFieldText(rec, c.id, c.replacement);
        });
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        ASSERT_EQ(back.GetRecordCount(), 1u);
        const PmAddrInfoRecord& r = *back.GetRecordAt(0);
        EXPECT_STREQ(slot(r, 0), "555-h");
        EXPECT_STREQ(slot(r, 1), c.first);
        EXPECT_STREQ(slot(r, 2), "");
        EXPECT_STREQ(slot(r, 3), c.replacement ? c.replacement : c.second);
        EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szNote, "merged");
    }
}

int32_t CategoryIdOf(const PmAddrInfoRecord& r) {
    return r.m_pAddr ? r.m_pAddr->nCategoryId
           : r.m_pAddrEx ? r.m_pAddrEx->nCategoryId
                         : r.m_pAddrEx2->m_nCategoryID;
}

// The classic and 4.1.x files hold 15 categories besides Unfiled: the
// contacts that ask for more stay where they were (Unfiled when new).
TEST_F(WriteBackTest, FullCategoryListKeepsTheCategoryId) {
    for (int gen : {PM_GEN_CLASSIC, PM_GEN_41X}) {
        SCOPED_TRACE(gen);
        LogCapture log;
        const std::string file = Empty(gen, Stem("full", static_cast<size_t>(gen)));
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        for (int i = 1; i <= 20; ++i) {
            CommAddr rec = Contact("Cat", std::to_string(i).c_str());
            SetFieldText(rec, FID_CATEGORY, ("Group " + std::to_string(i)).c_str());
            ASSERT_TRUE(info.AddContact(&rec));
            EXPECT_NE(CategoryIdOf(*info.GetRecordAt(static_cast<size_t>(i - 1))), -1) << i;
        }
        EXPECT_EQ(CategoryIdOf(*info.GetRecordAt(19)), 0);
        EXPECT_TRUE(log.Has(2, "Palm Desktop category could not be found or created: Group 20; "
                               "the record keeps category ID 0"));
        const int32_t first = CategoryIdOf(*info.GetRecordAt(0));
        ASSERT_GT(first, 0);
        CommAddr moved = *info.GetStore()->GetAt(0);
        SetFieldText(moved, FID_CATEGORY, "Group 99");
        ASSERT_TRUE(info.UpdateContact(&moved, 0));
        EXPECT_EQ(CategoryIdOf(*info.GetRecordAt(0)), first);
        ASSERT_TRUE(info.Save());
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szCategory, "Group 1");
        EXPECT_EQ(CategoryIdOf(*back.GetRecordAt(19)), 0);
    }
}

// A 6.x database that refuses new categories: a new contact stays Unfiled
// (0), an existing one keeps the ID it has.
TEST_F(WriteBackTest, Refused6xCategoryKeepsTheCategoryId) {
    const std::string file = WithRecords(PM_GEN_6X, "refused", {[](PmAddrInfoRecord& r) {
                                             Names(r, "Old", "Contact");
                                             r.m_pAddrEx2->m_nRecordID = 3;
                                             r.m_pAddrEx2->m_nCategoryID = 9;
                                         }});
    std::string error;
    ASSERT_TRUE(pdsetup::ExecSql(file,
                                 "CREATE TRIGGER no_new_category BEFORE INSERT ON Category "
                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                                 error))
        << error;
    LogCapture log;
    {
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        CommAddr rec = Contact("New", "Contact");
        SetFieldText(rec, FID_CATEGORY, "Friends");
        ASSERT_TRUE(info.AddContact(&rec));
        EXPECT_EQ(CategoryIdOf(*info.GetRecordAt(1)), 0);
        EXPECT_TRUE(log.Has(2, "Palm Desktop category could not be found or created: Friends; "
                               "the record keeps category ID 0"));
        CommAddr old = *info.GetStore()->GetAt(0);
        SetFieldText(old, FID_CATEGORY, "Friends");
        SetFieldText(old, FID_NOTE, "merged");
        ASSERT_TRUE(info.UpdateContact(&old, 0));
        EXPECT_EQ(CategoryIdOf(*info.GetRecordAt(0)), 9);
    }
    TdmMain::Instance().CloseAll();
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(file.c_str()));
    ASSERT_EQ(back.GetRecordCount(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const PmAddrEx2Record& x = *back.GetRecordAt(i)->m_pAddrEx2;
        EXPECT_EQ(x.m_nCategoryID, std::string(x.m_szFirstName) == "Old" ? 9 : 0) << i;
    }
}

}  // namespace

// A 6.x update that places a number in a free slot writes the slot's new
// label, so the number reads back as what it is.
TEST_F(WriteBackTest, Relabelled6xSlotAndChatSurviveAReload) {
    const std::string file = WithRecords(PM_GEN_6X, "relabel", {[](PmAddrInfoRecord& r) {
                                             Names(r, "Ann", "Lee");
                                             r.m_pAddrEx2->m_nRecordID = 5;
                                             CxCopyText(r.m_pAddrEx2->m_szPhone[0], "555-0001");
                                             r.m_pAddrEx2->m_nPhoneLabel[0] = PM_PHONE_WORK;
                                         }});
    MergeFirst(file, [](CommAddr& rec) {
        SetFieldText(rec, FID_MOBILE_PHONE, "555-0777");
        SetFieldText(rec, FID_IM1, "ann.chat");
    });
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(file.c_str()));
    ASSERT_EQ(back.GetRecordCount(), 1u);
    const CommAddr& rec = *back.GetStore()->GetAt(0);
    EXPECT_STREQ(rec.m_szMobilePhone, "555-0777");
    EXPECT_STREQ(rec.m_szWorkPhone, "555-0001");
    EXPECT_STREQ(rec.m_szIM1, "ann.chat");
}
