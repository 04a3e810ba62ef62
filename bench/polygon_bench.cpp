// Polygon-batch throughput against SDL_Renderer, both on SDL's offscreen driver (Mesa).
//
// Each iteration draws a frame's worth of textured 32 x 32 quads and waits for the GL
// pipeline to finish them, so the figures are quads really rasterised per second. The
// batch side puts every quad of a frame into one triangle strip (SplitPolygonStrip); the
// SDL side calls SDL_RenderCopy per quad from an SDL_Texture with batching on.
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/draw.h"
#include "gfx/image.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kQuadSide = 32;
constexpr int kSprite = 1;

// Quad positions spread over the screen, the same for both sides.
int quadX(int i) { return (i * 37) % (kWidth - kQuadSide); }
int quadY(int i) { return (i * 53) % (kHeight - kQuadSide); }

std::vector<std::uint8_t> quadPixels() {
    std::vector<std::uint8_t> pixels(kQuadSide * kQuadSide * 4);
    for (int i = 0; i < kQuadSide * kQuadSide; ++i) {
        pixels[i * 4 + 0] = static_cast<std::uint8_t>(i * 7);
        pixels[i * 4 + 1] = static_cast<std::uint8_t>(i / 3);
        pixels[i * 4 + 2] = 200;
        pixels[i * 4 + 3] = 255;
    }
    return pixels;
}

// ---- The runtime's window and batch -------------------------------------------------

struct RuntimeSide {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool ok = false;
};

RuntimeSide& runtimeSide() {
    static RuntimeSide side = [] {
        RuntimeSide s;
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        qvt::platform::WindowConfig config;
        config.width = kWidth;
        config.height = kHeight;
        config.visible = false;
        if (!qvt::platform::openWindow(config)) return s;
        s.window = SDL_GL_GetCurrentWindow();
        s.context = SDL_GL_GetCurrentContext();
        qvt::InitGraphics(kWidth, kHeight);
        qvt::DecodedImage image;
        image.width = kQuadSide;
        image.height = kQuadSide;
        image.pixels = quadPixels();
        s.ok = qvt::CreateSpriteTexture(image, kSprite, false, false);
        return s;
    }();
    return side;
}

// side: the quads' size on screen (the texture is always 32 x 32).
void drawBatch(int quads, int side) {
    qvt::BeginPolygon(kSprite, qvt::kPolygonStrip);
    for (int i = 0; i < quads; ++i) {
        const double x = quadX(i), y = quadY(i);
        qvt::AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
        qvt::AddPolygonVertex(x, y + side, 0, kQuadSide, 0xFFFFFF);
        qvt::AddPolygonVertex(x + side, y, kQuadSide, 0, 0xFFFFFF);
        qvt::AddPolygonVertex(x + side, y + side, kQuadSide, kQuadSide, 0xFFFFFF);
        qvt::SplitPolygonStrip();
    }
    qvt::EndPolygon();
}

void BM_PolygonBatch(benchmark::State& state) {
    RuntimeSide& side = runtimeSide();
    if (!side.ok) {
        state.SkipWithError("no offscreen GL window");
        return;
    }
    SDL_GL_MakeCurrent(side.window, side.context);
    qvt::EndFrameState();
    qvt::SetBlendAlpha(state.range(1) != 0 ? -1.0 : 0.0);
    qvt::SetSmoothing(static_cast<double>(state.range(2)));
    const int quads = static_cast<int>(state.range(0));
    const int size = static_cast<int>(state.range(3));
    for (auto _ : state) {
        drawBatch(quads, size);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * quads);
}

// ---- SDL_Renderer on the opengl driver ----------------------------------------------

struct SdlSide {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool ok = false;
};

int openglDriverIndex() {
    for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info;
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && SDL_strcmp(info.name, "opengl") == 0)
            return i;
    }
    return -1;
}

SdlSide& sdlSide() {
    static SdlSide side = [] {
        SdlSide s;
        if (!runtimeSide().ok) return s;  // SDL video is initialised there
        // An explicitly chosen driver would otherwise run without batching.
        SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
        const int driver = openglDriverIndex();
        if (driver < 0) return s;
        s.window =
            SDL_CreateWindow("sdl", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (s.window == nullptr) return s;
        s.renderer = SDL_CreateRenderer(s.window, driver, SDL_RENDERER_ACCELERATED);
        if (s.renderer == nullptr) return s;
        s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_ABGR8888,
                                      SDL_TEXTUREACCESS_STATIC, kQuadSide, kQuadSide);
        if (s.texture == nullptr) return s;
        const std::vector<std::uint8_t> pixels = quadPixels();
        SDL_UpdateTexture(s.texture, nullptr, pixels.data(), kQuadSide * 4);
        s.ok = true;
        return s;
    }();
    return side;
}

void BM_SdlRenderer(benchmark::State& state) {
    SdlSide& side = sdlSide();
    if (!side.ok) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    SDL_SetTextureBlendMode(side.texture,
                            state.range(1) != 0 ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(side.texture,
                            state.range(2) != 0 ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    const int quads = static_cast<int>(state.range(0));
    const int size = static_cast<int>(state.range(3));
    for (auto _ : state) {
        for (int i = 0; i < quads; ++i) {
            const SDL_Rect dst{quadX(i), quadY(i), size, size};
            SDL_RenderCopy(side.renderer, side.texture, nullptr, &dst);
        }
        SDL_RenderFlush(side.renderer);  // leaves the renderer's context current
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * quads);
}

// Arguments: quads per frame, blending (0 opaque, 1 translucent), sampling (0 nearest,
// 1 linear: the runtime's default; SDL's default is nearest), quad side on screen. The
// 32-pixel quads measure what a frame costs (software GL spends it filling pixels); the
// 4-pixel ones leave mostly the per-quad cost of the API and the vertex path.
void frameSizes(benchmark::internal::Benchmark* b) {
    for (int linear : {0, 1}) {
        for (int blend : {0, 1}) {
            for (int quads : {100, 2000}) b->Args({quads, blend, linear, kQuadSide});
        }
    }
    b->Args({20000, 0, 0, 4});
    b->ArgNames({"quads", "blend", "linear", "side"})->Unit(benchmark::kMicrosecond)->UseRealTime();
}

BENCHMARK(BM_PolygonBatch)->Apply(frameSizes);
BENCHMARK(BM_SdlRenderer)->Apply(frameSizes);

}  // namespace
