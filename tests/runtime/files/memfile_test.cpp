// Memory file names: their exact format, and that only names handed out resolve. A forged,
// mistyped or stale name reads as a missing file and never as an address.
#include "files/memfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/errors.h"
#include "files/channels.h"
#include "files/filesystem.h"
#include "files_test_util.h"

namespace qvt {
namespace {

std::string text(const RuntimeString& s) { return std::string(s.view()); }
RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }

std::string hex(std::uintptr_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(v));
    return buf;
}

TEST(MemoryFileName, SizeAndAddressArePaddedHexFields) {
    EXPECT_EQ(text(MemoryFileName(26, 0x401000)), "mem://      1a.  401000");
    EXPECT_EQ(text(MemoryFileName(0, 0xdeadbeef)), "mem://       0.deadbeef");
    EXPECT_EQ(text(MemoryFileName(26, 0x7f0012345678)), "mem://      1a.7f0012345678")
        << "a 64-bit address keeps all its digits";
}

TEST(MemoryFileName, HandedOutNameNamesTheBytesAtTheirAddress) {
    std::vector<std::uint8_t> bytes(26, 'q');
    MemoryFile mem(std::move(bytes));
    const MemoryBytes found = FindMemoryFile(mem.name().view());
    ASSERT_NE(found, nullptr) << text(mem.name());
    EXPECT_EQ(found->size(), 26u);
    std::string address = hex(reinterpret_cast<std::uintptr_t>(found->data()));
    if (address.size() < 8) address.insert(0, 8 - address.size(), ' ');
    EXPECT_EQ(text(mem.name()), "mem://      1a." + address);
}

TEST(MemoryFileName, EmptyMemoryFileStillHasAName) {
    MemoryFile mem(std::vector<std::uint8_t>{});
    const MemoryBytes found = FindMemoryFile(mem.name().view());
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->empty());
}

TEST(MemoryFileName, ForgedAndMistypedNamesResolveToNothing) {
    MemoryFile mem(std::vector<std::uint8_t>(100, 7));
    const std::string good = text(mem.name());
    const auto address = reinterpret_cast<std::uintptr_t>(mem.bytes()->data());

    EXPECT_EQ(FindMemoryFile(text(MemoryFileName(101, address))), nullptr) << "size too large";
    EXPECT_EQ(FindMemoryFile(text(MemoryFileName(99, address))), nullptr) << "size too small";
    EXPECT_EQ(FindMemoryFile(text(MemoryFileName(50, address + 50))), nullptr) << "inside the block";
    EXPECT_EQ(FindMemoryFile(text(MemoryFileName(16, 0x401000))), nullptr) << "an address never handed out";
    EXPECT_EQ(FindMemoryFile(good + "0"), nullptr) << "one digit more";
    EXPECT_EQ(FindMemoryFile(good.substr(0, good.size() - 1)), nullptr) << "one digit less";
    EXPECT_EQ(FindMemoryFile(good + " "), nullptr) << "trailing text";
    EXPECT_EQ(FindMemoryFile("mem://"), nullptr);
    EXPECT_EQ(FindMemoryFile("mem://      64"), nullptr);
    EXPECT_EQ(FindMemoryFile("mem://      64-" + good.substr(15)), nullptr) << "no dot";
    EXPECT_EQ(FindMemoryFile("mem://     x64." + good.substr(15)), nullptr) << "not hex";

    std::string upper = good;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    upper.replace(0, 6, "mem://");
    EXPECT_NE(FindMemoryFile(upper), nullptr) << "hex digits read in either case";
}

TEST(MemoryFileName, NameDiesWithItsOwnerButOpenChannelsKeepTheBytes) {
    std::string name;
    {
        MemoryFile mem(std::vector<std::uint8_t>{'o', 'k', '\n'});
        name = text(mem.name());
        ASSERT_EQ(OpenChannel(0, mem.name(), 1), 1);
    }
    EXPECT_EQ(FindMemoryFile(name), nullptr) << "a stale name";
    EXPECT_EQ(text(ReadChannelLine(0)), "ok") << "the open channel still reads its bytes";
    CloseChannel(0);
    EXPECT_EQ(LiveMemoryFileCount(), 0u);
}

TEST(MemoryFileName, ForgedNameFailsLikeAMissingFileEverywhere) {
    const std::string forged = text(MemoryFileName(16, 0x401000));
    EXPECT_EQ(OpenChannel(0, rs(forged), 1), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);

    test::ScratchFolder dir;
    ClearLastError();
    EXPECT_EQ(CopyFileTo(rs(forged), rs(dir / "copy")), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
    EXPECT_EQ(FileExists(rs(dir / "copy")), 0) << "no destination is left behind";
}

}  // namespace
}  // namespace qvt
