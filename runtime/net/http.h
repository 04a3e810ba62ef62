// The blocking HTTP/1.0 GET client: one connection per call, the reply's header stripped,
// the body stored in a file and/or a caller's buffer.
#pragma once

#include <cstdint>

#include "core/strings.h"

namespace qvt {

// Longest body a call accepts; a longer reply fails (what arrived stays in the file).
inline constexpr std::int64_t kHttpMaxBody = 1 << 20;
// The whole call (connect, send, reply) ends after this many connect time-outs.
inline constexpr int kHttpTotalTimeouts = 4;

// `HttpGetToFile`: GET path from host:port (port 0 is 80) and store the body in target (a
// file, replaced; null: none) and in out (at most outSize - 1 bytes, zero-terminated; null:
// none). timeoutMs bounds the connect (outside 1..30000: 30000), four times it the whole
// call. 1 once the server closed the connection after a reply, whatever its status; 0 on
// any failure, with nothing left open. A "mem://" target, or a host or path holding control
// characters or blanks, fails without network activity. Once target was created it stays
// on disk, whatever happens next.
std::int32_t HttpGetToFile(const RuntimeString& host, const RuntimeString& path, std::uint16_t port,
                           const RuntimeString* target, char* out, std::int32_t outSize,
                           std::int32_t timeoutMs);

// Status code of the last reply's status line ("HTTP/1.x NNN ..."); 0 when the last call
// got no reply or the reply had no status line.
std::int32_t HttpLastStatus();

}  // namespace qvt
