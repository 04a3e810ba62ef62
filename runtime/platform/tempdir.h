// The user's private temporary folder.
#pragma once

#include <string>

namespace qvt::platform {

// The user's private temporary folder with a trailing slash: $TMPDIR when set, else
// /tmp/quivent-UID (mode 0700, checked not to be a symlink or shared). Empty when none
// can be had.
std::string privateTempDir();

}  // namespace qvt::platform
