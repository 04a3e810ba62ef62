// The media resolvers: disk before pack, packs appended to an executable, both hand-outs
// (memory file and extracted file) and their lifetimes, packs that change, and packs that
// are missing, foreign, truncated or corrupt.
#include "files/resolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/errors.h"
#include "core/lifecycle.h"
#include "files/channels.h"
#include "files/files.h"
#include "files/memfile.h"
#include "files/pack.h"
#include "files_test_util.h"
#include "platform/os.h"
#include "platform/tempdir.h"

namespace qvt {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::readBytes;
using test::ScratchFolder;
using test::writeBytes;

std::string text(const RuntimeString& s) { return std::string(s.view()); }
RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }
Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes makePack(const std::vector<PackFile>& files, PackFormat format = PackFormat::Lzo) {
    Bytes pack;
    std::string error;
    EXPECT_TRUE(BuildMediaPack(files, format, pack, error)) << error;
    return pack;
}

std::vector<PackFile> media() {
    return {{"pell/ship.png", bytesOf(test::varied(5000, 11))},
            {"hiscore.txt", bytesOf("first\r\nsecond\r\n")},
            {"alphabet", bytesOf("abcdefghijklmnopqrstuvwxyz")}};
}

class ResolverTest : public testing::Test {
protected:
    void SetUp() override { SetMediaPacks("", ""); }
    void TearDown() override {
        CloseAllChannels();
        ReleaseMediaResolvers();
    }

    // A copy of this test program with a pack of media() appended, as a shipped game has.
    std::string appendedExecutable(PackFormat format) {
        const std::string copy = dir / "game";
        Bytes exe = readBytes(platform::executablePath());
        EXPECT_GT(exe.size(), 1000u);
        const Bytes pack = makePack(media(), format);
        exe.insert(exe.end(), pack.begin(), pack.end());
        writeBytes(copy, exe);
        return copy;
    }

    ScratchFolder dir;
};

TEST_F(ResolverTest, DiskFilesComeFirstAndUnchanged) {
    writeBytes(dir / "alphabet", "on disk");
    SetMediaPacks(rs(appendedExecutable(PackFormat::Lzo)), "");
    RuntimeString out;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, rs(dir / "alphabet"), out, true));
    EXPECT_EQ(text(out), dir / "alphabet");
}

TEST_F(ResolverTest, MissingFileWithoutPackFailsAndStopsThePackSearch) {
    RuntimeString out;
    ClearLastError();
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, rs(dir / "none.png"), out, true));
    EXPECT_EQ(text(out), dir / "none.png") << "the output is the name itself";
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_FALSE(MediaPackEnabled(kMediaResolver));
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "", out, true));
    EXPECT_TRUE(out.empty());
}

TEST_F(ResolverTest, PackAppendedToAnExecutableIsFoundFromItsEnd) {
    for (PackFormat format : {PackFormat::Lzo, PackFormat::Lzss}) {
        SetMediaPacks(rs(appendedExecutable(format)), "");
        RuntimeString out;
        ClearLastError();
        ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "Media/pell/ship.png", out, true)) << int(format);
        const MemoryBytes bytes = FindMemoryFile(out.view());
        ASSERT_NE(bytes, nullptr) << text(out);
        EXPECT_EQ(*bytes, media()[0].data);
        EXPECT_EQ(LastErrorCode(), kErrSuccess);

        EXPECT_TRUE(ResolveMediaFile(kMediaResolver, "MEDIA\\ALPHABET", out, true)) << "case and backslash";
        EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "Media/ship.png", out, true)) << "folders must agree";
        EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
        EXPECT_TRUE(MediaPackEnabled(kMediaResolver)) << "a name not in the pack keeps the pack";
    }
}

TEST_F(ResolverTest, MemoryHandOutIsNamedBySizeAndAddress) {
    SetMediaPacks(rs(appendedExecutable(PackFormat::Lzss)), "");
    RuntimeString out;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", out, true));
    EXPECT_EQ(text(out).substr(0, 15), "mem://      1a.") << "26 bytes: 1a";
    const MemoryBytes bytes = FindMemoryFile(out.view());
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(text(out), text(MemoryFileName(26, reinterpret_cast<std::uintptr_t>(bytes->data()))));
}

TEST_F(ResolverTest, NextLookupReleasesTheMemoryButNotAnOpenChannel) {
    SetMediaPacks(rs(appendedExecutable(PackFormat::Lzo)), "");
    ASSERT_EQ(OpenChannel(1, "hiscore.txt", 1), 1) << "channels read through the resolver";
    RuntimeString first;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", first, true));
    RuntimeString again;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, first, again, true)) << "a live name passed back in";
    EXPECT_EQ(text(again), text(first));
    ASSERT_NE(FindMemoryFile(first.view()), nullptr) << "and it is still alive";

    RuntimeString second;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "pell/ship.png", second, true));
    EXPECT_EQ(FindMemoryFile(first.view()), nullptr) << "the previous hand-out is released";
    EXPECT_EQ(text(ReadChannelLine(1)), "first");
    EXPECT_EQ(text(ReadChannelLine(1)), "second") << "the channel keeps its bytes";
}

