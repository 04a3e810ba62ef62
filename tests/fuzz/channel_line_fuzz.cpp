// ReadChannelLine over a memory file of arbitrary bytes, read to the end: every piece is at
// most 1023 bytes, every read moves on, and the pieces with the line ends they consumed
// give back the input byte for byte.
#include "fuzz.h"
#include "files/channels.h"
#include "files/memfile.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    qvt::MemoryFile file(std::vector<std::uint8_t>(data, data + size));
    if (qvt::OpenChannel(3, file.name(), 1) != 1) std::abort();
    std::size_t pos = 0;
    while (pos < size) {
        const qvt::RuntimeString line = qvt::ReadChannelLine(3);
        const auto next = static_cast<std::size_t>(qvt::GetChannelPosition(3));
        if (next <= pos || next > size || line.length() > 1023) std::abort();
        const std::string_view consumed = input.substr(pos, next - pos);
        if (consumed.substr(0, line.length()) != line.view()) std::abort();
        const std::string_view ending = consumed.substr(line.length());
        const bool cut = ending.empty() && (line.length() == 1023 || next == size);
        if (!cut && ending != "\n" && ending != "\r\n") std::abort();
        pos = next;
    }
    qvt::CloseChannel(3);
}
