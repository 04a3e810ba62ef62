// Loading a 512 x 512 RGBA PNG into a sprite (file read, decode, texture and mip texture
// upload on SDL's offscreen driver) beside libpng decoding the same file alone.
//
// The goal is the ratio: LoadSpriteFile under 1.3 times libpng's own decode. The libpng
// side reads the file through its simplified API into an RGBA buffer, which is the least
// any loader has to do.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.h"
#include "gfx/context.h"
#include "gfx/image_encode.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "platform/window.h"

namespace {

constexpr int kSide = 512;
constexpr int kSprite = 1;

// A picture that compresses like real art: smooth gradients, a few hard edges, some noise,
// and alpha that varies.
qvt::DecodedImage testPicture() {
    qvt::DecodedImage image;
    image.width = kSide;
    image.height = kSide;
    image.pixels.resize(image.byteCount());
    std::uint32_t noise = 12345;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            noise = noise * 1664525u + 1013904223u;
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * kSide + x) * 4];
            const bool inside = (x - 256) * (x - 256) + (y - 256) * (y - 256) < 200 * 200;
            p[0] = static_cast<std::uint8_t>(x / 2 + (noise >> 29));
            p[1] = static_cast<std::uint8_t>(y / 2 + (inside ? 60 : 0));
            p[2] = static_cast<std::uint8_t>((x + y) / 4 + (noise >> 30));
            p[3] = static_cast<std::uint8_t>(inside ? 255 : (x * 255) / kSide);
        }
    }
    return image;
}

struct Setup {
    std::string path;
    bool ok = false;
};

const Setup& setup() {
    static const Setup s = [] {
        Setup out;
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        qvt::platform::WindowConfig config;
        config.width = 640;
        config.height = 480;
        config.visible = false;
        if (!qvt::platform::openWindow(config)) return out;
        qvt::InitGraphics(640, 480);
        out.path = (std::filesystem::temp_directory_path() / "qvt_image_bench.png").string();
        const std::vector<std::uint8_t> png = qvt::EncodePng(testPicture());
        FILE* f = std::fopen(out.path.c_str(), "wb");
        if (f == nullptr) return out;
        out.ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
        std::fclose(f);
        return out;
    }();
    return s;
}

void BM_LoadSpriteFile(benchmark::State& state) {
    const Setup& s = setup();
    if (!s.ok) {
        state.SkipWithError("no offscreen GL window or no temporary file");
        return;
    }
    const qvt::RuntimeString path(s.path.c_str());
    for (auto _ : state) {
        qvt::LoadSpriteFile(path, kSprite);
        glFinish();
    }
    if (qvt::LastErrorCode() != 0 || qvt::graphics()->sprites[kSprite].width != kSide) {
        state.SkipWithError("the sprite did not load");
    }
}
BENCHMARK(BM_LoadSpriteFile)->Unit(benchmark::kMillisecond);

void BM_LibpngDecodeOnly(benchmark::State& state) {
    const Setup& s = setup();
    if (!s.ok) {
        state.SkipWithError("no temporary file");
        return;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * 4);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (png_image_begin_read_from_file(&image, s.path.c_str()) == 0) {
            state.SkipWithError(image.message);
            return;
        }
        image.format = PNG_FORMAT_RGBA;
        png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_LibpngDecodeOnly)->Unit(benchmark::kMillisecond);

}  // namespace
