// The hash, the file state and the safe copy.
#include "common/backup/BackupFiles.h"

#include <gtest/gtest.h>

#include "BackupTestUtil.h"
#include "common/backup/CxSha256.h"
#include "support/TestSupport.h"

namespace {

using backup_test::BinaryContent;
using backup_test::Entries;

TEST(CxSha256, KnownDigestsWholeAndInPieces) {
    struct Case {
        std::string data;
        const char* digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CxSha256::Of(c.data), c.digest) << c.data.size();
        // Pieces that end on, before and after the 64-byte blocks.
        for (size_t piece : {1u, 55u, 63u, 64u, 65u}) {
            CxSha256 h;
            for (size_t i = 0; i < c.data.size(); i += piece)
                h.Add(c.data.data() + i, std::min(piece, c.data.size() - i));
            EXPECT_EQ(h.HexDigest(), c.digest) << c.data.size() << " in pieces of " << piece;
        }
    }
}

TEST(BackupFiles, StateOfAFile) {
    vt_test::TempDir dir;
    const std::string content = BinaryContent(300 * 256, 0);
    vt_test::WriteText(dir.File("f.bin"), content);
    BackupFileState s;
    std::string error;
    ASSERT_TRUE(ReadBackupFileState(dir.File("f.bin"), s, error)) << error;
    EXPECT_EQ(s.size, content.size());
    EXPECT_EQ(s.sha256, "c13cca7f7138841e1aedd1e4c38dddb9936776304c9dc98574f55a274b982e6a");
    EXPECT_GT(s.writeTime, 0u);
    EXPECT_FALSE(ReadBackupFileState(dir.File("missing"), s, error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    // Same content needs a known hash: two unknown states are not "the same".
    EXPECT_FALSE(BackupFileState{}.SameContent(BackupFileState{}));
}

TEST(BackupFiles, FileTimeTextAndExactValue) {
    EXPECT_EQ(BackupFileTimeText(116444736000000000ULL), "1970-01-01 00:00:00 UTC");
    EXPECT_EQ(BackupFileTimeText(134414225271234567ULL), "2026-12-11 00:28:47 UTC");
    struct Case {
        const char* text;
        bool ok;
        uint64_t value;
    };
    const Case cases[] = {
        {"134414225271234567 (2026-12-11 00:28:47 UTC)", true, 134414225271234567ULL},
        {"42", true, 42},
        {"", false, 0},
        {"(42)", false, 0},
        {"42x", false, 0},
        {"99999999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        uint64_t v = 0;
        EXPECT_EQ(ParseBackupFileTime(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(BackupFiles, SafeCopyIsByteIdentical) {
    vt_test::TempDir dir;
    // Empty, one chunk exactly, and across chunks with every byte value.
    for (size_t size : {size_t(0), size_t(65536), size_t(200001)}) {
        const std::string content = BinaryContent(size, 3);
        vt_test::WriteText(dir.File("src"), content);
        vt_test::WriteText(dir.File("dst"), "older content");
        BackupFileState copied;
        std::string error;
        ASSERT_TRUE(SafeCopyFile(dir.File("src"), dir.File("dst"), copied, error)) << error;
        EXPECT_EQ(vt_test::ReadText(dir.File("dst")), content) << size;
        EXPECT_EQ(copied.size, size);
        EXPECT_EQ(copied.sha256, CxSha256::Of(content));
        EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"dst", "src"}));
    }
}

TEST(BackupFiles, FailedCopyLeavesTargetAndNoTemporaryFile) {
    const SafeCopyStep steps[] = {SafeCopyStep::OpenTemp, SafeCopyStep::Write,
                                  SafeCopyStep::Flush, SafeCopyStep::Replace};
    for (SafeCopyStep failing : steps) {
        vt_test::TempDir dir;
        vt_test::WriteText(dir.File("src"), "new content");
        vt_test::WriteText(dir.File("dst"), "old content");
        BackupFileState copied;
        std::string error;
        EXPECT_FALSE(SafeCopyFile(dir.File("src"), dir.File("dst"), copied, error,
                                  [&](SafeCopyStep s) { return s == failing; }));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(vt_test::ReadText(dir.File("dst")), "old content") << static_cast<int>(failing);
        EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"dst", "src"}))
            << static_cast<int>(failing);
    }
    vt_test::TempDir dir;
    vt_test::WriteText(dir.File("dst"), "old content");
    BackupFileState copied;
    std::string error;
    EXPECT_FALSE(SafeCopyFile(dir.File("none"), dir.File("dst"), copied, error));
    EXPECT_NE(error.find("none"), std::string::npos) << error;
    EXPECT_EQ(vt_test::ReadText(dir.File("dst")), "old content");
}

}  // namespace
