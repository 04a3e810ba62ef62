#include "files/channels.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "core/errors.h"
#include "core/lifecycle.h"
#include "files/filesystem.h"
#include "files/memfile.h"
#include "files/resolver.h"
#include "platform/fs.h"

namespace qvt {

namespace {

// One channel. The position is ours, not the descriptor's: disk reads and writes go to
// explicit offsets, so a line read never has to move a file pointer back.
struct Channel {
    int fd = -1;
    MemoryBytes memory;  // set for a memory file (read only)
    bool writable = false;
    std::int64_t position = 0;

    bool open() const { return fd >= 0 || memory != nullptr; }
};

std::array<Channel, kChannelCount> channels;

// Enough to see the line feed after a full-length line ending in CR LF.
constexpr std::size_t kLineWindow = kChannelLineMax + 2;

[[noreturn]] void errorStop(std::int32_t code) { FatalError(code); }

bool validNumber(std::int32_t channel) { return channel >= 0 && channel < kChannelCount; }

Channel& channelAt(std::int32_t channel) {
    if (!validNumber(channel)) errorStop(kErrOutOfMemory);
    return channels[static_cast<std::size_t>(channel)];
}

void closeChannel(Channel& ch) {
    platform::closeFile(ch.fd);
    ch = Channel{};
}

// Copies up to n bytes at the position into out (not moving it); the count copied.
std::size_t peek(const Channel& ch, std::uint8_t* out, std::size_t n) {
    if (ch.memory != nullptr) {
        const auto size = static_cast<std::int64_t>(ch.memory->size());
        if (ch.position >= size) return 0;
        const std::size_t take = std::min<std::size_t>(n, static_cast<std::size_t>(size - ch.position));
        std::memcpy(out, ch.memory->data() + ch.position, take);
        return take;
    }
    if (ch.fd < 0) return 0;
    const std::int64_t got = platform::readFileAt(ch.fd, ch.position, out, n);
    return got < 0 ? 0 : static_cast<std::size_t>(got);
}

// Exactly n bytes at the position, moving past them, or the error stop.
void readExact(std::int32_t channel, void* out, std::size_t n) {
    Channel& ch = channelAt(channel);
    if (peek(ch, static_cast<std::uint8_t*>(out), n) != n) errorStop(kErrNoSuchFile);
    ch.position += static_cast<std::int64_t>(n);
}

void writeExact(std::int32_t channel, const void* bytes, std::size_t n) {
    Channel& ch = channelAt(channel);
    if (!ch.writable || !platform::writeFileAt(ch.fd, ch.position, bytes, n)) errorStop(kErrNoSuchFile);
    ch.position += static_cast<std::int64_t>(n);
}

template <typename U>
U readLittle(std::int32_t channel) {
    static_assert(std::is_unsigned_v<U>);
    std::uint8_t bytes[sizeof(U)];
    readExact(channel, bytes, sizeof bytes);
    U v = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) v = static_cast<U>(v | static_cast<U>(bytes[i]) << (8 * i));
    return v;
}

template <typename U>
void writeLittle(std::int32_t channel, U v) {
    static_assert(std::is_unsigned_v<U>);
    std::uint8_t bytes[sizeof(U)];
    for (std::size_t i = 0; i < sizeof(U); ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
    writeExact(channel, bytes, sizeof bytes);
}

bool openForReading(Channel& ch, const RuntimeString& path) {
    RuntimeString resolved;
    if (!ResolveMediaFile(kMediaResolver, path, resolved, true)) SetLastError(kErrNoSuchFile);
    if (IsMemoryFileName(resolved.view())) {
        ch.memory = FindMemoryFile(resolved.view());
        return ch.memory != nullptr;
    }
    ch.fd = platform::openFile(osPath(resolved).c_str(), platform::FileAccess::Read);
    return ch.fd >= 0;
}

bool openForWriting(Channel& ch, const RuntimeString& path, bool append) {
    if (IsMemoryFileName(path.view())) return false;
    const std::string target = osPath(path);
    if (!append) platform::removeFile(target.c_str());
    ch.fd = platform::openFile(target.c_str(),
                               append ? platform::FileAccess::WriteCreate : platform::FileAccess::ReadWriteNew);
    if (ch.fd < 0) return false;
    ch.writable = true;
    if (append) ch.position = platform::statFile(ch.fd).size;
    return true;
}

std::int64_t channelSize(const Channel& ch) {
    if (ch.memory != nullptr) return static_cast<std::int64_t>(ch.memory->size());
    return platform::statFile(ch.fd).size;
}

// Leading decimal integer: blanks, sign, digits; saturated to the int32 range.
std::int32_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), limit);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::uint32_t wrapToUInt32(double value) {
    if (!std::isfinite(value)) return 0;
    double t = std::fmod(std::trunc(value), 4294967296.0);
    if (t < 0) t += 4294967296.0;
    return static_cast<std::uint32_t>(t);
}

}  // namespace

std::int32_t OpenChannel(std::int32_t channel, const RuntimeString& path, std::int32_t mode) {
    ClearLastError();
    if (!validNumber(channel)) {
        SetLastError(kErrOutOfMemory);
        return 0;
    }
    Channel& ch = channels[static_cast<std::size_t>(channel)];
    closeChannel(ch);
    const bool ok = mode > 0 ? openForReading(ch, path) : openForWriting(ch, path, mode < 0);
    if (ok) return 1;
    closeChannel(ch);
    SetLastError(kErrNoSuchFile);
    return 0;
}

