// mediagen MEDIA_DIR [ICON_DIR]: writes every image, sound, tune and the default hiscore
// file of the game into MEDIA_DIR, and the desktop icons into ICON_DIR. The output depends
// on nothing but this program.
#include <cstdio>
#include <filesystem>
#include <string>

#include "canvas.h"
#include "generators.h"

namespace qvt::media {

bool savePicture(const Canvas& canvas, const std::string& mediaDir, const std::string& name, bool withAlpha) {
    if (writePng(mediaDir + "/" + name, canvas, withAlpha)) return true;
    std::fprintf(stderr, "mediagen: cannot write %s/%s\n", mediaDir.c_str(), name.c_str());
    return false;
}

}  // namespace qvt::media

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: mediagen MEDIA_DIR [ICON_DIR]\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir + "/pell", error);
    std::filesystem::create_directories(dir + "/dune", error);
    if (error) {
        std::fprintf(stderr, "mediagen: cannot create %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    using namespace qvt::media;
    bool ok = true;
    // Every generator runs even after a failure, so one message lists all that is wrong.
    ok = makeFont(dir) && ok;
    ok = makeSplash(dir) && ok;
    ok = makeShip(dir) && ok;
    ok = makeSprites(dir) && ok;
    ok = makeStar(dir) && ok;
    ok = makeSounds(dir) && ok;
    ok = makeMusic(dir) && ok;
    ok = makeHiscores(dir) && ok;
    if (argc == 3) ok = makeIcons(argv[2]) && ok;
    return ok ? 0 : 1;
}
