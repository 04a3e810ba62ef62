// Memory file names: only names handed out resolve. A forged or mistyped name reads as a
// missing file and never as an address (stale names: resolver_test).
#include "files/memfile.h"

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "files/channels.h"
#include "files_helpers.h"

namespace qvt {
namespace {

using test::str;

TEST(MemoryFileTest, ForgedAndMistypedNamesResolveToNothing) {
    MemoryFile mem(test::Bytes(100, 7));
    const std::string good = str(mem.name());
    EXPECT_EQ(good.substr(0, 15), "mem://      64.") << "size in hex, padded to eight";
    EXPECT_EQ(str(MemoryFileName(26, 0x7f0012345678)), "mem://      1a.7f0012345678");
    const auto address = reinterpret_cast<std::uintptr_t>(mem.bytes()->data());
    const std::string bad[] = {
        str(MemoryFileName(101, address)), str(MemoryFileName(99, address)),
        str(MemoryFileName(50, address + 50)), good + "0", good.substr(0, good.size() - 1),
        "mem://", "mem://      64-" + good.substr(15), "mem://     x64." + good.substr(15)};
    for (const std::string& name : bad) EXPECT_EQ(FindMemoryFile(name), nullptr) << name;
    std::string upper = good;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(FindMemoryFile("mem://" + upper.substr(6)), nullptr) << "hex digits in either case";
    MemoryFile empty(test::Bytes{});
    EXPECT_EQ(FindMemoryFile(empty.name().view()), empty.bytes()) << "an empty one has a name too";

    EXPECT_EQ(OpenChannel(0, MemoryFileName(16, 0x401000), 1), 0);
    EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
}

}  // namespace
}  // namespace qvt
