// Shared by the INI and line file tests: a scratch folder, a private temporary folder for
// the error log, empty caches before and after, and media packs on disk.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/log.h"
#include "files/ini.h"
#include "files/line_file.h"
#include "files/pack.h"
#include "files/resolver.h"
#include "support/files.h"
#include "support/headless.h"

namespace qvt::test {

inline RuntimeString rs(const std::string& s) { return RuntimeString(std::string_view(s)); }
inline std::string str(const RuntimeString& s) { return std::string(s.view()); }

class SettingsFilesTest : public testing::Test {
protected:
    static void SetUpTestSuite() { useScratchTempDir(); }
    void SetUp() override {
        SetMediaPacks("", "");
        ResetSettingsFile();
        ResetTextFileLines();
        ClearLastError();
    }
    void TearDown() override {
        ResetSettingsFile();
        ResetTextFileLines();
        ReleaseMediaResolvers();
    }

    // Writes a pack of the files into the scratch folder and makes it the media pack.
    void usePack(const std::vector<PackFile>& files) {
        Bytes pack;
        std::string error;
        ASSERT_TRUE(BuildMediaPack(files, PackFormat::Lzo, pack, error)) << error;
        writeBytes(dir / "media.pak", pack);
        SetMediaPacks(rs(dir / "media.pak"), "");
    }

    // True when the error log has gained a line naming path since the test began.
    bool loggedFailure(const std::string& path) const {
        return readText(LogPath()).find("Could not save " + path) != std::string::npos;
    }

    ScratchFolder dir;
};

inline PackFile packFile(const std::string& name, const std::string& text) {
    return {name, Bytes(text.begin(), text.end())};
}

}  // namespace qvt::test
