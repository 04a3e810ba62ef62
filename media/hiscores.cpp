// orvelsoft.ini: the default local hiscore table, ten entries "ORVELSOFT" from 1000 (index
// 0, tenth place) to 10000 (index 9), all marked as sent. Three enciphered lines per entry
// (name, score, sent flag), each ended by CR LF, exactly as the game writes the file.
#include <cstdio>
#include <string>

#include "core/cipher.h"
#include "core/strings.h"
#include "generators.h"

namespace qvt::media {

namespace {

constexpr const char* kKey = "m4rq7e2dw";
constexpr const char* kDefaultName = "ORVELSOFT";
constexpr int kEntries = 10;

std::string encipheredLine(const RuntimeString& text) {
    const RuntimeString hex = EncryptText(RuntimeString(kKey), text);
    return std::string(hex.view()) + "\r\n";
}

}  // namespace

bool makeHiscores(const std::string& mediaDir) {
    std::string file;
    for (int i = 0; i < kEntries; ++i) {
        file += encipheredLine(RuntimeString(kDefaultName));
        file += encipheredLine(NumberToString(1000.0 * (i + 1)));
        file += encipheredLine(NumberToString(1.0));
    }
    const std::string path = mediaDir + "/orvelsoft.ini";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out != nullptr) ok = std::fclose(out) == 0 && ok;
    if (!ok) std::fprintf(stderr, "mediagen: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace qvt::media
