#include "hiscore_file.h"

#include <utility>

#include "core/cipher.h"

namespace qvt::crypttool {

namespace {

// Cuts the next line off the front of rest; false once nothing is left.
bool takeLine(std::string_view& rest, std::string_view& line) {
    if (rest.empty()) return false;
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
        line = rest;
        rest = {};
    } else {
        line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

void storeField(HiscoreEntry& entry, int field, RuntimeString plain) {
    switch (field) {
        case 0:
            entry.name = std::move(plain);
            entry.hasName = true;
            break;
        case 1:
            entry.score = StringToNumber(plain);
            entry.hasScore = true;
            break;
        default:
            entry.sent = StringToNumber(plain);
            entry.hasSent = true;
            break;
    }
}

}  // namespace

HiscoreFile parseHiscoreFile(std::string_view bytes) {
    HiscoreFile file;
    const RuntimeString key(kHiscoreKey);
    std::string_view rest = bytes;
    std::string_view line;
    while (file.linesRead < kHiscoreLines && takeLine(rest, line)) {
        const int index = file.linesRead / kHiscoreFieldsPerEntry;
        const int field = file.linesRead % kHiscoreFieldsPerEntry;
        storeField(file.entries[index], field, DecryptText(key, RuntimeString(line)));
        ++file.linesRead;
    }
    file.extraLines = !rest.empty();
    return file;
}

}  // namespace qvt::crypttool
