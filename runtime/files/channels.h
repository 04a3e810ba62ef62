// File channels: eight numbered channels for sequential and random access to disk files and
// (for reading) memory files.
//
// A channel number outside 0..7 sets last-error 7 and, except in OpenChannel, stops the
// program. Reading past the end, reading a closed channel and any failed write set
// last-error 3 and stop the program too: the file layer's error stop is FatalError (exit
// status 1), not an orderly end. Main thread only.
#pragma once

#include <cstdint>

#include "core/strings.h"

namespace qvt {

inline constexpr std::int32_t kChannelCount = 8;
// Longest text one ReadChannelLine returns (bytes); a longer line arrives in pieces.
inline constexpr std::int32_t kChannelLineMax = 1023;

// Opens path on channel (closing what it held). mode > 0 reads (through the media
// resolver, memory files allowed); 0 writes a new empty file (an existing one is deleted
// first); < 0 appends to a file, created when missing. Memory files open for reading only.
// Clears last-error first; returns 1, or 0 with last-error 3 (7 for a bad channel).
std::int32_t OpenChannel(std::int32_t channel, const RuntimeString& path, std::int32_t mode);
// Closes the channel (a closed channel stays closed); clears last-error.
void CloseChannel(std::int32_t channel);

// The bytes up to the next line feed, without it and without a carriage return before it;
// a last line without a line feed comes whole. At most kChannelLineMax bytes: the rest of a
// longer line comes with the next call, no byte lost. Nothing left to read stops the program.
RuntimeString ReadChannelLine(std::int32_t channel);
// A line read as a decimal number (its leading number; 0 when none).
double ReadChannelNumber(std::int32_t channel);
// A line read as a decimal integer (leading blanks and sign; saturates at the int32 range).
std::int32_t ReadChannelInteger(std::int32_t channel);
// count bytes as they are (count <= 0 reads nothing); fewer left stops the program.
RuntimeString ReadChannelBytes(std::int32_t channel, std::int32_t count);

// Little-endian binary reads at the position; a short read stops the program.
std::int32_t ReadChannelInt8(std::int32_t channel);     // -128..127
std::int32_t ReadChannelInt16(std::int32_t channel);    // -32768..32767
std::int32_t ReadChannelInt32(std::int32_t channel);
std::int32_t ReadChannelUInt8(std::int32_t channel);    // 0..255
std::int32_t ReadChannelUInt16(std::int32_t channel);   // 0..65535
double ReadChannelUInt32(std::int32_t channel);         // 0..4294967295
double ReadChannelDouble(std::int32_t channel);         // IEEE double
double ReadChannelFloat(std::int32_t channel);          // IEEE single, widened

// Little-endian binary writes at the position (disk files only); a failed write stops the
// program. Integer values keep their low bytes; UInt32 wraps modulo 2^32.
void WriteChannelInt8(std::int32_t channel, std::int32_t value);
void WriteChannelInt16(std::int32_t channel, std::int32_t value);
void WriteChannelInt32(std::int32_t channel, std::int32_t value);
void WriteChannelUInt8(std::int32_t channel, std::int32_t value);
void WriteChannelUInt16(std::int32_t channel, std::int32_t value);
void WriteChannelUInt32(std::int32_t channel, double value);
void WriteChannelDouble(std::int32_t channel, double value);
void WriteChannelFloat(std::int32_t channel, double value);  // narrowed to IEEE single
// The text's bytes, no terminator.
void WriteChannelBytes(std::int32_t channel, const RuntimeString& text);
// The text's bytes, then carriage return and line feed.
void WriteChannelLine(std::int32_t channel, const RuntimeString& text);

// whence 0: position = offset; whence > 0: position += offset; whence < 0: position =
// size + offset. A target before the start leaves the position and sets last-error 3.
void SeekChannel(std::int32_t channel, std::int32_t offset, std::int32_t whence);
// Where the next read or write happens, in bytes from the start of the file (0 when the
// channel is closed). An appending channel starts at the old end of the file.
std::int32_t GetChannelPosition(std::int32_t channel);

// Closes every channel (shutdown).
void CloseAllChannels();

}  // namespace qvt
