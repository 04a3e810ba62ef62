// One entry point per kind of media; each writes its files below the media folder and
// returns false (after a message on stderr) when a file could not be written.
#pragma once

#include <string>

namespace qvt::media {

bool makeFont(const std::string& mediaDir);         // font16.png
bool makeSplash(const std::string& mediaDir);       // orvelsoft.png
bool makeSprites(const std::string& mediaDir);      // pell/ crate, beam, bonus, burst
bool makeShip(const std::string& mediaDir);         // pell/Spaceship.png
bool makeStar(const std::string& mediaDir);         // pell/Sun00.png .. Sun08.png
bool makeSounds(const std::string& mediaDir);       // dune/*.wav
bool makeMusic(const std::string& mediaDir);        // dune/music.mp3, null.mp3
bool makeHiscores(const std::string& mediaDir);     // orvelsoft.ini
// The desktop icon, rayvaulter-48.png, -128.png and -256.png (not game media).
bool makeIcons(const std::string& iconDir);

// Writes a PNG or complains; shared by the picture generators.
class Canvas;
bool savePicture(const Canvas& canvas, const std::string& mediaDir, const std::string& name, bool withAlpha);

}  // namespace qvt::media
