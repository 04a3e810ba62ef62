// Shared by the files tests: text conversions and media packs built in memory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/strings.h"
#include "files/pack.h"
#include "support/files.h"

namespace qvt::test {

inline RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }
inline std::string str(const RuntimeString& s) { return std::string(s.view()); }
inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes packOf(const std::vector<PackFile>& files, PackFormat format = PackFormat::Lzss) {
    Bytes pack;
    std::string error;
    EXPECT_TRUE(BuildMediaPack(files, format, pack, error)) << error;
    return pack;
}

}  // namespace qvt::test
