// Checks the files mediagen leaves in build/Media where the game depends on them: sizes
// and texture rectangles, the font's width rule, the star's seamless animation, sounds the
// runtime accepts, a tune that loops without a click, and the default hiscore file.
#include <gtest/gtest.h>
#include <mpg123.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/wav.h"
#include "core/cipher.h"
#include "core/strings.h"

#ifndef QVT_MEDIA_DIR
#error "QVT_MEDIA_DIR must name the generated media folder"
#endif

namespace {

const std::string kMedia = QVT_MEDIA_DIR;

std::vector<std::uint8_t> readFile(const std::string& name) {
    std::ifstream in(kMedia + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- PNG -----------------------------------------------------------------------------------

struct Picture {
    int width = 0, height = 0;
    bool alpha = false;                // the file has an alpha channel
    std::vector<std::uint8_t> rgba;    // 4 bytes a pixel, rows top to bottom

    const std::uint8_t* at(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    bool black(int x, int y) const { return at(x, y)[0] == 0 && at(x, y)[1] == 0 && at(x, y)[2] == 0; }
    bool is(int x, int y, int r, int g, int b) const {
        return at(x, y)[0] == r && at(x, y)[1] == g && at(x, y)[2] == b;
    }
};

Picture loadPicture(const std::string& name) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::string path = kMedia + "/" + name;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    p.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr)) return {};
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    return p;
}

// Opaque pictures must not contain the sprite key: its pixels would turn into holes.
int keyPixels(const Picture& p) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) n += p.is(x, y, 255, 0, 128) ? 1 : 0;
    return n;
}

double meanDifference(const Picture& a, const Picture& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
    return sum / static_cast<double>(a.rgba.size());
}

TEST(MediaPictures, EveryPictureHasTheSizeItIsDrawnWith) {
    struct Expect {
        const char* name;
        int width, height;
        bool alpha;
    };
    const Expect pictures[] = {
        {"orvelsoft.png", 640, 480, false}, {"font16.png", 256, 128, false},  {"pell/Spaceship.png", 128, 64, true},
        {"pell/Blocks.png", 64, 64, true},  {"pell/Beam.png", 16, 16, false}, {"pell/Bonus.png", 32, 32, true},
        {"pell/explode.png", 64, 64, true},
    };
    for (const Expect& e : pictures) {
        const Picture p = loadPicture(e.name);
        EXPECT_EQ(p.width, e.width) << e.name;
        EXPECT_EQ(p.height, e.height) << e.name;
        EXPECT_EQ(p.alpha, e.alpha) << e.name << ": keyed pictures are RGB, the others carry alpha";
        if (!e.alpha) {
            EXPECT_EQ(keyPixels(p), 0) << e.name << " contains the colour key (255, 0, 128)";
        }
    }
}

TEST(MediaPictures, SpritesAreVisibleAndTheirFramesDoNotTouch) {
    const Picture ship = loadPicture("pell/Spaceship.png");
    ASSERT_EQ(ship.width, 128);
    int straight = 0, banking = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            straight += ship.at(x, y)[3] > 128;
            banking += ship.at(64 + x, y)[3] > 128;
        }
        // Linear filtering would pull one frame's pixels into the other at x 64.
        for (int x : {0, 63, 64, 127}) EXPECT_EQ(ship.at(x, y)[3], 0) << "column " << x << " row " << y;
    }
    EXPECT_GT(straight, 600) << "straight frame nearly empty";
    EXPECT_GT(banking, 600) << "banking frame nearly empty";
    int differing = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) differing += std::abs(int(ship.at(x, y)[3]) - int(ship.at(64 + x, y)[3])) > 64;
    EXPECT_GT(differing, 100) << "the banking frame looks like the straight one";

    const Picture beam = loadPicture("pell/Beam.png");
    ASSERT_EQ(beam.width, 16);
    for (int y = 0; y < 16; ++y) {
        EXPECT_TRUE(beam.black(0, y) && beam.black(15, y)) << "beam edges must be dark, they wrap when filtered";
        for (int x = 0; x < 16; ++x) EXPECT_EQ(beam.at(x, y)[0], beam.at(x, 0)[0]) << "beam rows differ at " << x << "," << y;
    }
    EXPECT_GT(beam.at(7, 0)[0], 200) << "beam core too dim";
}

// ---- Font ------------------------------------------------------------------------------------

// The loader's width rule: first and last column holding a pixel that is not the key (black).
struct GlyphWidth {
    int start = 0, width = 0;
    bool spacing = false;  // the rule added a blank column after the glyph
};

