// Checks the files mediagen leaves in build/Media where the game depends on them: sizes
// and texture rectangles, the font's width rule, the star's seamless animation, sounds the
// runtime accepts, a tune that loops without a click, and the default hiscore file.
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

    const std::uint8_t* at(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    bool is(int x, int y, int r, int g, int b) const { return at(x, y)[0] == r && at(x, y)[1] == g && at(x, y)[2] == b; }
    // Opaque pictures must not hold the sprite key: its pixels would turn into holes.
    int keyPixels() const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += is(x, y, 255, 0, 128);
        return n;
    }
};

Picture loadPicture(const std::string& name) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, (kMedia + name).c_str())) return p;
    p.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr)) return {};
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    return p;
}

TEST(MediaPictures, SizesAlphaAndFramesThatDoNotTouch) {
    struct Expect {
        const char* name;
        int width, height;
        bool alpha;  // keyed pictures are RGB, the others carry alpha
    };
    const Expect pictures[] = {
        {"orvelsoft.png", 640, 480, false}, {"font16.png", 256, 128, false}, {"pell/Spaceship.png", 128, 64, true},
        {"pell/Blocks.png", 64, 64, true}, {"pell/Beam.png", 16, 16, false}, {"pell/Bonus.png", 32, 32, true},
        {"pell/explode.png", 64, 64, true}};
    for (const Expect& e : pictures) {
        const Picture p = loadPicture(e.name);
        EXPECT_TRUE(p.width == e.width && p.height == e.height && p.alpha == e.alpha) << e.name;
        EXPECT_TRUE(e.alpha || p.keyPixels() == 0) << e.name << " holds the colour key (255, 0, 128)";
    }
    const Picture ship = loadPicture("pell/Spaceship.png");
    ASSERT_EQ(ship.width, 128);
    int straight = 0, banking = 0, differing = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            straight += ship.at(x, y)[3] > 128;
            banking += ship.at(64 + x, y)[3] > 128;
            differing += std::abs(ship.at(x, y)[3] - ship.at(64 + x, y)[3]) > 64;
        }
        // Linear filtering would pull one frame's pixels into the other at x 64.
        for (int x : {0, 63, 64, 127}) EXPECT_EQ(ship.at(x, y)[3], 0) << "column " << x << " row " << y;
    }
    EXPECT_GT(std::min(straight, banking), 600) << "a frame is nearly empty";
    EXPECT_GT(differing, 100) << "the banking frame looks like the straight one";
    const Picture beam = loadPicture("pell/Beam.png");
    ASSERT_EQ(beam.width, 16);
    for (int y = 0; y < 16; ++y) {
        EXPECT_TRUE(beam.is(0, y, 0, 0, 0) && beam.is(15, y, 0, 0, 0)) << "edges wrap when filtered, row " << y;
        for (int x = 0; x < 16; ++x) EXPECT_EQ(beam.at(x, y)[0], beam.at(x, 0)[0]) << "rows differ at " << x << "," << y;
    }
    EXPECT_GT(beam.at(7, 0)[0], 200) << "beam core too dim";
}

// The loader's width rule: the columns of a 16x16 cell holding a pixel that is not black.
std::pair<int, int> glyphColumns(const Picture& font, int code) {
    int first = -1, last = -1;
    for (int c = 0; c < 16; ++c)
        for (int r = 0; r < 16; ++r)
            if (!font.is(code % 16 * 16 + c, code / 16 * 16 + r, 0, 0, 0)) {
                if (first < 0) first = c;
                last = c;
            }
    return {first, last};
}

TEST(MediaFont, EveryPrintableGlyphIsDrawnAndLeavesASpacingColumn) {
    const Picture font = loadPicture("font16.png");
    ASSERT_EQ(font.width, 256);
    for (int code = 33; code <= 126; ++code) {
        const auto [first, last] = glyphColumns(font, code);
        EXPECT_GE(first, 0) << "glyph " << code << " is empty";
        EXPECT_LT(last, 15) << "glyph " << code << " fills its cell: no spacing column";
    }
    EXPECT_EQ(glyphColumns(font, ' ').first, -1) << "the space cell must be empty";
    auto width = [&](char c) { return glyphColumns(font, c).second - glyphColumns(font, c).first + 1; };
    EXPECT_LT(width('j') + 1, 16) << "j's width serves as the space";
    EXPECT_LT(width('I'), width('M')) << "proportional spacing has nothing to do";
}

TEST(MediaStar, NineFramesLoopSmoothlyWithADarkCutEdge) {
    std::vector<Picture> frames;
    for (int k = 0; k < 9; ++k) {
        const std::string name = "pell/Sun0" + std::to_string(k) + ".png";
        frames.push_back(loadPicture(name));
        ASSERT_TRUE(frames.back().width == 512 && frames.back().height == 512) << name;
        EXPECT_FALSE(frames.back().alpha) << name << " is added to the screen; it needs no alpha";
        EXPECT_EQ(frames.back().keyPixels(), 0) << name;
    }
    double step[9], sum = 0.0;
    for (int k = 0; k < 9; ++k) {
        const Picture &a = frames[k], &b = frames[(k + 1) % 9];
        step[k] = 0.0;
        for (std::size_t i = 0; i < a.rgba.size(); ++i) step[k] += std::abs(a.rgba[i] - b.rgba[i]);
        step[k] /= static_cast<double>(a.rgba.size());
        EXPECT_GT(step[k], 0.3) << "frame " << k << " and the next are (nearly) the same";
        if (k < 8) sum += step[k] / 8.0;
    }
    EXPECT_GT(step[8], 0.6 * sum) << "frame 8 to 0";
    EXPECT_LT(step[8], 1.5 * sum) << "the jump from frame 8 back to 0 shows";
    // The game draws rows 4..512; the top rows meet the sky at a straight line.
    int brightest = 0;
    for (int i = 0; i < 12 * 512 * 4; ++i) brightest = std::max(brightest, i % 4 == 3 ? 0 : frames[0].rgba[i]);
    EXPECT_LT(brightest, 8);
    EXPECT_GT(frames[0].at(256, 120)[0], 200) << "the star's surface should be bright where it shows";
}

