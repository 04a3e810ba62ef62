// The exchange with the hiscore server, as far as the rest of the game sees it.
#pragma once

namespace qvt::game {

// Where an upload pass runs: at start-up (after the table is read) or in SaveHiScore.
enum class UploadForm { StartUp, Save };

// Sends the local entries still to be sent that would enter the global top ten, while
// WebOk is not 0.
void UploadPendingEntries(UploadForm form);

// The global table as an unreachable server leaves it: ten "----------" with score 0.
void FillGlobalPlaceholders();

}  // namespace qvt::game
