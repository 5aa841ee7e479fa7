// Differential round trips of classic and 4.1.x files through the facade:
// files from the fixture's encoder with texts longer than their fields, odd
// labels and opaque columns are loaded, random fields of random records are
// changed, the file is saved and decoded again by the fixture's decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"
#include "common/palm/PalmAddrInfo.h"
#include "palm/PalmFixture.h"
#include "palm/PalmTestUtil.h"

using namespace palm_fixture;

namespace {

constexpr uint32_t kAnyVersion = 0xFFFFFFFFu;

// A common field the facade exchanges, and its column in each format.
struct Mapped {
    int32_t id;
    uint32_t classic;  // 0: not in the classic file
    uint32_t ex;
};
const Mapped kFields[] = {
    {FID_FIRST_NAME, 4, 13}, {FID_LAST_NAME, 3, 14}, {FID_COMPANY, 6, 16},
    {FID_TITLE, 5, 15},      {FID_NOTE, 22, 18},     {FID_WORK_STREET, 17, 43},
    {FID_WORK_CITY, 18, 44}, {FID_CUSTOM1, 25, 33},  {FID_EMAIL, 10, 20},
    {FID_HOME_STREET, 0, 49},
};

size_t CommonWidth(int32_t id) {
    CommAddr probe{};
    size_t size = 0;
    GetTextSlot(probe, id, &size);
    return size;
}

class Gen {
public:
    explicit Gen(unsigned seed) : m_rng(seed) {}
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }
    // Letters, starting with 'first' so values of different origin never
    // start alike.
    std::string Text(char first, size_t length) {
        std::string s;
        if (length) s += first;
        while (s.size() < length) s += static_cast<char>('a' + Pick(26));
        return s;
    }
    // Lengths around a field of 'width' bytes: short, full, just over, far over.
    std::string Around(char first, size_t width, size_t most) {
        const size_t lengths[] = {0, 4, width - 1, width, width + 6, most};
        size_t n = lengths[Pick(6)];
        if (n > most) n = most;
        return Text(first, n);
    }

private:
    std::mt19937 m_rng;
};

void PutBirthday(Row& r, double stored) { memcpy(r.birthday, &stored, 8); }

Row ClassicRow(Gen& g, int i) {
    Row r;
    r.ints[0] = 100u + static_cast<uint32_t>(i);
    r.ints[2] = static_cast<uint32_t>(i);
    r.texts[3] = g.Around('L', 32, 45);
    r.texts[4] = "F" + std::to_string(i) + g.Around('f', 32, 40);  // never empty
    r.texts[5] = i % 5 == 0 ? std::string("Dr\0x", 4) : g.Around('t', 32, 50);
    r.texts[6] = g.Around('C', 256, 300);
    r.ints[7] = 0;
    r.texts[8] = g.Around('5', 32, 36);
    r.ints[9] = 4;
    r.texts[10] = g.Around('e', 32, 50) + "@example.com";
    r.ints[11] = 3;  // three empty slots of other kinds
    r.ints[13] = 5;
    r.ints[15] = 7;
    r.texts[17] = g.Around('S', 256, 280);
    r.texts[18] = g.Around('c', 32, 40);
    r.texts[22] = g.Around('N', 8192, 9000);
    r.ints[23] = static_cast<uint32_t>(i % 2);
    r.ints[24] = i % 3 == 0 ? 1u : 0u;
    r.texts[25] = g.Around('u', 64, 90);
    r.texts[28] = g.Around('v', 64, 70);
    r.ints[29] = 0x29u + static_cast<uint32_t>(i);
    return r;
}

