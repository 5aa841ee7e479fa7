// The category list and the category block shared by both file formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/palm/PalmComm.h"
#include "palm/PalmFixture.h"
#include "support/TestSupport.h"

using palm_fixture::Bytes;
using palm_fixture::Category;

namespace {

class CatDb : public PmDBUtil {
public:
    using PmDBUtil::LoadCategoryBlock;
    using PmDBUtil::SaveCategoryBlock;
};

Bytes Block(uint32_t nextFeedId, const std::vector<Category>& cats) {
    Bytes b;
    b.U32(nextFeedId).U32(static_cast<uint32_t>(cats.size()));
    for (const Category& c : cats)
        b.U32(c.index).U32(c.id).U32(c.changed).Str(c.name).Str(
            c.fileName.empty() ? palm_fixture::CategoryFileName(c.name) : c.fileName);
    return b;
}

class PalmCategoryTest : public ::testing::Test {
protected:
    bool Load(const Bytes& b) {
        vt_test::WriteBytes(m_dir.File("cat.dat"), b.data);
        EXPECT_TRUE(m_db.Open(m_dir.File("cat.dat").c_str(), 0));
        const bool ok = m_db.LoadCategoryBlock();
        m_db.Close();
        return ok;
    }
    std::vector<uint8_t> Save() {
        const std::string path = m_dir.File("out.dat");
        EXPECT_TRUE(m_db.Open(path.c_str(), 3));
        EXPECT_TRUE(m_db.SaveCategoryBlock());
        m_db.Close();
        return vt_test::ReadBytes(path);
    }

    vt_test::TempDir m_dir;
    CatDb m_db;
};

TEST(PalmCategory, FileNameTurnsRefusedCharactersIntoUnderscores) {
    char out[256];
    PmCategoryMgr::MakeFileName("A/B: c?", out, sizeof(out));
    EXPECT_STREQ(out, "A_B_ c_");
    PmCategoryMgr::MakeFileName("\"*+,./:;<=>?[\\]^|x-y", out, sizeof(out));
    EXPECT_STREQ(out, "_________________x-y");
}

TEST(PalmCategory, AddRules) {
    PmCategoryMgr list;
    PmCategory c;
    c.SetName("NoUnfiled");
    EXPECT_FALSE(list.Add(&c));  // no new ID without slot 0
    PmCategory unfiled;
    unfiled.SetIndex(0);
    unfiled.SetId(0);
    unfiled.SetName("Unfiled");
    ASSERT_TRUE(list.Add(&unfiled));
    EXPECT_STREQ(list.GetAt(0)->GetFileName(), "Unfiled");
    EXPECT_EQ(list.GetAt(0)->GetFlags(), 0u);
    ASSERT_TRUE(list.Add(&c));
    EXPECT_EQ(list.FindByName("NOUNFILED")->GetIndex(), 1);
    EXPECT_EQ(list.FindByName("nounfiled")->GetId(), 1);
    EXPECT_EQ(list.GetAt(1)->GetFlags() & PmCategory::FLAG_CHANGED, PmCategory::FLAG_CHANGED);
    PmCategory dup;
    dup.SetId(1);
    dup.SetName("Dup");
    EXPECT_FALSE(list.Add(&dup));  // ID taken
    PmCategory taken;
    taken.SetIndex(1);
    taken.SetId(40);
    EXPECT_FALSE(list.Add(&taken));  // slot taken
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetAt(16), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.FindByName(""), nullptr);
}

TEST_F(PalmCategoryTest, EmptyBlockHoldsOnlyUnfiledAndSavesNextFeedIdAndZero) {
    ASSERT_TRUE(Load(Block(77, {})));
    const PmCategoryMgr* list = m_db.GetCategoryMgr();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 1u);
    EXPECT_STREQ(list->GetAt(0)->GetName(), "Unfiled");
    EXPECT_EQ(list->GetAt(0)->GetId(), 0);
    EXPECT_FALSE(list->IsChanged());
    EXPECT_EQ(Save(), Bytes().U32(77).U32(0).data);
}

TEST_F(PalmCategoryTest, NoListSavesDefaults) {
    EXPECT_EQ(Save(), Bytes().U32(128).U32(0).data);
}

TEST_F(PalmCategoryTest, EntriesComeBackAtTheirIndexInIndexOrder) {
    ASSERT_TRUE(Load(Block(200, {{5, 9, "Travel", "odd file", 1},
                                 {1, 1, "Business", ""},
                                 {2, 3, "Personal", "", 1}})));
    const PmCategoryMgr* list = m_db.GetCategoryMgr();
    EXPECT_EQ(list->GetCount(), 4u);
    EXPECT_EQ(list->GetAt(5)->GetFlags() & PmCategory::FLAG_CHANGED, PmCategory::FLAG_CHANGED);
    EXPECT_EQ(list->GetAt(1)->GetFlags() & PmCategory::FLAG_CHANGED, 0u);
    // Changed fields are written as 0 and file names rebuilt from the names.
    EXPECT_EQ(Save(), Block(200, {{1, 1, "Business", ""},
                                  {2, 3, "Personal", ""},
                                  {5, 9, "Travel", ""}})
                          .data);
}

