// The Quivent runtime for programs built on it: every public operation, grouped by layer.
// Module headers hold the details; platform/ and the testing headers are not part of it.
#pragma once

// The program: process entry, settings, start-up, the frame loop.
#include "app/frame.h"
#include "app/program.h"
#include "app/startup.h"

// The base: text, tables, errors, clock and pacing, lifecycle, ciphering, numbers.
#include "core/arrays.h"
#include "core/callbyname.h"
#include "core/cipher.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/lifecycle.h"
#include "core/numeric.h"
#include "core/random.h"
#include "core/strings.h"

// 2D graphics: sprites, drawing, polygon batches, fonts, screen state, collisions.
#include "gfx/collide.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"

// Input: keyboard, mouse, joysticks, typed characters.
#include "input/input.h"

// Audio: sound effects and music.
#include "audio/music.h"
#include "audio/sound.h"

// Files: channels, file-system operations, memory files, media resolvers, settings
// files, platform information.
#include "files/channels.h"
#include "files/filesystem.h"
#include "files/ini.h"
#include "files/line_file.h"
#include "files/memfile.h"
#include "files/platform_info.h"
#include "files/resolver.h"

// Network: the HTTP GET client over the socket layer.
#include "net/http.h"
#include "net/sockets.h"

// Path-finding: a cheapest path between two cells of a cost map.
#include "path/find_path.h"