void CloseChannel(std::int32_t channel) {
    closeChannel(channelAt(channel));
    ClearLastError();
}

RuntimeString ReadChannelLine(std::int32_t channel) {
    Channel& ch = channelAt(channel);
    std::uint8_t window[kLineWindow];
    const std::size_t n = peek(ch, window, sizeof window);
    if (n == 0) errorStop(kErrNoSuchFile);
    const auto* feed = static_cast<const std::uint8_t*>(std::memchr(window, '\n', n));
    std::size_t length = n, consumed = n;
    if (feed != nullptr) {
        length = static_cast<std::size_t>(feed - window);
        consumed = length + 1;
        if (length > 0 && window[length - 1] == '\r') --length;
    }
    if (length > static_cast<std::size_t>(kChannelLineMax)) {
        // Too long for one text: hand out a full piece and continue right after it.
        length = consumed = kChannelLineMax;
    }
    ch.position += static_cast<std::int64_t>(consumed);
    return RuntimeString(reinterpret_cast<const char*>(window), length);
}

double ReadChannelNumber(std::int32_t channel) { return StringToNumber(ReadChannelLine(channel)); }

std::int32_t ReadChannelInteger(std::int32_t channel) { return leadingInteger(ReadChannelLine(channel).view()); }

RuntimeString ReadChannelBytes(std::int32_t channel, std::int32_t count) {
    Channel& ch = channelAt(channel);
    if (count <= 0) return {};
    // Sized by what is really left, so a wild count cannot make a wild allocation.
    const std::int64_t left = ch.open() ? std::max<std::int64_t>(channelSize(ch) - ch.position, 0) : 0;
    if (left < count) errorStop(kErrNoSuchFile);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    readExact(channel, bytes.data(), bytes.size());
    return RuntimeString(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::int32_t ReadChannelInt8(std::int32_t channel) {
    return static_cast<std::int8_t>(readLittle<std::uint8_t>(channel));
}
std::int32_t ReadChannelInt16(std::int32_t channel) {
    return static_cast<std::int16_t>(readLittle<std::uint16_t>(channel));
}
std::int32_t ReadChannelInt32(std::int32_t channel) {
    return static_cast<std::int32_t>(readLittle<std::uint32_t>(channel));
}
std::int32_t ReadChannelUInt8(std::int32_t channel) { return readLittle<std::uint8_t>(channel); }
std::int32_t ReadChannelUInt16(std::int32_t channel) { return readLittle<std::uint16_t>(channel); }
double ReadChannelUInt32(std::int32_t channel) { return readLittle<std::uint32_t>(channel); }
double ReadChannelDouble(std::int32_t channel) {
    return std::bit_cast<double>(readLittle<std::uint64_t>(channel));
}
double ReadChannelFloat(std::int32_t channel) {
    return std::bit_cast<float>(readLittle<std::uint32_t>(channel));
}

void WriteChannelInt8(std::int32_t channel, std::int32_t value) {
    writeLittle(channel, static_cast<std::uint8_t>(value));
}
void WriteChannelInt16(std::int32_t channel, std::int32_t value) {
    writeLittle(channel, static_cast<std::uint16_t>(value));
}
void WriteChannelInt32(std::int32_t channel, std::int32_t value) {
    writeLittle(channel, static_cast<std::uint32_t>(value));
}
void WriteChannelUInt8(std::int32_t channel, std::int32_t value) {
    writeLittle(channel, static_cast<std::uint8_t>(value));
}
void WriteChannelUInt16(std::int32_t channel, std::int32_t value) {
    writeLittle(channel, static_cast<std::uint16_t>(value));
}
void WriteChannelUInt32(std::int32_t channel, double value) { writeLittle(channel, wrapToUInt32(value)); }
void WriteChannelDouble(std::int32_t channel, double value) {
    writeLittle(channel, std::bit_cast<std::uint64_t>(value));
}
void WriteChannelFloat(std::int32_t channel, double value) {
    writeLittle(channel, std::bit_cast<std::uint32_t>(static_cast<float>(value)));
}

void WriteChannelBytes(std::int32_t channel, const RuntimeString& text) {
    writeExact(channel, text.c_str(), text.length());
}

void WriteChannelLine(std::int32_t channel, const RuntimeString& text) {
    std::vector<char> line(text.c_str(), text.c_str() + text.length());
    line.push_back('\r');
    line.push_back('\n');
    writeExact(channel, line.data(), line.size());
}

void SeekChannel(std::int32_t channel, std::int32_t offset, std::int32_t whence) {
    Channel& ch = channelAt(channel);
    if (!ch.open()) {
        SetLastError(kErrNoSuchFile);
        return;
    }
    const std::int64_t base = whence == 0 ? 0 : whence > 0 ? ch.position : channelSize(ch);
    const std::int64_t target = base + offset;
    if (target < 0) {
        SetLastError(kErrNoSuchFile);
        return;
    }
    ch.position = target;
}

std::int32_t GetChannelPosition(std::int32_t channel) {
    const Channel& ch = channelAt(channel);
    return static_cast<std::int32_t>(std::min<std::int64_t>(ch.position, std::numeric_limits<std::int32_t>::max()));
}

void CloseAllChannels() {
    for (Channel& ch : channels) closeChannel(ch);
}

}  // namespace qvt
