// Checks the files mediagen leaves in build/Media where the game depends on them: sizes
// and texture rectangles, sounds the runtime accepts, a tune whose loop lands on a beat
// near silence, and the default hiscore file.
#include <gtest/gtest.h>
#include <mpg123.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/wav.h"
#include "core/cipher.h"
#include "support/files.h"

#ifndef QVT_MEDIA_DIR
#error "QVT_MEDIA_DIR must name the generated media folder"
#endif

namespace {

const std::string kMedia = std::string(QVT_MEDIA_DIR) + "/";

struct Picture {
    int width = 0, height = 0;
    bool alpha = false;              // the file has an alpha channel
    std::vector<std::uint8_t> rgba;  // rows top to bottom

    // Opaque pictures must not hold the sprite key (255, 0, 128): its pixels would turn into holes.
    bool keyed() const {
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            if (rgba[i] == 255 && rgba[i + 1] == 0 && rgba[i + 2] == 128) return true;
        }
        return false;
    }
};

Picture loadPicture(const std::string& name) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, (kMedia + name).c_str())) return {};
    Picture p{static_cast<int>(image.width), static_cast<int>(image.height), (image.format & PNG_FORMAT_FLAG_ALPHA) != 0, {}};
    image.format = PNG_FORMAT_RGBA;
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr) ? p : Picture{};
}

TEST(MediaPictures, SizesAndAlpha) {
    // Keyed pictures are RGB, the others carry alpha; the star frames are added to the screen.
    std::vector<std::tuple<std::string, int, bool>> pictures = {
        {"orvelsoft.png", 640480, false}, {"font16.png", 256128, false}, {"pell/Spaceship.png", 128064, true},
        {"pell/Blocks.png", 64064, true}, {"pell/Beam.png", 16016, false}, {"pell/Bonus.png", 32032, true},
        {"pell/explode.png", 64064, true}};
    for (int k = 0; k < 9; ++k) pictures.emplace_back("pell/Sun0" + std::to_string(k) + ".png", 512512, false);
    for (const auto& [name, size, alpha] : pictures) {
        const Picture p = loadPicture(name);
        EXPECT_TRUE(p.width * 1000 + p.height == size && p.alpha == alpha) << name;
        EXPECT_TRUE(alpha || !p.keyed()) << name << " holds the colour key";
    }
}

TEST(MediaSounds, EffectsAreShortPcmThatTheRuntimeAccepts) {
    for (const char* name : {"dune/intro.wav", "dune/explode.wav", "dune/bonus.wav", "dune/levelup.wav"}) {
        const qvt::test::Bytes file = qvt::test::readBytes(kMedia + name);
        qvt::WavInfo info;
        ASSERT_TRUE(qvt::ParseWav(file, info)) << name;
        const double seconds = double(info.dataSize) / (info.rate * info.channels * 2);
        EXPECT_TRUE(info.bits == 16 && (info.rate == 22050 || info.rate == 44100)) << name;
        EXPECT_TRUE(seconds > 0.2 && seconds < 4.0) << name << ": " << seconds << " s";
    }
}

// Gapless decoding, as the game's music back end does it; interleaved samples.
std::vector<std::int16_t> decodeMp3(const std::string& name, long& rate, int& channels) {
    std::vector<std::int16_t> samples;
    mpg123_init();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    int encoding = 0;
    std::vector<unsigned char> buffer(1 << 16);
    std::size_t got = 0;
    if (mpg123_open(h, (kMedia + name).c_str()) == MPG123_OK &&
        mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK && encoding == MPG123_ENC_SIGNED_16) {
        for (int r = MPG123_OK; r == MPG123_OK;) {
            r = mpg123_read(h, buffer.data(), buffer.size(), &got);
            const auto* s = reinterpret_cast<const std::int16_t*>(buffer.data());
            samples.insert(samples.end(), s, s + got / 2);
        }
    }
    mpg123_delete(h);
    return samples;
}

TEST(MediaMusic, TuneLoopsWithoutAClickAndTheNullTuneIsShortSilence) {
    long rate = 0;
    int channels = 0;
    const std::vector<std::int16_t> tune = decodeMp3("dune/music.mp3", rate, channels);
    ASSERT_TRUE(rate == 44100 && channels >= 1);
    const std::size_t frames = tune.size() / channels;
    ASSERT_GE(double(frames) / rate, 30.0);
    // The ends sit near a zero crossing, so a restart after a pause does not click.
    EXPECT_LT(std::max(std::abs(tune.front()), std::abs(tune.back())), 1500);
    const std::vector<std::int16_t> null = decodeMp3("null.mp3", rate, channels);
    EXPECT_TRUE(!null.empty() && double(null.size()) / channels / rate < 3.0);
    EXPECT_EQ(std::count(null.begin(), null.end(), 0), static_cast<std::ptrdiff_t>(null.size()));
}

TEST(MediaHiscores, DefaultTableDeciphersToTenOrvelsoftEntries) {
    const std::string text = qvt::test::readText(kMedia + "orvelsoft.ini");
    std::size_t at = 0;
    for (int i = 0; i < 30; ++i, at += 2) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF, line " << i + 1;
        const std::string line = text.substr(at, end - at);
        const std::string expected[] = {"ORVELSOFT", std::to_string(1000 * (i / 3 + 1)), "1"};
        EXPECT_EQ(qvt::DecryptText("m4rq7e2dw", qvt::RuntimeString(line)).view(), expected[i % 3]) << "line " << i + 1;
        at = end;
    }
    EXPECT_EQ(at, text.size()) << "30 lines";
}

}  // namespace
