// The write request's two parameters as a client may send them: any bytes, split at the
// first '&' into the name and the score (a missing '&' leaves the score missing).
#include "fuzz.h"
#include "query.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('&');
    std::string name = input.substr(0, split);
    std::string score = split == std::string::npos ? std::string() : input.substr(split + 1);
    hiscored::WriteCheck c = hiscored::CheckWrite(name.c_str(), split == std::string::npos ? nullptr : score.c_str());
    if (c.ok() && (c.name.empty() || c.name.size() > hiscored::kMaxNameBytes || c.score < 1 ||
                   c.score > hiscored::kMaxScore)) {
        __builtin_trap();
    }
}