GlyphWidth measureGlyph(const Picture& font, int code) {
    const int cx = code % 16 * 16, cy = code / 16 * 16;
    auto columnUsed = [&](int c) {
        for (int r = 0; r < 16; ++r)
            if (!font.black(cx + c, cy + r)) return true;
        return false;
    };
    GlyphWidth g;
    int first = -1, last = -1;
    for (int c = 0; c < 16; ++c)
        if (columnUsed(c)) {
            if (first < 0) first = c;
            last = c;
        }
    if (first < 0) return g;
    g.start = first;
    g.width = last - first + 1;
    g.spacing = g.start + g.width < 16;
    return g;
}

TEST(MediaFont, EveryPrintableGlyphIsDrawnAndGetsASpacingColumn) {
    const Picture font = loadPicture("font16.png");
    ASSERT_EQ(font.width, 256);
    ASSERT_EQ(font.height, 128);
    for (int code = 33; code <= 126; ++code) {
        const GlyphWidth g = measureGlyph(font, code);
        EXPECT_GT(g.width, 0) << "glyph " << code << " ('" << char(code) << "') is empty";
        // Also keeps fixed-width text apart: column 15 of every cell stays black.
        EXPECT_TRUE(g.spacing) << "glyph " << code << " ('" << char(code) << "') fills its cell: no spacing column";
    }
    EXPECT_EQ(measureGlyph(font, ' ').width, 0) << "the space cell must be empty";
    // Proportional text uses j's width for the space; it should be narrower than a cell.
    const GlyphWidth j = measureGlyph(font, 'j');
    EXPECT_LT(j.width + 1, 16);
    EXPECT_LT(measureGlyph(font, 'I').width, measureGlyph(font, 'M').width) << "proportional spacing has nothing to do";
}

// ---- Star ------------------------------------------------------------------------------------

TEST(MediaStar, NineFramesLoopSmoothly) {
    std::vector<Picture> frames;
    for (int k = 0; k < 9; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "pell/Sun%02d.png", k);
        frames.push_back(loadPicture(name));
        ASSERT_EQ(frames.back().width, 512) << name;
        ASSERT_EQ(frames.back().height, 512) << name;
        EXPECT_FALSE(frames.back().alpha) << name << " is added to the screen; it needs no alpha";
        EXPECT_EQ(keyPixels(frames.back()), 0) << name;
    }
    std::array<double, 9> step{};
    double sum = 0.0;
    for (int k = 0; k < 9; ++k) {
        step[k] = meanDifference(frames[k], frames[(k + 1) % 9]);
        EXPECT_GT(step[k], 0.3) << "frame " << k << " and the next are (nearly) the same";
        if (k < 8) sum += step[k];
    }
    const double usual = sum / 8.0;
    EXPECT_GT(step[8], 0.6 * usual) << "frame 8 to 0";
    EXPECT_LT(step[8], 1.5 * usual) << "the jump from frame 8 back to 0 shows";
}

TEST(MediaStar, CutEdgeIsDark) {
    // The game draws rows 4..512; the top rows meet the sky at a straight line.
    const Picture sun = loadPicture("pell/Sun00.png");
    ASSERT_EQ(sun.width, 512);
    int brightest = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 512; ++x)
            for (int c = 0; c < 3; ++c) brightest = std::max(brightest, int(sun.at(x, y)[c]));
    EXPECT_LT(brightest, 8);
    EXPECT_GT(sun.at(256, 120)[0], 200) << "the star's surface should be bright where it shows";
}

// ---- Sounds ----------------------------------------------------------------------------------

TEST(MediaSounds, EffectsAreShortPcmThatTheRuntimeAccepts) {
    for (const char* name : {"dune/intro.wav", "dune/explode.wav", "dune/bonus.wav", "dune/levelup.wav"}) {
        const std::vector<std::uint8_t> file = readFile(name);
        qvt::WavInfo info;
        ASSERT_TRUE(qvt::ParseWav(file, info)) << name;
        EXPECT_EQ(info.bits, 16) << name;
        EXPECT_TRUE(info.rate == 22050 || info.rate == 44100) << name << " rate " << info.rate;
        const double seconds = double(info.dataSize) / (info.rate * info.channels * 2);
        EXPECT_GT(seconds, 0.2) << name;
        EXPECT_LT(seconds, 4.0) << name << " is long for an effect";
        int peak = 0;
        for (std::size_t i = info.dataOffset; i + 1 < info.dataOffset + info.dataSize; i += 2) {
            peak = std::max(peak, std::abs(int(std::int16_t(file[i] | file[i + 1] << 8))));
        }
        EXPECT_GT(peak, 16000) << name << " is too quiet";
        EXPECT_LT(peak, 32767) << name << " clips";
        const std::size_t end = info.dataOffset + info.dataSize;
        EXPECT_LT(std::abs(int(std::int16_t(file[end - 2] | file[end - 1] << 8))), 300) << name << " ends with a click";
    }
}