Row ExRow(Gen& g, int i) {
    Row r;
    r.ints[0] = 200u + static_cast<uint32_t>(i);
    r.ints[1] = 4096u + static_cast<uint32_t>(i);
    r.ints[3] = static_cast<uint32_t>(i) * 73;
    r.ints[4] = static_cast<uint32_t>(i);
    r.ints[5] = i % 3 == 0 ? 1u : 0u;
    r.blocks[7] = {64, 0, 0, 0, {}};
    r.blocks[8] = {65, 2, 11, 12, {1, 2, 3}};
    r.blocks[9] = {66, 6, 0, 0, {9, 8, 7, 6, 5, 4}};
    r.blocks[10] = {67, 1, 5, 6, {}};
    // Opaque texts of their own, over their widths.
    r.texts[11] = g.Around('o', 32, 60);
    r.texts[12] = i % 4 == 0 ? std::string("ab\0cd", 5) : g.Around('p', 32, 40);
    r.texts[13] = "F" + std::to_string(i) + g.Around('f', 32, 40);
    r.texts[14] = g.Around('L', 32, 45);
    r.texts[15] = g.Around('t', 32, 50);
    r.texts[16] = g.Around('C', 256, 300);
    r.ints[17] = 17;
    r.texts[18] = g.Around('N', 2048, 3000);
    r.texts[19] = g.Around('5', 32, 36);
    r.texts[20] = g.Around('e', 32, 50) + "@example.com";
    r.ints[26] = 0;
    r.ints[27] = 4;
    r.ints[28] = 3;
    r.ints[29] = 5;
    r.ints[30] = 7;
    r.ints[31] = 6;
    r.ints[32] = 1;
    r.texts[33] = g.Around('u', 256, 300);
    r.texts[41] = g.Around('w', 256, 270);
    r.ints[42] = 0;
    r.texts[43] = g.Around('S', 256, 280);
    r.texts[44] = g.Around('c', 32, 40);
    r.ints[48] = 1;
    r.texts[49] = g.Around('H', 256, 260);
    r.ints[54] = 2;
    r.texts[60] = g.Around('i', 32, 40);
    r.ints[62] = 62;
    r.texts[64] = g.Around('q', 256, 400);
    PutBirthday(r, i % 2 ? 0.0 : 129080608.0 + 30000.0 + i);
    r.ints[66] = 1;
    r.ints[67] = 67;
    r.ints[68] = 68;
    for (uint32_t c = 69; c <= 72; ++c) r.texts[c] = g.Around('x', 32, 50);
    return r;
}

struct Case {
    const char* name;
    int generation;
};

class PalmRoundTrip : public ::testing::TestWithParam<Case> {
protected:
    std::string Path() const { return m_dir.File("address.dat"); }
    bool Classic() const { return GetParam().generation == PM_GEN_CLASSIC; }

    // A file of n random records; its rows as written.
    // announced: the row count the file states (default n); trailer: bytes
    // after the rows.
    std::vector<uint8_t> Make(unsigned seed, int n, std::vector<Row>& rows, int announced = -1,
                              const std::vector<uint8_t>& trailer = {}) {
        std::vector<uint8_t> file = MakeRows(seed, n, rows, announced < 0 ? n : announced);
        file.insert(file.end(), trailer.begin(), trailer.end());
        return file;
    }
    std::vector<uint8_t> MakeRows(unsigned seed, int n, std::vector<Row>& rows, int announced) {
        Gen g(seed);
        rows.clear();
        for (int i = 0; i < n; ++i) rows.push_back(Classic() ? ClassicRow(g, i) : ExRow(g, i));
        if (Classic()) {
            ClassicLayout l;
            l.dbName = Path();
            l.labels = "Birthday\nSpouse\nWeb\nPager\nFifth\nSixth without end";
            l.categories = {{1, 1, "Business", ""}, {2, 3, "Personal", ""}};
            for (const Row& r : rows) l.rows.push_back(EncodeClassicRow(r));
            l.totalFields = static_cast<uint32_t>(announced) * 30;
            return BuildClassic(l);
        }
        ExLayout l;
        l.dbName = "C:\\Palm\\User\\address\\address.dat";
        l.labels = {"Label 1", "", "Label 3", "", "", "", "", "", std::string(32, 'L')};
        l.labelWord = 0x01020304;
        l.categories = {{1, 1, "Business", ""}, {2, 3, "Personal", ""}};
        for (const Row& r : rows) l.rows.push_back(EncodeExRow(r));
        l.totalFields = static_cast<uint32_t>(announced) * 73;
        l.setReserved1Count = false;
        l.reserved1[12] = static_cast<uint8_t>(announced);
        l.reserved1[13] = 0x10;
        return BuildEx(l);
    }

    std::vector<uint8_t> Value(const Row& r, uint32_t c) const {
        return Classic() ? EncodeClassicValue(r, c) : EncodeExValue(r, c);
    }

    bool Decode(const std::vector<uint8_t>& file, std::vector<Row>& rows,
                std::string& labels) const {
        std::vector<uint8_t> trailer;
        if (Classic()) {
            ClassicLayout l;
            if (!DecodeClassic(file, l, rows, trailer)) return false;
            labels = l.labels;
        } else {
            ExLayout l;
            std::vector<uint32_t> words;
            if (!DecodeEx(file, l, rows, trailer, words)) return false;
            for (size_t i = 0; i < l.labels.size(); ++i)
                labels += l.labels[i] + "|" + std::to_string(words[i]) + "\n";
        }
        return trailer.empty();
    }

