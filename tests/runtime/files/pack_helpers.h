// Media packs built in memory for the pack, resolver and settings tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/pack.h"
#include "support/files.h"

namespace qvt::test {

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes packOf(const std::vector<PackFile>& files, PackFormat format = PackFormat::Lzss) {
    Bytes pack;
    std::string error;
    EXPECT_TRUE(BuildMediaPack(files, format, pack, error)) << error;
    return pack;
}

}  // namespace qvt::test
