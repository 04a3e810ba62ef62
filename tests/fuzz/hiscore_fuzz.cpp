// The hiscore file reader of qvtcrypt on arbitrary file contents.
#include "fuzz.h"
#include "qvtcrypt/hiscore_file.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    namespace ct = qvt::crypttool;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ct::HiscoreFile file = ct::parseHiscoreFile(bytes);
    if (file.linesRead < 0 || file.linesRead > ct::kHiscoreLines) std::abort();
    for (int i = 0; i < ct::kHiscoreEntries; ++i) {
        const ct::HiscoreEntry& e = file.entries[i];
        const int present = e.hasName + e.hasScore + e.hasSent;
        const int expected = file.linesRead - i * ct::kHiscoreFieldsPerEntry;
        if (present != (expected < 0 ? 0 : expected > 3 ? 3 : expected)) std::abort();
    }
}
