#include "files/files.h"

#include <string>

#include "core/lifecycle.h"
#include "files/channels.h"
#include "files/ini.h"
#include "files/line_file.h"
#include "files/resolver.h"
#include "platform/fs.h"
#include "platform/os.h"

namespace qvt {

namespace {

std::string executableFolder() {
    const std::string exe = platform::executablePath();
    const std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

}  // namespace

void InitFiles() {
    RegisterShutdownStep(ShutdownStep::Files, ShutdownFiles);
    RegisterShutdownStep(ShutdownStep::MediaResolvers, ShutdownMediaResolvers);
    const std::string path = platform::executablePath();
    const RuntimeString exe{std::string_view(path)};
    SetMediaPacks(exe, exe);
}

void ShutdownFiles() {
    const std::string folder = executableFolder();
    if (!folder.empty()) platform::changeDirectory(folder.c_str());
    CloseAllChannels();
}

void ShutdownSettingsFiles() {
    FlushSettingsFile();
    FlushTextFileLines();
}

void ShutdownMediaResolvers() { ReleaseMediaResolvers(); }

}  // namespace qvt
