// The hiscore server exchange. The game has no HTTP client yet, so every request goes as
// it does against an unreachable server: WebOk 0, placeholder global table, no uploads.
#include "game/online.h"

#include "game/globals.h"
#include "game/routines.h"

namespace qvt::game {

void FillGlobalPlaceholders() {
    GameGlobals& g = G();
    for (int i = 0; i < kHiscoreEntries; ++i) {
        g.GlobalScore(i) = 0;
        g.GlobalName(i) = "----------";
    }
}

void CheckOnlineHiScore() {
    G().WebOk = 0;
    FillGlobalPlaceholders();
}

void UploadPendingEntries(UploadForm form) {
    // WebOk only becomes 1 through a completed read of the server's list, which needs the
    // HTTP client; until then there is never anything to send to.
    if (G().WebOk == 0) return;
    (void)form;
}

}  // namespace qvt::game