// ---- Music -----------------------------------------------------------------------------------

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;  // interleaved
};

// Gapless decoding, as the game's music back end does it.
Decoded decodeMp3(const std::string& name) {
    Decoded d;
    mpg123_init();
    int error = 0;
    mpg123_handle* h = mpg123_new(nullptr, &error);
    if (h == nullptr) return d;
    mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    int encoding = 0;
    if (mpg123_open(h, (kMedia + "/" + name).c_str()) == MPG123_OK &&
        mpg123_getformat(h, &d.rate, &d.channels, &encoding) == MPG123_OK && encoding == MPG123_ENC_SIGNED_16) {
        std::vector<unsigned char> buffer(1 << 16);
        std::size_t got = 0;
        int r;
        do {
            r = mpg123_read(h, buffer.data(), buffer.size(), &got);
            const auto* s = reinterpret_cast<const std::int16_t*>(buffer.data());
            d.samples.insert(d.samples.end(), s, s + got / 2);
        } while (r == MPG123_OK);
    }
    mpg123_delete(h);
    return d;
}

TEST(MediaMusic, TuneIsLongEnoughAndLoopsWithoutAClick) {
    const Decoded d = decodeMp3("dune/music.mp3");
    ASSERT_EQ(d.rate, 44100);
    ASSERT_GE(d.channels, 1);
    const std::size_t frames = d.samples.size() / d.channels;
    EXPECT_GE(double(frames) / d.rate, 30.0);
    // A whole number of beats at 140 bpm: the loop lands on the downbeat again.
    EXPECT_EQ(frames % (4725 * 4), 0u) << frames << " frames";
    ASSERT_GT(frames, 1000u);
    for (int c = 0; c < d.channels; ++c) {
        auto at = [&](std::size_t i) { return double(d.samples[(i % frames) * d.channels + c]); };
        // The loop's ends sit near a zero crossing, so a restart with a pause between does not click.
        EXPECT_LT(std::abs(at(0)), 1500.0) << "channel " << c;
        EXPECT_LT(std::abs(at(frames - 1)), 1500.0) << "channel " << c;
        // Played back to back, the seam must bend no harder than the music itself does.
        std::vector<double> bends;
        for (std::size_t i = 1; i + 1 < frames; i += 7) bends.push_back(std::abs(at(i + 1) - 2 * at(i) + at(i - 1)));
        std::sort(bends.begin(), bends.end());
        const double loud = bends[bends.size() * 999 / 1000];
        for (std::size_t i = frames - 2; i <= frames + 1; ++i) {
            EXPECT_LT(std::abs(at(i + 1) - 2 * at(i) + at(i - 1)), loud) << "click at the loop seam, channel " << c;
        }
    }
}

TEST(MediaMusic, NullTuneIsShortSilence) {
    const Decoded d = decodeMp3("null.mp3");
    ASSERT_GT(d.rate, 0);
    ASSERT_FALSE(d.samples.empty());
    EXPECT_LT(double(d.samples.size()) / d.channels / d.rate, 3.0);
    for (std::int16_t s : d.samples) ASSERT_EQ(s, 0);
}

// ---- Hiscores --------------------------------------------------------------------------------

TEST(MediaHiscores, DefaultTableDeciphersToTenOrvelsoftEntries) {
    const std::vector<std::uint8_t> bytes = readFile("orvelsoft.ini");
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 30u);
    const qvt::RuntimeString key("m4rq7e2dw");
    for (int i = 0; i < 10; ++i) {
        auto clear = [&](int line) {
            return std::string(qvt::DecryptText(key, qvt::RuntimeString(lines[3 * i + line])).view());
        };
        EXPECT_EQ(clear(0), "ORVELSOFT") << "entry " << i;
        EXPECT_EQ(clear(1), std::to_string(1000 * (i + 1))) << "entry " << i;
        EXPECT_EQ(clear(2), "1") << "entry " << i;
        for (int line = 0; line < 3; ++line) {
            EXPECT_EQ(lines[3 * i + line].find_first_not_of("0123456789abcdef"), std::string::npos)
                << "line " << 3 * i + line + 1 << " is not lower-case hex";
        }
    }
}

}  // namespace
