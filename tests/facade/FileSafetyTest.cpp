// The facade around its address.dat files: a file someone else changed
// since the load is never overwritten, a save's leftover is cleared, a
// read-only load never writes, and paths up to 259 characters work.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FacadeSupport.h"
#include "common/misc/CxPlatform.h"
#include "common/palm/PalmAddrInfo.h"
#include "palm/PalmFixture.h"
#include "common/palm/PalmCommEx2.h"
#include "standins/palmdesktop/PdSetup.h"

namespace {

namespace fs = std::filesystem;
using facade_test::Contact;
using facade_test::LogCapture;

struct Format {
    const char* name;
    int generation;
};
const Format kFormats[] = {{"classic", PM_GEN_CLASSIC}, {"4.1.x", PM_GEN_41X}};

std::vector<uint8_t> SampleBytes(int generation) {
    return generation == PM_GEN_CLASSIC
               ? palm_fixture::BuildClassic(palm_fixture::ClassicSample("address.dat"))
               : palm_fixture::BuildEx(palm_fixture::ExSample("address.dat"));
}

void ShiftTime(const std::string& path, int seconds) {
    const auto t = fs::last_write_time(path);
    fs::last_write_time(path, t + std::chrono::seconds(seconds));
}

class FileSafetyTest : public ::testing::Test {
protected:
    std::string Write(int generation, const std::string& name = "address.dat") {
        const std::string path = m_Dir.File(name);
        vt_test::WriteBytes(path, SampleBytes(generation));
        return path;
    }
    LogCapture m_Log;
    vt_test::TempDir m_Dir;
};

// What another program may do to the file between load and save.
struct Change {
    const char* name;
    std::function<void(const std::string&)> apply;
    int changed;           // what ChangedSinceLoad says: 0, 1, or -1 either
    bool saveRefused;      // what Save does
};

TEST_F(FileSafetyTest, ChangesMadeMeanwhileAreFoundAndNeverOverwritten) {
    const std::vector<Change> changes = {
        {"nothing", [](const std::string&) {}, false, false},
        {"touched only", [](const std::string& p) { ShiftTime(p, 10); }, false, false},
        {"rewritten with the same bytes",
         [](const std::string& p) {
             vt_test::WriteBytes(p, vt_test::ReadBytes(p));
             ShiftTime(p, 10);
         },
         false, false},
        {"one byte appended",
         [](const std::string& p) {
             auto b = vt_test::ReadBytes(p);
             b.push_back(0);
             vt_test::WriteBytes(p, b);
         },
         true, true},
        {"same size, other content",
         [](const std::string& p) {
             auto b = vt_test::ReadBytes(p);
             b[b.size() - 3] ^= 0x20;
             vt_test::WriteBytes(p, b);
             ShiftTime(p, 10);
         },
         true, true},
        // The quick check takes equal size and time as unchanged (where the
        // system puts the time back exactly); the save still compares the
        // content while it holds the file.
        {"other content, time put back",
         [](const std::string& p) {
             const auto t = fs::last_write_time(p);
             auto b = vt_test::ReadBytes(p);
             b[b.size() - 3] ^= 0x20;
             vt_test::WriteBytes(p, b);
             fs::last_write_time(p, t);
         },
         -1, true},
        {"removed", [](const std::string& p) { fs::remove(p); }, true, true},
    };
    for (const Format& format : kFormats) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(format.name) + ": " + change.name);
            const std::string path = Write(format.generation);
            PmAddrInfo info(0xFFFFFFFFu);
            ASSERT_TRUE(info.LoadFile(path.c_str()));
            ASSERT_EQ(info.GetLoadedGeneration(), format.generation);
            const CommAddr added = Contact("Ada", "Lovelace");
            ASSERT_TRUE(info.AddContact(&added));
            change.apply(path);
            const bool exists = vt_test::Exists(path);
            const auto before = exists ? vt_test::ReadBytes(path) : std::vector<uint8_t>();
            m_Log.Reset();

