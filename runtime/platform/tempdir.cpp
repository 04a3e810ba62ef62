// Stand-in for the private temporary folder; the full version replaces this file.
#include "platform/tempdir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace qvt::platform {

std::string privateTempDir() {
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && env[0] != 0) {
        std::string dir(env);
        if (dir.back() != '/') dir += '/';
        return dir;
    }
    const uid_t uid = getuid();
    std::string dir = "/tmp/quivent-" + std::to_string(uid);
    mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid ||
        (st.st_mode & 077) != 0) {
        return {};
    }
    return dir + "/";
}

}  // namespace qvt::platform