    vt_test::TempDir m_dir;
};

// Untouched: the save gives back the very bytes (the file holds none of
// what a save rewrites on purpose: extra words other than 1, integer type
// codes 3 and 6, categories out of index order or marked changed, and, in
// the classic file, a stored name other than its path).
TEST_P(PalmRoundTrip, UntouchedSaveIsByteIdentical) {
    std::vector<Row> rows;
    const std::vector<uint8_t> file = Make(7, 12, rows);
    vt_test::WriteBytes(Path(), file);
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(Path().c_str()));
    ASSERT_EQ(info.GetLoadedGeneration(), GetParam().generation);
    ASSERT_TRUE(info.Save());
    EXPECT_EQ(vt_test::ReadBytes(Path()), file);
}

TEST_P(PalmRoundTrip, ChangedFieldsOnlyChange) {
    const int n = 24;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<Row> rows;
        const std::vector<uint8_t> file = Make(seed, n, rows);
        vt_test::WriteBytes(Path(), file);
        std::vector<Row> before;
        std::string labelsBefore;
        ASSERT_TRUE(Decode(file, before, labelsBefore));

        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        ASSERT_EQ(info.GetRecordCount(), static_cast<size_t>(n));

        Gen g(seed * 101);
        std::vector<Row> expect = before;
        std::set<size_t> changed;
        for (int k = 0; k < 8; ++k) {
            const size_t index = g.Pick(n);
            CommAddr rec = *info.GetStore()->GetAt(static_cast<uint32_t>(index));
            rec.m_nSourceType = SOURCE_OUTLOOK;  // as a sync run hands it over
            const int fields = 1 + static_cast<int>(g.Pick(3));
            for (int f = 0; f < fields; ++f) {
                const Mapped& m = kFields[g.Pick(sizeof kFields / sizeof kFields[0])];
                const uint32_t column = Classic() ? m.classic : m.ex;
                if (column == 0) continue;
                const size_t width = CommonWidth(m.id);
                std::string value = g.Text('#', 1 + g.Pick(width - 1));
                if (m.id == FID_EMAIL) value = g.Text('#', 1 + g.Pick(20)) + "@new.example";
                SetFieldText(rec, m.id, value.c_str());
                expect[index].texts[column] = value;
            }
            ASSERT_TRUE(info.UpdateContact(&rec, static_cast<int>(index)));
            changed.insert(index);
        }
        for (size_t index : changed) expect[index].ints[Classic() ? 1 : 2] |= 2;  // changed mark
        ASSERT_TRUE(info.Save());

        std::vector<Row> after;
        std::string labelsAfter;
        ASSERT_TRUE(Decode(vt_test::ReadBytes(Path()), after, labelsAfter));
        EXPECT_EQ(labelsAfter, labelsBefore);
        ASSERT_EQ(after.size(), expect.size());
        const uint32_t columns = Classic() ? 30 : 73;
        for (size_t i = 0; i < after.size(); ++i)
            for (uint32_t c = 0; c < columns; ++c)
                EXPECT_EQ(Value(after[i], c), Value(expect[i], c))
                    << "record " << i << " column " << c << (changed.count(i) ? " (changed)" : "");
    }
}

