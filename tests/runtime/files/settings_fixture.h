// Shared by the INI and line file tests: a scratch folder, a private temporary folder for
// the error log, empty caches before and after, and the write-backs both caches share.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/log.h"
#include "files/ini.h"
#include "files/line_file.h"
#include "files/memfile.h"
#include "files/resolver.h"
#include "files_helpers.h"
#include "support/headless.h"

namespace qvt::test {

// Either cache seen alike: use names path, puts value unless it is empty (the file then
// reads "[A]\r\nk=value\r\n") and returns what it reads back ("k=value").
struct SettingsCache {
    std::string (*use)(const std::string& path, const std::string& value);
    bool (*flush)();
};

class SettingsFilesTest : public testing::Test {
protected:
    static void SetUpTestSuite() { useScratchTempDir(); }
    void SetUp() override {
        SetMediaPacks("", "");
        TearDown();
        ClearLastError();
    }
    void TearDown() override {
        ResetSettingsFile();
        ResetTextFileLines();
        ReleaseMediaResolvers();
    }

    // Reads come from a media pack or a memory file; only a changed file is written, only
    // to disk, and only once another file is named. The new file is made beside the old
    // one and renamed over it: when that fails the old file stays whole, last-error 3 and
    // a log line say so, and the change is kept (named again, it comes back) until a later
    // write-back saves it, at the latest the one at the end.
    void expectSharedWriteBacks(const SettingsCache& c) {
        const std::string text = "[A]\nk=packed\nz=1\n", packed = dir / "packed.ini";
        const Bytes bytes(text.begin(), text.end());
        MemoryFile pack(packOf({{"packed.ini", bytes}}, PackFormat::Lzo)), memory(bytes);
        SetMediaPacks(pack.name(), "");
        EXPECT_EQ(c.use(packed, ""), "k=packed");
        EXPECT_EQ(c.use(str(memory.name()), "changed"), "k=changed");
        EXPECT_FALSE(std::filesystem::exists(packed)) << "unchanged: not written";
        EXPECT_EQ(c.use(packed, "disk"), "k=disk");
        EXPECT_FALSE(std::filesystem::exists(packed)) << "nothing before the write-back";
        EXPECT_TRUE(c.flush()) << "a memory file is never written, and that is no failure";
        EXPECT_EQ(readText(packed), "[A]\r\nk=disk\r\nz=1\r\n");
        EXPECT_EQ(std::string(memory.bytes()->begin(), memory.bytes()->end()), text);

        const std::string path = dir / "a.ini";
        const std::string partial = path + ".qvtsave-" + std::to_string(::getpid());
        writeBytes(path, "[A]\r\nk=old\r\n");
        std::filesystem::create_directories(partial + "/full");
        EXPECT_EQ(c.use(path, "new"), "k=new");
        ClearLastError();
        c.use("", "");
        EXPECT_EQ(LastErrorCode(), kErrNoSuchFile);
        EXPECT_NE(readText(LogPath()).find("Could not save " + path), std::string::npos);
        EXPECT_EQ(readText(path), "[A]\r\nk=old\r\n");
        EXPECT_EQ(c.use(path, ""), "k=new");
        EXPECT_FALSE(c.flush());
        std::filesystem::remove_all(partial);
        EXPECT_TRUE(c.flush());
        EXPECT_EQ(readText(path), "[A]\r\nk=new\r\n");

        const std::string later = dir / "later/new.ini";
        c.use(later, "v");
        c.use("", "");
        EXPECT_NE(readText(LogPath()).find("Could not save " + later), std::string::npos);
        std::filesystem::create_directories(dir / "later");
        StopSubsystems();  // runs the shutdown steps registered on first use
        EXPECT_EQ(readText(later), "[A]\r\nk=v\r\n");
    }

    ScratchFolder dir;
};

}  // namespace qvt::test