TEST_F(PalmCategoryTest, BadEntriesFailTheLoad) {
    struct Case {
        const char* what;
        Bytes bytes;
        bool ok;
    };
    std::vector<Category> seventeen;
    for (uint32_t i = 1; i <= 16; ++i) seventeen.push_back({i % 16, 100 + i, "C" + std::to_string(i), ""});
    const Case cases[] = {
        {"20-character name", Block(128, {{1, 1, std::string(20, 'n'), ""}}), true},
        {"300-character name", Block(128, {{1, 1, std::string(300, 'n'), ""}}), false},
        {"300-character file name", Block(128, {{1, 1, "ok", std::string(300, 'f')}}), false},
        {"ID 0", Block(128, {{1, 0, "Zero", ""}}), false},
        {"index 0", Block(128, {{0, 5, "Zero", ""}}), false},
        {"index 16", Block(128, {{16, 5, "Big", ""}}), false},
        {"same ID twice", Block(128, {{1, 4, "A", ""}, {2, 4, "B", ""}}), false},
        {"seventeen entries", Block(128, seventeen), false},
        {"count beyond the entries", Bytes().U32(128).U32(3).U32(1).U32(1).U32(0), false},
        {"no count", Bytes().U32(128), false},
        {"nothing", Bytes(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(Load(c.bytes), c.ok) << c.what;
    ASSERT_TRUE(Load(cases[0].bytes));
    EXPECT_STREQ(m_db.GetCategoryMgr()->GetAt(1)->GetName(), std::string(15, 'n').c_str());
}

TEST_F(PalmCategoryTest, GetCategoryIdFindsAndCreates) {
    ASSERT_TRUE(Load(Block(128, {{1, 1, "Business", ""}, {2, 3, "Personal", ""}, {5, 9, "Travel", ""}})));
    int32_t id = -5;
    EXPECT_TRUE(m_db.GetCategoryId("bUSINESS", id, false));
    EXPECT_EQ(id, 1);
    EXPECT_TRUE(m_db.GetCategoryId("", id, true));
    EXPECT_EQ(id, 0);
    EXPECT_TRUE(m_db.GetCategoryId(nullptr, id, true));
    EXPECT_EQ(id, 0);
    EXPECT_FALSE(m_db.GetCategoryId("Hobby", id, false));
    EXPECT_EQ(id, 0);
    EXPECT_EQ(m_db.GetCategoryMgr()->GetCount(), 4u);
    // The first free slot from 1 on; one above the highest ID of the whole
    // list (9, behind a gap), not only of the leading slots (3).
    EXPECT_TRUE(m_db.GetCategoryId("Hobby", id, true));
    EXPECT_EQ(id, 10);
    EXPECT_EQ(m_db.GetCategoryMgr()->FindById(10)->GetIndex(), 3);
    EXPECT_TRUE(m_db.GetCategoryMgr()->IsChanged());
    // A long text maps to the category of its first 15 characters.
    const std::string longName = "Very long category name";
    EXPECT_TRUE(m_db.GetCategoryId(longName.c_str(), id, true));
    EXPECT_EQ(id, 11);
    EXPECT_STREQ(m_db.GetCategoryMgr()->FindById(11)->GetName(), "Very long categ");
    int32_t again = -1;
    EXPECT_TRUE(m_db.GetCategoryId(longName.c_str(), again, true));
    EXPECT_EQ(again, 11);
    EXPECT_EQ(m_db.GetCategoryMgr()->GetCount(), 6u);

    char text[16] = "keep";
    EXPECT_FALSE(m_db.GetCategoryText(77, text, sizeof(text)));
    EXPECT_STREQ(text, "keep");
    EXPECT_TRUE(m_db.GetCategoryText(9, text, sizeof(text)));
    EXPECT_STREQ(text, "Travel");
}

TEST_F(PalmCategoryTest, FullListRefusesNewCategories) {
    std::vector<Category> cats;
    for (uint32_t i = 1; i < 16; ++i) cats.push_back({i, i, "C" + std::to_string(i), ""});
    ASSERT_TRUE(Load(Block(128, cats)));
    int32_t id = 0;
    EXPECT_FALSE(m_db.GetCategoryId("Another", id, true));
    EXPECT_EQ(id, -1);
    EXPECT_EQ(m_db.GetCategoryMgr()->GetCount(), 16u);
}

}  // namespace
