// The exchange with the hiscore server, as far as the rest of the game sees it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "quivent.h"

namespace qvt::game {

// Key of the names and scores on the wire.
inline constexpr const char* kWireKey = "5hwintor";
// The server's paths and where their replies are stored (beside the hiscore file).
inline constexpr const char* kReadPath = "/123/ifvdhread.php";
inline constexpr const char* kWritePath = "/123/ifvdhwrite.php?isoud=";
inline constexpr const char* kListFile = "global.ini";
inline constexpr const char* kResultFile = "result";
// Connect time-out of every request, milliseconds.
inline constexpr std::int32_t kServerTimeoutMs = 5000;
// A list with more records than this is refused as a whole.
inline constexpr std::size_t kMaxListRecords = 10000;

// Where an upload pass runs: at start-up (after the table is read) or in SaveHiScore.
enum class UploadForm { StartUp, Save };

// The hiscore server: RAYVAULTER_HISCORE_SERVER ("host" or "host:port") when set, else
// the build's default; port 80 when none is given.
struct ServerAddress {
    RuntimeString host;
    std::uint16_t port = 80;
};
ServerAddress HiscoreServerAddress();

// One record of the server's list, deciphered.
struct ListRecord {
    double leadNumber = 0;
    RuntimeString name;
    double score = 0;
};

// Reads a list reply: records of three lines (number, enciphered name, enciphered score)
// up to a line "eof"; a CR before a line feed is dropped. False, with records left as far
// as they got, when the reply ends before "eof" or holds more than kMaxListRecords.
bool ParseServerList(std::string_view body, std::vector<ListRecord>& records);

// Sends the local entries still to be sent that would enter the global top ten, while
// WebOk is not 0.
void UploadPendingEntries(UploadForm form);

// The global table as an unreachable server leaves it: ten "----------" with score 0.
void FillGlobalPlaceholders();

}  // namespace qvt::game