            if (change.changed >= 0) {
                EXPECT_EQ(info.ChangedSinceLoad(), change.changed == 1);
            }
            EXPECT_EQ(info.Save(), !change.saveRefused);
            EXPECT_EQ(info.LastSaveFoundChange(), change.saveRefused);
            EXPECT_FALSE(vt_test::Exists(path + ".vtnew"));
            if (change.saveRefused) {
                EXPECT_EQ(vt_test::Exists(path), exists);
                if (exists) {
                    EXPECT_EQ(vt_test::ReadBytes(path), before);
                }
                EXPECT_TRUE(m_Log.Has(
                    0, "Palm Desktop's data changed since it was loaded; nothing was saved: " + path));
            } else {
                // The program's own save is no change, and a second one works.
                EXPECT_FALSE(info.ChangedSinceLoad());
                PmAddrInfo reread(0xFFFFFFFFu);
                ASSERT_TRUE(reread.LoadFile(path.c_str()));
                EXPECT_EQ(reread.GetRecordCount(), info.GetRecordCount());
                const CommAddr more = Contact("Grace", "Hopper");
                ASSERT_TRUE(info.AddContact(&more));
                EXPECT_TRUE(info.Save());
            }
            fs::remove(path);
        }
    }
}

TEST_F(FileSafetyTest, StaleTemporaryFileIsRemovedAtLoad) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string path = Write(format.generation);
        const std::string temp = path + ".vtnew";
        vt_test::WriteText(temp, "half a save");
        m_Log.Reset();
        PmAddrInfo info(0xFFFFFFFFu);
        ASSERT_TRUE(info.LoadFile(path.c_str()));
        EXPECT_FALSE(vt_test::Exists(temp));
        EXPECT_TRUE(m_Log.Has(2, "Removed the temporary file an interrupted save left behind: " + temp));
        EXPECT_TRUE(info.Save());
        EXPECT_FALSE(vt_test::Exists(temp));
    }
}

TEST_F(FileSafetyTest, TemporaryNameThatIsNoFileOfOursIsLeftAlone) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string path = Write(format.generation, std::string(format.name) + ".dat");
        const std::string temp = path + ".vtnew";
        fs::create_directory(temp);
        vt_test::WriteText(temp + "/keep.txt", "not ours");
        const auto before = vt_test::ReadBytes(path);
        m_Log.Reset();
        PmAddrInfo info(0xFFFFFFFFu);
        ASSERT_TRUE(info.LoadFile(path.c_str()));
        EXPECT_TRUE(vt_test::Exists(temp + "/keep.txt"));
        EXPECT_TRUE(
            m_Log.Has(0, "Left alone, not a file a save of this program leaves behind: " + temp));
        // The save cannot make its temporary file there: it fails and the
        // file stays as it was.
        EXPECT_FALSE(info.Save());
        EXPECT_EQ(vt_test::ReadBytes(path), before);
        fs::remove_all(temp);
    }
}

TEST_F(FileSafetyTest, ReadOnlyLoadNeverWrites) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string path = Write(format.generation);
        vt_test::WriteText(path + ".vtnew", "left by someone");
        const auto before = vt_test::ReadBytes(path);
        PmAddrInfo info(0xFFFFFFFFu);
        info.SetReadOnly(true);
        ASSERT_TRUE(info.LoadFile(path.c_str()));
        EXPECT_EQ(info.GetRecordCount(), 3u);
        const CommAddr added = Contact("Ada", "Lovelace");
        EXPECT_TRUE(info.AddContact(&added));
        m_Log.Reset();
        EXPECT_FALSE(info.Save());
        EXPECT_TRUE(m_Log.Has(0, "The Palm Desktop file was opened read-only; it is not saved: " + path));
        EXPECT_EQ(vt_test::ReadBytes(path), before);
        // An inspection touches nothing beside the file either.
        EXPECT_TRUE(vt_test::Exists(path + ".vtnew"));
        fs::remove(path + ".vtnew");
    }
}

TEST_F(FileSafetyTest, ReadOnlyLoadAsksForReadAccessOnly) {
    // Another program reads the file and lets nobody write it meanwhile.
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string path = Write(format.generation);
        FILE* other = cxplat::OpenReadDenyWrite(path.c_str());
        ASSERT_NE(other, nullptr);
        {
            PmAddrInfo writable(0xFFFFFFFFu);
            EXPECT_FALSE(writable.LoadFile(path.c_str()));
        }
        PmAddrInfo info(0xFFFFFFFFu);
        info.SetReadOnly(true);
        EXPECT_TRUE(info.LoadFile(path.c_str()));
        EXPECT_EQ(info.GetRecordCount(), 3u);
        fclose(other);
    }
}

