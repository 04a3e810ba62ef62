// The game's reading of its local hiscore file on arbitrary contents: whatever the file
// holds, reading must not end the program (the channel layer's error stop) and counts at
// most the file's lines.
#include "fuzz.h"
#include "files/memfile.h"
#include "game/globals.h"
#include "game/hiscore_file.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    static const bool tablesMade = (qvt::game::CreateHiscoreTables(), true);
    (void)tablesMade;
    qvt::MemoryFile file(std::vector<std::uint8_t>(data, data + size));
    const int lines = qvt::game::ReadHiscoreFile(file.name());
    if (lines < 0 || lines > qvt::game::kHiscoreLines) std::abort();
}
