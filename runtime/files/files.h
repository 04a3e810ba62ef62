// Start-up and shutdown of the file layer.
#pragma once

namespace qvt {

// Start-up: registers the Files and MediaResolvers shutdown steps and points both media
// resolvers at the executable's own path, so a pack appended to it is found.
void InitFiles();

// The Files shutdown step: back to the executable's folder, every channel closed.
void ShutdownFiles();
// The SettingsFiles shutdown step: the INI and line file caches written back if changed.
void ShutdownSettingsFiles();
// The MediaResolvers shutdown step: hand-outs dropped, extracted files deleted.
void ShutdownMediaResolvers();

}  // namespace qvt
