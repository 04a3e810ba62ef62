// The media resolvers: how every loader finds its files. A name is looked up on disk
// first, then in the resolver's media pack; a pack entry is handed out as a memory file or
// as a file extracted into the user's private temporary folder.
//
// What a lookup hands out lives until the next lookup through the same resolver (a channel
// already opened on a memory file keeps its bytes). Main thread only.
#pragma once

#include <cstdint>

#include "core/strings.h"

namespace qvt {

inline constexpr std::int32_t kMediaResolver = 0;    // media files: loaders and channels
inline constexpr std::int32_t kRuntimeResolver = 1;  // the runtime's own use
inline constexpr std::int32_t kResolverCount = 2;

// Points the two resolvers at their packs (a file or a memory file name; empty for none),
// enables pack search, and drops what each had handed out.
void SetMediaPacks(const RuntimeString& mediaPack, const RuntimeString& secondPack);

// Finds name for a loader. out is the name itself when it is a file on disk (true) or a
// live memory file name (true), else the handed-out entry of the pack: a memory file name
// when memoryAllowed, else the path of an extracted temporary file. False, with out the
// name itself (empty for an empty name) and last-error 3, when nothing was found. A missing
// pack, or a file that is not a valid pack, disables the pack search of that resolver
// until the next SetMediaPacks.
bool ResolveMediaFile(std::int32_t resolver, const RuntimeString& name, RuntimeString& out,
                      bool memoryAllowed);

// True while the resolver may search its pack.
bool MediaPackEnabled(std::int32_t resolver);

// Drops every hand-out (extracted files are deleted) and every pack (shutdown).
void ReleaseMediaResolvers();

}  // namespace qvt