TEST(MediaSounds, EffectsAreShortPcmThatTheRuntimeAccepts) {
    for (const char* name : {"dune/intro.wav", "dune/explode.wav", "dune/bonus.wav", "dune/levelup.wav"}) {
        const qvt::test::Bytes file = qvt::test::readBytes(kMedia + name);
        qvt::WavInfo info;
        ASSERT_TRUE(qvt::ParseWav(file, info)) << name;
        EXPECT_EQ(info.bits, 16) << name;
        EXPECT_TRUE(info.rate == 22050 || info.rate == 44100) << name << " rate " << info.rate;
        const double seconds = double(info.dataSize) / (info.rate * info.channels * 2);
        EXPECT_TRUE(seconds > 0.2 && seconds < 4.0) << name << ": " << seconds << " s";
        auto sample = [&](std::size_t i) { return std::abs(int(std::int16_t(file[i] | file[i + 1] << 8))); };
        int peak = 0;
        for (std::size_t i = info.dataOffset; i + 1 < info.dataOffset + info.dataSize; i += 2) peak = std::max(peak, sample(i));
        EXPECT_TRUE(peak > 16000 && peak < 32767) << name << " peak " << peak << ": too quiet or clipping";
        EXPECT_LT(sample(info.dataOffset + info.dataSize - 2), 300) << name << " ends with a click";
    }
}

// Gapless decoding, as the game's music back end does it; interleaved samples.
std::vector<std::int16_t> decodeMp3(const std::string& name, long& rate, int& channels) {
    std::vector<std::int16_t> samples;
    mpg123_init();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    int encoding = 0;
    if (mpg123_open(h, (kMedia + name).c_str()) == MPG123_OK &&
        mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK && encoding == MPG123_ENC_SIGNED_16) {
        std::vector<unsigned char> buffer(1 << 16);
        std::size_t got = 0;
        int r;
        do {
            r = mpg123_read(h, buffer.data(), buffer.size(), &got);
            const auto* s = reinterpret_cast<const std::int16_t*>(buffer.data());
            samples.insert(samples.end(), s, s + got / 2);
        } while (r == MPG123_OK);
    }
    mpg123_delete(h);
    return samples;
}

TEST(MediaMusic, TuneLoopsWithoutAClickAndTheNullTuneIsShortSilence) {
    long rate = 0;
    int channels = 0;
    const std::vector<std::int16_t> tune = decodeMp3("dune/music.mp3", rate, channels);
    ASSERT_EQ(rate, 44100);
    ASSERT_GE(channels, 1);
    const std::size_t frames = tune.size() / channels;
    EXPECT_GE(double(frames) / rate, 30.0);
    EXPECT_EQ(frames % (4725 * 4), 0u) << "whole beats at 140 bpm: the loop lands on the downbeat";
    ASSERT_GT(frames, 1000u);
    for (int c = 0; c < channels; ++c) {
        auto at = [&](std::size_t i) { return double(tune[(i % frames) * channels + c]); };
        auto bend = [&](std::size_t i) { return std::abs(at(i + 1) - 2 * at(i) + at(i - 1)); };
        // The ends sit near a zero crossing, so a restart after a pause does not click.
        EXPECT_LT(std::max(std::abs(at(0)), std::abs(at(frames - 1))), 1500.0) << "channel " << c;
        // Played back to back, the seam must bend no harder than the music itself does.
        std::vector<double> bends;
        for (std::size_t i = 1; i + 1 < frames; i += 7) bends.push_back(bend(i));
        std::sort(bends.begin(), bends.end());
        for (std::size_t i = frames - 2; i <= frames + 1; ++i) EXPECT_LT(bend(i), bends[bends.size() * 999 / 1000]) << "seam, channel " << c;
    }
    const std::vector<std::int16_t> null = decodeMp3("null.mp3", rate, channels);
    ASSERT_FALSE(null.empty());
    EXPECT_LT(double(null.size()) / channels / rate, 3.0);
    EXPECT_EQ(std::count(null.begin(), null.end(), 0), static_cast<std::ptrdiff_t>(null.size()));
}

TEST(MediaHiscores, DefaultTableDeciphersToTenOrvelsoftEntries) {
    const std::string text = qvt::test::readText(kMedia + "orvelsoft.ini");
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        lines.push_back(text.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 30u);
    const std::string expected[] = {"ORVELSOFT", "", "1"};
    for (std::size_t i = 0; i < 30; ++i) {
        EXPECT_EQ(lines[i].find_first_not_of("0123456789abcdef"), std::string::npos) << "line " << i + 1;
        const qvt::RuntimeString clear = qvt::DecryptText("m4rq7e2dw", qvt::RuntimeString(lines[i]));
        EXPECT_EQ(clear.view(), i % 3 == 1 ? std::to_string(1000 * (i / 3 + 1)) : expected[i % 3]) << "line " << i + 1;
    }
}

}  // namespace
