// The hiscore file reader of qvtcrypt on arbitrary file contents: it counts at most the
// table's lines and marks as present only fields of lines it read.
#include "fuzz.h"
#include "qvtcrypt/hiscore_file.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    namespace ct = qvt::crypttool;
    const ct::HiscoreFile file = ct::parseHiscoreFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (file.linesRead < 0 || file.linesRead > ct::kHiscoreLines) std::abort();
    const ct::HiscoreEntry& last = file.entries[ct::kHiscoreEntries - 1];
    if (file.linesRead < ct::kHiscoreLines && last.hasSent) std::abort();
}
