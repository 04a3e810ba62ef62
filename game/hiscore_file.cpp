#include "game/hiscore_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "quivent.h"
#include "game/globals.h"

namespace qvt::game {

namespace {

constexpr const char* kDataFolderName = "rayvaulter";
constexpr const char* kTempSuffix = ".tmp";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// A folder counts as writable when a file can be made in it. Asking the permission bits
// is not enough: they say nothing about a read-only mount, and root ignores them.
bool folderWritable(const std::filesystem::path& folder, const std::string& probeName) {
    std::filesystem::path probe = folder / probeName;
    std::error_code ec;
    if (std::filesystem::exists(probe, ec)) {
        // Someone's leftover temporary file: replacing it is what a save would do too.
        std::ofstream test(probe, std::ios::app);
        return static_cast<bool>(test);
    }
    bool made = static_cast<bool>(std::ofstream(probe));
    std::filesystem::remove(probe, ec);
    return made;
}

RuntimeString asText(const std::filesystem::path& path) { return RuntimeString(path.string()); }

// The shipped table, copied into the data folder on first use, so an upgrade never
// overwrites the player's own.
void seedFromShipped(const RuntimeString& shippedName, const RuntimeString& destination) {
    if (FileExists(destination) != 0) return;
    RuntimeString source;
    if (!ResolveMediaFile(kMediaResolver, shippedName, source, true)) return;
    CopyFileTo(source, destination);
}

bool readLine(std::int32_t size, RuntimeString& out) {
    if (GetChannelPosition(kHiscoreChannel) >= size) return false;
    G().WorkLine = ReadChannelLine(kHiscoreChannel);
    out = DecryptText(kHiscoreKey, G().WorkLine);
    return true;
}

int readEntries(std::int32_t size) {
    GameGlobals& g = G();
    RuntimeString text;
    int lines = 0;
    for (int i = 0; i < kHiscoreEntries; ++i) {
        if (!readLine(size, text)) break;
        g.LocalName(i) = text;
        ++lines;
        if (!readLine(size, text)) break;
        g.LocalScore(i) = StringToNumber(text);
        ++lines;
        if (!readLine(size, text)) break;
        g.LocalSent(i) = StringToNumber(text);
        ++lines;
    }
    return lines;
}

}  // namespace

std::string UserDataFolder() {
    // Relative values are to be ignored, as the base directory rules say.
    std::string base = environment("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {
        std::string home = environment("HOME");
        if (home.empty()) return {};
        base = home + "/.local/share";
    }
    return base + "/" + kDataFolderName;
}

RuntimeString LocateHiscoreFile(const RuntimeString& shippedName) {
    std::string name = osPath(shippedName);
    // Only a media folder on disk holding the shipped table keeps it; a game that carries
    // its media packed inside (an installed one) never writes beside its executable.
    std::error_code exists;
    if (std::filesystem::is_regular_file(name, exists) && folderWritable(".", name + kTempSuffix)) {
        return shippedName;
    }
    std::string folder = UserDataFolder();
    if (folder.empty()) return shippedName;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return shippedName;
    RuntimeString destination = asText(std::filesystem::path(folder) / name);
    seedFromShipped(shippedName, destination);
    return destination;
}

int ReadHiscoreFile(const RuntimeString& path) {
    // The channel layer ends the program on a read past the end, so the file's size is
    // taken first and no line is asked for beyond it.
    RuntimeString found;
    if (!ResolveMediaFile(kMediaResolver, path, found, true)) return 0;
    if (OpenChannel(kHiscoreChannel, path, 1) == 0) return 0;
    SeekChannel(kHiscoreChannel, 0, -1);
    std::int32_t size = GetChannelPosition(kHiscoreChannel);
    SeekChannel(kHiscoreChannel, 0, 0);
    int lines = readEntries(size);
    CloseChannel(kHiscoreChannel);
    return lines;
}

bool WriteHiscoreFile(const RuntimeString& path) {
    GameGlobals& g = G();
    RuntimeString temp = path + kTempSuffix;
    if (OpenChannel(kHiscoreChannel, temp, 0) == 0) return false;
    for (int i = 0; i < kHiscoreEntries; ++i) {
        WriteChannelLine(kHiscoreChannel, EncryptText(kHiscoreKey, g.LocalName(i)));
        WriteChannelLine(kHiscoreChannel, EncryptText(kHiscoreKey, NumberToString(g.LocalScore(i))));
        WriteChannelLine(kHiscoreChannel, EncryptText(kHiscoreKey, NumberToString(g.LocalSent(i))));
    }
    CloseChannel(kHiscoreChannel);
    if (ReplaceFileWith(path, temp) == 0) {
        RemoveFile(temp);
        return false;
    }
    return true;
}

}  // namespace qvt::game
