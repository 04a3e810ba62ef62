// The server's list reply as the game reads it: any bytes, from any server.
#include "fuzz.h"
#include "game/online.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    std::vector<qvt::game::ListRecord> records;
    qvt::game::ParseServerList(std::string_view(reinterpret_cast<const char*>(data), size), records);
    if (records.size() > qvt::game::kMaxListRecords) __builtin_trap();
}
