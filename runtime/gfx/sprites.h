// The sprite table's operations: colour keys, slot sizes, freeing a slot and turning a
// decoded image into the slot's texture.
//
// Texture layout every drawing call relies on: power-of-two sides of at least 16, the image
// at column 0 and row 0 upside down (v = 0 is the image's bottom edge, v = v extent its
// top), texels outside the image transparent black.
#pragma once

#include <cstdint>

#include "core/strings.h"
#include "gfx/image.h"

namespace qvt {

// Loads an image file (BMP, PNG or JPEG, found through the media resolver) into slot id
// (0..65535) with a mip texture. Clears the last error; the slot is emptied first and stays
// empty on failure: last-error 3 for a missing or undecodable file, 7 for a bad id. An
// empty path only empties the slot.
void LoadSpriteFile(const RuntimeString& path, double id);
// Writes the sprite's picture to path: PNG for a ".png" ending, JPEG for "jpg" or ".jpeg",
// else a 24-bit BMP. False, with last-error 3, for an empty slot, a memory-file name or a
// failed write.
bool SaveSpriteImage(double id, const RuntimeString& path);
// Writes the frame being drawn (the whole window, opaque) to path as SaveSpriteImage does.
bool SaveScreenImage(const RuntimeString& path);

// Sets the sprite key and the font key to one packed RGB colour; affects later decodes.
void SetColourKey(double colour);
// Image size of the slot in pixels; 0, 0 for an empty slot or an id outside 0..65535.
void GetSpriteSize(double id, int* width, int* height);

// Empties slot id (0..65535; anything else is ignored): drops its alpha mask, unbinds
// texturing and deletes its textures. The frame size is kept.
void FreeSprite(std::int32_t id);
// Frees the slot, then uploads image as its texture (GL_LINEAR sprites, GL_NEAREST fonts)
// and, for sprites with makeMip, a square mipmapped copy. False (slot left empty) for an
// empty image, a side over 32767, a bad id, a short pixel buffer or no memory.
bool CreateSpriteTexture(const DecodedImage& image, std::int32_t id, bool makeMip, bool isFont);

// Smallest power of two that is >= side and >= 16 (side clamped to the texture limit).
std::int32_t textureSide(std::int32_t side);

}  // namespace qvt