// A path of exactly n characters: nested folders under the test folder.
std::string PathOfLength(const std::string& base, size_t n) {
    std::string folder = base;
    const std::string leaf = "address.dat";
    while (folder.size() + leaf.size() + 32 < n) {
        folder += std::string(20, 'f');
        fs::create_directory(folder);
        folder += cxplat::kPathSep;
    }
    const size_t pad = n - folder.size() - leaf.size() - 1;
    folder += std::string(pad, 'g');
    fs::create_directory(folder);
    folder += cxplat::kPathSep;
    return folder + leaf;
}

TEST_F(FileSafetyTest, PathOf259CharactersLoadsAndSavesALongerOneIsRefused) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string base = m_Dir.File(format.generation == PM_GEN_CLASSIC ? "c" : "x");
        fs::create_directory(base);
        const std::string path = PathOfLength(base + cxplat::kPathSep, 259);
        ASSERT_EQ(path.size(), 259u);
        vt_test::WriteBytes(path, SampleBytes(format.generation));
        // The temporary file gives up the end of the name to stay in 259.
        const std::string temp = PmTempPathFor(path.c_str());
        EXPECT_EQ(temp, path.substr(0, path.size() - 6) + ".vtnew");
        vt_test::WriteText(temp, "left by a killed save");
        {
            PmAddrInfo info(0xFFFFFFFFu);
            ASSERT_TRUE(info.LoadFile(path.c_str()));
            EXPECT_FALSE(vt_test::Exists(temp));
            const CommAddr added = Contact("Ada", "Lovelace");
            ASSERT_TRUE(info.AddContact(&added));
            EXPECT_FALSE(info.ChangedSinceLoad());
            EXPECT_TRUE(info.Save());
            EXPECT_FALSE(vt_test::Exists(temp));
            PmAddrInfo reread(0xFFFFFFFFu);
            ASSERT_TRUE(reread.LoadFile(path.c_str()));
            EXPECT_EQ(reread.GetRecordCount(), 4u);
        }
        // One more character: refused whole, never cut to a shorter path.
        const std::string longer = path.substr(0, path.size() - 4) + "X.dat";
        ASSERT_EQ(longer.size(), 260u);
        m_Log.Reset();
        PmAddrInfo info(0xFFFFFFFFu);
        EXPECT_FALSE(info.LoadFile(longer.c_str()));
        EXPECT_EQ(info.GetRecordCount(), 0u);
        EXPECT_TRUE(m_Log.Has(0, "The Palm Desktop file path is longer than 259 characters; it is "
                                 "not loaded: " + longer));
    }
}

TEST(PalmTempPath, StaysWithin259Characters) {
    const std::string folder = std::string(200, 'd') + "/";
    const struct {
        std::string target, temp;
    } cases[] = {
        {"/a/address.dat", "/a/address.dat.vtnew"},
        {folder + std::string(52, 'n'), folder + std::string(52, 'n') + ".vtnew"},  // 259
        {folder + std::string(53, 'n'), folder + std::string(47, 'n') + ".vtnew"},
        {folder + std::string(52, 'n') + ".dat", folder + std::string(50, 'n') + ".vtnew"},
        {folder + std::string(54, 'n') + "1.dat", ""},  // 260: no path of its own fits
        {std::string(250, 'd') + "/" + "a.dat", ""},     // the name is too short to give up
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PmTempPathFor(c.target.c_str()), c.temp) << c.target;
}

TEST_F(FileSafetyTest, DatabasePathOf259CharactersLoadsAndTakesWrites) {
    const std::string base = m_Dir.File("m");
    fs::create_directory(base);
    std::string path = PathOfLength(base + cxplat::kPathSep, 259);
    path = path.substr(0, path.size() - 11) + "Address.mdb";
    ASSERT_EQ(path.size(), 259u);
    std::string error;
    ASSERT_TRUE(pdsetup::WriteAddressData(PM_GEN_6X, path, {Contact("Ada", "Lovelace")}, error))
        << error;
    {
        PmAddrInfo info(0xFFFFFFFFu);
        ASSERT_TRUE(info.LoadFile(path.c_str()));
        EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_6X);
        const CommAddr added = Contact("Grace", "Hopper");
        EXPECT_TRUE(info.AddContact(&added));
        EXPECT_FALSE(info.ChangedSinceLoad());
        EXPECT_TRUE(info.Save());
    }
    TdmMain::Instance().CloseAll();
    PmAddrInfo reread(0xFFFFFFFFu);
    ASSERT_TRUE(reread.LoadFile(path.c_str()));
    EXPECT_EQ(reread.GetRecordCount(), 2u);
    TdmMain::Instance().CloseAll();
}

}  // namespace
