// The media resolvers: disk before pack, packs appended to an executable, both hand-outs
// (memory file and extracted file) and their lifetimes, and packs that are missing, foreign
// or corrupt (truncated packs: pack_test).
#include "files/resolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/errors.h"
#include "core/lifecycle.h"
#include "files/channels.h"
#include "files/files.h"
#include "files/memfile.h"
#include "platform/os.h"
#include "platform/tempdir.h"
#include "files_helpers.h"

namespace qvt {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::vector<PackFile> kMedia = {{"pell/ship.png", bytesOf(test::varied(5000, 11))},
                                      {"hiscore.txt", bytesOf("first\r\nsecond\r\n")},
                                      {"alphabet", bytesOf("abcdefghijklmnopqrstuvwxyz")},
                                      {"Odd.MP3", bytesOf("o")},
                                      {"odd.p~g", bytesOf("~")}};

class ResolverTest : public testing::Test {
protected:
    void SetUp() override { SetMediaPacks("", ""); }
    void TearDown() override {
        CloseAllChannels();
        ReleaseMediaResolvers();
    }

    // A copy of this test program with a pack of kMedia appended, as a shipped game has.
    std::string appendedExecutable(PackFormat format) {
        Bytes exe = readBytes(platform::executablePath());
        const Bytes pack = packOf(kMedia, format);
        exe.insert(exe.end(), pack.begin(), pack.end());
        writeBytes(dir / "game", exe);
        return dir / "game";
    }

    // The bytes of a memory-file hand-out.
    Bytes handedOut(std::int32_t resolver, const char* name) {
        RuntimeString out;
        EXPECT_TRUE(ResolveMediaFile(resolver, name, out, true)) << name;
        const MemoryBytes bytes = FindMemoryFile(out.view());
        return bytes ? *bytes : Bytes{'?'};
    }

    test::ScratchFolder dir;
};

TEST_F(ResolverTest, DiskBeforePackAndTheNextLookupReleasesTheMemoryButNotAChannel) {
    writeBytes(dir / "alphabet", "on disk");
    SetMediaPacks(rs(appendedExecutable(PackFormat::Lzo)), "");
    ASSERT_EQ(OpenChannel(1, "hiscore.txt", 1), 1) << "channels read through the resolver";
    RuntimeString out, first;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, rs(dir / "alphabet"), out, true));
    EXPECT_EQ(str(out), dir / "alphabet");
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", first, true));
    EXPECT_EQ(handedOut(kMediaResolver, "Media/pell/ship.png"), kMedia[0].data);
    EXPECT_EQ(FindMemoryFile(first.view()), nullptr) << "the previous hand-out is released";
    EXPECT_EQ(handedOut(kMediaResolver, "MEDIA\\ALPHABET"), kMedia[2].data) << "case, backslash";
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "Media/ship.png", out, true)) << "folders agree";
    EXPECT_TRUE(MediaPackEnabled(kMediaResolver)) << "a name not in the pack keeps the pack";
    EXPECT_EQ(str(ReadChannelLine(1)), "first");
    EXPECT_EQ(str(ReadChannelLine(1)), "second") << "the channel keeps its bytes";
}

TEST_F(ResolverTest, ExtractedFilesLiveUntilTheNextLookupOfTheirResolverOrTheEnd) {
    InitFiles();  // registers the shutdown step that deletes them
    const std::string pack = appendedExecutable(PackFormat::Lzss);
    SetMediaPacks(rs(pack), rs(pack));
    RuntimeString out, other;
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "Media/pell/ship.png", out, false));
    const std::string first = str(out), temp = platform::privateTempDir();
    ASSERT_EQ(first.rfind(temp + "pkq", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 4), ".png") << "the extension survives for loaders";
    EXPECT_EQ(readBytes(first), kMedia[0].data);
    // Odd characters drop the extension.
    for (const auto& [name, extension] : {std::pair{"Odd.MP3", ".MP3"}, {"odd.p~g", ""}}) {
        ASSERT_TRUE(ResolveMediaFile(kRuntimeResolver, name, other, false));
        const std::string file = str(other).substr(temp.size());
        EXPECT_EQ(file.substr(std::min(file.find('.'), file.size())), extension);
    }
    EXPECT_TRUE(fs::exists(first)) << "the other resolver's lookup leaves it";
    ASSERT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", out, false));
    EXPECT_FALSE(fs::exists(first)) << "deleted by the next lookup";
    StopSubsystems();
    EXPECT_FALSE(fs::exists(str(out))) << "deleted at shutdown";
    EXPECT_FALSE(fs::exists(str(other)));
}

TEST_F(ResolverTest, MissingForeignOrCorruptPacksFail) {
    RuntimeString out;
    SetMediaPacks(rs(dir / "no-such.pak"), rs(platform::executablePath()));
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "alphabet", out, true));
    EXPECT_FALSE(ResolveMediaFile(kRuntimeResolver, "alphabet", out, true)) << "no pack in it";

    // One entry damaged (its stream no longer makes the size it promises): that entry
    // fails, the others still load.
    Bytes damaged = packOf(kMedia);
    std::vector<PackEntry> entries;
    ASSERT_TRUE(ReadPackDirectory(MemoryPackSource(damaged), entries));
    damaged[static_cast<std::size_t>(entries[0].offset)] ^= 0x01;
    writeBytes(dir / "bad.pak", damaged);
    SetMediaPacks(rs(dir / "bad.pak"), "");
    ClearLastError();
    EXPECT_FALSE(ResolveMediaFile(kMediaResolver, "pell/ship.png", out, true)) << "damaged entry";
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_TRUE(ResolveMediaFile(kMediaResolver, "alphabet", out, true)) << "its neighbours load";
}

}  // namespace
}  // namespace qvt