TEST_F(ResolverTest, ExtractedFileLivesUntilTheNextLookupOrShutdown) {
    SetMediaPacks(rs(appendedExecutable(PackFormat::Lzo)), "");
    RuntimeString out;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "Media/pell/ship.png", out, false));
    const std::string first = text(out);
    const std::string tmp = platform::privateTempDir();
    ASSERT_EQ(first.rfind(tmp + "pkq", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 4), ".png") << "the extension survives for loaders";
    EXPECT_EQ(readBytes(first), media()[0].data);

    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", out, false));
    EXPECT_FALSE(std::filesystem::exists(first)) << "deleted by the next lookup";
    const std::string second = text(out);
    EXPECT_EQ(readBytes(second), media()[2].data);

    ShutdownMediaResolvers();
    EXPECT_FALSE(std::filesystem::exists(second)) << "deleted at shutdown";
}

TEST_F(ResolverTest, TheTwoResolversKeepTheirOwnHandOuts) {
    const std::string pack = appendedExecutable(PackFormat::Lzss);
    SetMediaPacks(rs(pack), rs(pack));
    RuntimeString a, b;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", a, false));
    ASSERT_TRUE(ResolveMediaFile(kRuntimeResolver, "alphabet", b, false));
    EXPECT_NE(text(a), text(b)) << "same entry, two files";
    EXPECT_TRUE(std::filesystem::exists(text(a))) << "the other resolver's lookup leaves it";
    EXPECT_FALSE(ResolveMediaFile(2, "alphabet", a, true));
    EXPECT_EQ(LastErrorCode(), kErrOutOfMemory);
}

TEST_F(ResolverTest, PackMayItselfBeAMemoryFile) {
    MemoryFile pack(makePack(media(), PackFormat::Lzss));
    SetMediaPacks("", pack.name());
    RuntimeString out;
    ASSERT_TRUE(ResolveMediaFile(kRuntimeResolver, "hiscore.txt", out, true));
    EXPECT_EQ(*FindMemoryFile(out.view()), media()[1].data);
}

TEST_F(ResolverTest, ChangedPackIsReadAgain) {
    const std::string path = dir / "media.pak";
    writeBytes(path, makePack({{"one", bytesOf("1")}}));
    SetMediaPacks(rs(path), "");
    RuntimeString out;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "one", out, true));
    writeBytes(path, makePack({{"one", bytesOf("uno")}, {"two", bytesOf("2")}}));
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "two", out, true)) << "the new directory";
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "one", out, true));
    EXPECT_EQ(*FindMemoryFile(out.view()), bytesOf("uno"));
}

TEST_F(ResolverTest, MissingOrForeignPacksDisableTheSearch) {
    writeBytes(dir / "x", "present on disk");
    RuntimeString out;
    SetMediaPacks(rs(dir / "no-such.pak"), rs(platform::executablePath()));
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "alphabet", out, true));
    EXPECT_FALSE(MediaPackEnabled(kMediaResolver));
    EXPECT_FALSE(ResolveMediaFile(kRuntimeResolver, "alphabet", out, true)) << "an executable with no pack";
    EXPECT_FALSE(MediaPackEnabled(kRuntimeResolver));
    EXPECT_TRUE(ResolveMediaFile(kMediaResolver, rs(dir / "x"), out, true)) << "disk lookups go on";
}

TEST_F(ResolverTest, TruncatedOrCorruptPacksFailWithCodeThree) {
    const Bytes pack = makePack(media(), PackFormat::Lzss);
    const std::string path = dir / "bad.pak";
    RuntimeString out;

    writeBytes(path, Bytes(pack.begin(), pack.end() - 3));
    SetMediaPacks(rs(path), "");
    ClearLastError();
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "alphabet", out, true)) << "truncated";
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_FALSE(MediaPackEnabled(kMediaResolver));

    writeBytes(path, Bytes(pack.begin() + 3, pack.end()));
    SetMediaPacks(rs(path), "");
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "pell/ship.png", out, true)) << "front cut away";
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);

    // One entry damaged (its stream no longer makes the size it promises): that entry
    // fails, the others still load.
    Bytes damaged = pack;
    std::vector<PackEntry> entries;
    ASSERT_TRUE(ReadPackDirectory(MemoryPackSource(pack), entries));
    damaged[static_cast<std::size_t>(entries[0].offset)] ^= 0x01;
    writeBytes(path, damaged);
    SetMediaPacks(rs(path), "");
    ClearLastError();
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "pell/ship.png", out, true)) << "damaged entry";
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", out, true)) << "its neighbours load";
    EXPECT_EQ(OpenChannel(0, "pell/ship.png", 1), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
}

std::vector<std::string> extractedFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("pkq", 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The program ends in a child process; the parent then finds no extracted file left over.
TEST_F(ResolverTest, ShutdownDeletesTheExtractedFile) {
    const std::string tmp = platform::privateTempDir();
    ASSERT_FALSE(tmp.empty());
    const std::vector<std::string> before = extractedFilesIn(tmp);
    const std::string pack = appendedExecutable(PackFormat::Lzo);
    EXPECT_EXIT(
        {
            InitFiles();
            SetMediaPacks(rs(pack), "");
            RuntimeString out;
            if (!ResolveMediaFile(kMediaResolver, "alphabet", out, false)) std::_Exit(3);
            if (text(out).rfind(tmp, 0) != 0 || !std::filesystem::exists(text(out))) std::_Exit(4);
            EndProgram();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(extractedFilesIn(tmp), before) << "nothing left in the temporary folder";
}

}  // namespace
}  // namespace qvt
