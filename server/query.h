// The write request's two parameters: deciphered with the game's key and checked before
// anything reaches the database.
#pragma once

#include <cstdint>
#include <string>

namespace hiscored {

// The key the game enciphers names and scores with.
inline constexpr const char* kWireKey = "5hwintor";
// Names: 1 to kMaxNameBytes bytes, each from '!' to '~'.
inline constexpr std::size_t kMaxNameBytes = 10;
// Scores: whole numbers 1..kMaxScore.
inline constexpr std::int64_t kMaxScore = 9999999999LL;

// The verdict on one write: status 200 with name and score, or a 4xx status and a
// one-line reason.
struct WriteCheck {
    int status = 400;
    std::string reason;
    std::string name;
    std::int64_t score = 0;
    bool ok() const { return status == 200; }
};

// Checks the values of "isoud" (name) and "eakcs" (score); a null pointer is a missing
// parameter. The hex must be whole cipher blocks whose zero fill is intact, which turns
// away most text enciphered with another key.
WriteCheck CheckWrite(const char* isoud, const char* eakcs);

// Lower-case hex of text enciphered with kWireKey (for tests and tools).
std::string EncipherForWire(const std::string& text);

}  // namespace hiscored
