// The game's reading of its local hiscore file on arbitrary contents: whatever the file
// holds, reading must neither end the program (the channel layer's error stop) nor touch
// entries beyond the lines it read.
#include "fuzz.h"
#include "files/memfile.h"
#include "game/globals.h"
#include "game/hiscore_file.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    namespace game = qvt::game;
    static const bool tablesMade = [] {
        game::CreateHiscoreTables();
        return true;
    }();
    (void)tablesMade;
    game::GameGlobals& g = game::G();
    for (int i = 0; i < game::kHiscoreEntries; ++i) {
        g.LocalScore(i) = -1;
        g.LocalName(i) = "UNREAD";
        g.LocalSent(i) = -1;
    }
    qvt::MemoryFile file(std::vector<std::uint8_t>(data, data + size));
    const int lines = game::ReadHiscoreFile(file.name());
    if (lines < 0 || lines > game::kHiscoreLines) std::abort();
    for (int i = 0; i < game::kHiscoreEntries; ++i) {
        const int fields = lines - 3 * i;
        if (fields < 1 && !(g.LocalName(i) == qvt::RuntimeString("UNREAD"))) std::abort();
        if (fields < 2 && g.LocalScore(i) != -1) std::abort();
        if (fields < 3 && g.LocalSent(i) != -1) std::abort();
    }
}