// Bytes after the announced rows: a further complete row means a damaged
// count, and a save would drop contacts, so the side is read-only; stale
// bytes that hold no complete row load as usual.
TEST_P(PalmRoundTrip, BytesAfterTheLastRow) {
    std::vector<Row> rows;
    const std::vector<uint8_t> oneRow = Make(3, 1, rows);
    const std::vector<uint8_t> noRow = Make(3, 0, rows);
    const std::vector<uint8_t> row(oneRow.begin() + static_cast<long>(noRow.size()), oneRow.end());
    const std::vector<uint8_t> halfRow(row.begin(), row.begin() + static_cast<long>(row.size() / 2));
    const std::vector<uint8_t> stale(37, 0xA5);
    const struct {
        const char* name;
        int rows;
        int announced;
        std::vector<uint8_t> trailer;
        CommSideState state;
    } cases[] = {
        {"exact", 6, 6, {}, SIDE_AVAILABLE},
        {"stale bytes", 6, 6, stale, SIDE_AVAILABLE},
        {"half a row", 6, 6, halfRow, SIDE_AVAILABLE},
        {"count damaged to 2", 6, 2, {}, SIDE_READONLY},
        {"count one short", 6, 5, {}, SIDE_READONLY},
        {"count damaged to 0", 6, 0, stale, SIDE_READONLY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        palm_test::LogCapture log;
        const std::vector<uint8_t> file = Make(11, c.rows, rows, c.announced, c.trailer);
        vt_test::WriteBytes(Path(), file);
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        EXPECT_EQ(info.GetRecordCount(), static_cast<size_t>(c.announced));
        EXPECT_EQ(info.GetSideState(), c.state);
        const uint64_t after = Classic() ? info.GetClassicStore()->GetBytesAfterRows()
                                         : info.GetExStore()->GetBytesAfterRows();
        // The same file cut after its announced rows.
        EXPECT_EQ(after, file.size() - Make(11, c.announced, rows).size());
        if (c.state == SIDE_READONLY) {
            EXPECT_EQ(log.Count("bytes follow the last announced row and hold at least one "
                                "further complete row"), 1);
            EXPECT_FALSE(info.Save());
            EXPECT_TRUE(log.Has(0, "The Palm Desktop file was loaded read-only (more rows follow "
                                   "its record count); it is not saved."));
            EXPECT_EQ(vt_test::ReadBytes(Path()), file);
        } else {
            EXPECT_TRUE(info.Save());
        }
    }
}

// 4.1.x birthdays: a stored 0.0 is no date; no date (0, or outside the years
// 100 to 9999) never replaces a stored one; a contact added without a date
// stores 0.0.
TEST(PalmContacts41Dates, ReadUpdateAndAdd) {
    const double kOffset = 129080608.0;
    const struct {
        double stored;
        double read;
        double update;
        double storedAfter;
        double added;  // what a new contact with 'update' stores
    } cases[] = {
        {0.0, 0.0, 0.0, 0.0, 0.0},
        {0.0, 0.0, 45000.0, kOffset + 45000.0, kOffset + 45000.0},
        {kOffset + 30000.0, 30000.0, 0.0, kOffset + 30000.0, 0.0},
        {kOffset + 30000.0, 30000.0, -700000.0, kOffset + 30000.0, 0.0},
        {kOffset + 30000.0, 30000.0, 3000000.0, kOffset + 30000.0, 0.0},
        {kOffset + 30000.0, 30000.0, 45000.0, kOffset + 45000.0, kOffset + 45000.0},
    };
    vt_test::TempDir dir;
    const std::string path = dir.File("address.dat");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " / " + std::to_string(c.update));
        ExLayout l = ExSample("address.dat");
        Row row = ExSampleRow(0);
        memcpy(row.birthday, &c.stored, 8);
        l.rows = {EncodeExRow(row)};
        vt_test::WriteBytes(path, BuildEx(l));

        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(path.c_str()));
        ASSERT_EQ(info.GetRecordCount(), 1u);
        EXPECT_EQ(info.GetStore()->GetAt(0)->m_dtBirthday, c.read);
        CommAddr rec = *info.GetStore()->GetAt(0);
        rec.m_nSourceType = SOURCE_OUTLOOK;
        rec.m_dtBirthday = c.update;
        ASSERT_TRUE(info.UpdateContact(&rec, 0));
        CommAddr added{};
        SetFieldText(added, FID_LAST_NAME, "Added");
        added.m_nSourceType = SOURCE_OUTLOOK;
        added.m_dtBirthday = c.update;
        ASSERT_TRUE(info.AddContact(&added));
        ASSERT_TRUE(info.Save());

        ExLayout out;
        std::vector<Row> rows;
        std::vector<uint8_t> trailer;
        std::vector<uint32_t> words;
        ASSERT_TRUE(DecodeEx(vt_test::ReadBytes(path), out, rows, trailer, words));
        ASSERT_EQ(rows.size(), 2u);
        double after = 0, add = 0;
        memcpy(&after, rows[0].birthday, 8);
        memcpy(&add, rows[1].birthday, 8);
        EXPECT_EQ(after, c.storedAfter);
        EXPECT_EQ(add, c.added);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PalmRoundTrip,
                         ::testing::Values(Case{"Classic", PM_GEN_CLASSIC},
                                           Case{"Contacts41", PM_GEN_41X}),
                         [](const ::testing::TestParamInfo<Case>& p) { return p.param.name; });

}  // namespace
