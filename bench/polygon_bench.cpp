// Polygon batches and text against SFML's vertex arrays and SDL_Renderer, each drawing into
// its own real window on one X server (scripts/bench starts Xvfb), every frame presented.
//
//   Quads/<peer>/side:S/linear:L   10,000 alpha-blended quads of S x S pixels from one
//                                  32 x 32 soft-edged disc at fixed random positions
//   Text/<peer>                    a screen of 2,000 characters (25 lines of 80) with the
//                                  built-in 8 x 8 font
//   Sprites/<peer>                 2,000 sprite calls of the disc at 32 x 32, one draw each
//                                  (DrawSpriteStretched; sf::Sprite)
//
// The runtime side goes the way a program does: BeginPolygon, four AddPolygonVertex and a
// SplitPolygonStrip per quad, EndPolygon, then the swap, clear and state reset of
// ShowScreen (without the pacing wait). SFML draws one sf::VertexArray of sf::Quads built
// once; SDL_Renderer (opengl driver, batching on) calls SDL_RenderCopy per quad. Peers of
// one case run next to each other, so they share the machine's load at the time.
#include <GL/gl.h>
#include <SDL.h>
#include <SFML/Graphics.hpp>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/glext.h"
#include "gfx/image.h"
#include "gfx/polygon.h"
#include "gfx/screen.h"
#include "gfx/sprites.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTexture = 32;
constexpr int kQuads = 10000;
constexpr int kSprite = 1;
constexpr int kTextColumns = 80;
constexpr int kTextRows = 25;
constexpr int kTextLineStep = 19;
constexpr int kSpriteCalls = 2000;

struct Point {
    int x, y;
};

// The same positions for every peer and size.
const std::vector<Point>& positions(int side) {
    static std::vector<Point> cache[2];
    std::vector<Point>& p = cache[side == kTexture ? 1 : 0];
    if (p.empty()) {
        std::mt19937 random(20261207);
        std::uniform_int_distribution<int> x(0, kWidth - side), y(0, kHeight - side);
        for (int i = 0; i < kQuads; ++i) p.push_back({x(random), y(random)});
    }
    return p;
}

// A disc, opaque inside, fading to nothing over its outer six pixels.
std::vector<std::uint8_t> discPixels() {
    std::vector<std::uint8_t> pixels(kTexture * kTexture * 4);
    for (int y = 0; y < kTexture; ++y) {
        for (int x = 0; x < kTexture; ++x) {
            const double r = std::hypot(x + 0.5 - kTexture / 2.0, y + 0.5 - kTexture / 2.0);
            const double a = std::clamp((kTexture / 2.0 - r) / 6.0, 0.0, 1.0);
            std::uint8_t* p = &pixels[(y * kTexture + x) * 4];
            p[0] = 255;
            p[1] = static_cast<std::uint8_t>(96 + x * 4);
            p[2] = static_cast<std::uint8_t>(64 + y * 5);
            p[3] = static_cast<std::uint8_t>(a * 255.0);
        }
    }
    return pixels;
}

// 25 lines of 80 printable characters, fixed.
const std::vector<std::string>& textLines() {
    static std::vector<std::string> lines = [] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> c(33, 126);
        std::vector<std::string> out(kTextRows);
        for (std::string& line : out) {
            for (int i = 0; i < kTextColumns; ++i) line += static_cast<char>(c(random));
        }
        return out;
    }();
    return lines;
}

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Process CPU (GL driver threads included) when the timed loop starts.
double cpuAtStart = 0.0;

void finish(benchmark::State& state, int itemsPerFrame) {
    const double cpu = processCpuMs() - cpuAtStart;
    state.SetItemsProcessed(state.iterations() * itemsPerFrame);
    // Under a shared machine's load the wall clock stretches; processor time much less so.
    state.counters["cpu_ms_frame"] = cpu / static_cast<double>(state.iterations());
    state.counters["items_per_cpu_s"] =
        static_cast<double>(state.iterations()) * itemsPerFrame / (cpu / 1000.0);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

// Each peer leaves no context current when it is done: SDL and SFML both remember the
// context they made current and would skip making it current again.
void releaseSdlContext() { SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr); }

// ---- The runtime ------------------------------------------------------------------------

struct RuntimeSide {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool ok = false;
};

RuntimeSide& runtimeSide() {
    static RuntimeSide side = [] {
        RuntimeSide s;
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        qvt::platform::WindowConfig config;
        config.width = kWidth;
        config.height = kHeight;
        config.caption = "runtime";
        if (!qvt::platform::openWindow(config)) return s;
        s.window = SDL_GL_GetCurrentWindow();
        s.context = SDL_GL_GetCurrentContext();
        qvt::LoadGlExtensions();
        qvt::InitGraphics(kWidth, kHeight);
        qvt::InstallBuiltInFont(0);
        qvt::SelectFont(0);
        qvt::DecodedImage image;
        image.keyed = 1;
        image.width = kTexture;
        image.height = kTexture;
        image.pixels = discPixels();
        s.ok = qvt::CreateSpriteTexture(image, kSprite, false, false);
        releaseSdlContext();
        return s;
    }();
    return side;
}

bool enterRuntime(benchmark::State& state) {
    RuntimeSide& side = runtimeSide();
    if (!side.ok || SDL_GL_MakeCurrent(side.window, side.context) != 0) {
        state.SkipWithError("no runtime window");
        return false;
    }
    qvt::EndFrameState();
    return true;
}

// ShowScreen's present without its pacing wait.
void presentRuntime() {
    qvt::platform::swapWindow();
    qvt::BeginFrame();
    qvt::EndFrameState();
}

void runtimeQuads(benchmark::State& state, int side, bool linear) {
    if (!enterRuntime(state)) return;
    const std::vector<Point>& at = positions(side);
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        qvt::SetBlendAlpha(-1);
        qvt::SetSmoothing(linear ? 1 : 0);
        qvt::BeginPolygon(kSprite, qvt::kPolygonStrip);
        for (const Point& p : at) {
            const double x = p.x, y = p.y;
            qvt::AddPolygonVertex(x, y, 0, 0, 0xFFFFFF);
            qvt::AddPolygonVertex(x, y + side, 0, kTexture, 0xFFFFFF);
            qvt::AddPolygonVertex(x + side, y, kTexture, 0, 0xFFFFFF);
            qvt::AddPolygonVertex(x + side, y + side, kTexture, kTexture, 0xFFFFFF);
            qvt::SplitPolygonStrip();
        }
        qvt::EndPolygon();
        presentRuntime();
    }
    finish(state, kQuads);
    releaseSdlContext();
}

void runtimeText(benchmark::State& state) {
    if (!enterRuntime(state)) return;
    std::vector<qvt::RuntimeString> lines;
    for (const std::string& line : textLines()) lines.emplace_back(line.c_str());
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        qvt::SetBlendAlpha(-1);
        for (int row = 0; row < kTextRows; ++row) {
            qvt::DrawText(lines[row], 0, row * kTextLineStep, 0);
        }
        presentRuntime();
    }
    finish(state, kTextRows * kTextColumns);
    releaseSdlContext();
}

void runtimeSprites(benchmark::State& state) {
    if (!enterRuntime(state)) return;
    const std::vector<Point>& at = positions(kTexture);
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        qvt::SetBlendAlpha(-1);
        for (int i = 0; i < kSpriteCalls; ++i) {
            qvt::DrawSpriteStretched(kSprite, at[i].x, at[i].y, kTexture, kTexture);
        }
        presentRuntime();
    }
    finish(state, kSpriteCalls);
    releaseSdlContext();
}

// ---- SFML -------------------------------------------------------------------------------

struct SfmlSide {
    sf::RenderWindow window;
    sf::Texture disc;
    sf::Texture font;
    sf::VertexArray quads[2];  // 4- and 32-pixel quads
    std::vector<sf::VertexArray> text;
    bool ok = false;
};

sf::VertexArray quadArray(int side) {
    sf::VertexArray va(sf::Quads);
    const float t = kTexture;
    for (const Point& p : positions(side)) {
        const float x = p.x, y = p.y, s = side;
        va.append(sf::Vertex({x, y}, {0, 0}));
        va.append(sf::Vertex({x + s, y}, {t, 0}));
        va.append(sf::Vertex({x + s, y + s}, {t, t}));
        va.append(sf::Vertex({x, y + s}, {0, t}));
    }
    return va;
}

// One array per line, as a program drawing 25 strings would hold them.
std::vector<sf::VertexArray> textArrays() {
    std::vector<sf::VertexArray> out;
    constexpr float kCell = 8;
    for (int row = 0; row < kTextRows; ++row) {
        sf::VertexArray va(sf::Quads);
        const float y = static_cast<float>(row * kTextLineStep);
        float x = 0;
        for (char ch : textLines()[row]) {
            const float u = (ch % 16) * kCell, v = (ch / 16) * kCell;
            va.append(sf::Vertex({x, y}, {u, v}));
            va.append(sf::Vertex({x + kCell, y}, {u + kCell, v}));
            va.append(sf::Vertex({x + kCell, y + kCell}, {u + kCell, v + kCell}));
            va.append(sf::Vertex({x, y + kCell}, {u, v + kCell}));
            x += kCell;
        }
        out.push_back(va);
    }
    return out;
}

// SFML's windows have no depth or stencil buffer unless asked; ours must have both (24 and
// 8 bits). The second side asks for the same, so the pair shows what the format costs.
SfmlSide& sfmlSide(bool depth = false) {
    static SfmlSide* sides[2] = {};
    SfmlSide*& side = sides[depth ? 1 : 0];
    if (side == nullptr) side = [depth] {
        auto* s = new SfmlSide;
        s->window.create(sf::VideoMode(kWidth, kHeight), "sfml", sf::Style::Titlebar,
                         sf::ContextSettings(depth ? 24 : 0, depth ? 8 : 0));
        s->window.setVerticalSyncEnabled(false);
        sf::Image disc;
        disc.create(kTexture, kTexture, discPixels().data());
        const qvt::DecodedImage fontImage = qvt::BuiltInFontImage();
        sf::Image font;
        font.create(fontImage.width, fontImage.height, fontImage.pixels.data());
        s->ok = s->window.isOpen() && s->disc.loadFromImage(disc) && s->font.loadFromImage(font);
        s->quads[0] = quadArray(4);
        s->quads[1] = quadArray(kTexture);
        s->text = textArrays();
        s->window.setActive(false);
        return s;
    }();
    return *side;
}

bool enterSfml(benchmark::State& state, SfmlSide& side) {
    if (!runtimeSide().ok || !side.ok || !side.window.setActive(true)) {
        state.SkipWithError("no SFML window");
        return false;
    }
    return true;
}

void sfmlQuads(benchmark::State& state, int size, bool linear, bool depth) {
    SfmlSide& side = sfmlSide(depth);
    if (!enterSfml(state, side)) return;
    side.disc.setSmooth(linear);
    sf::RenderStates states(sf::BlendAlpha);
    states.texture = &side.disc;
    const sf::VertexArray& va = side.quads[size == kTexture ? 1 : 0];
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        side.window.clear();
        side.window.draw(va, states);
        side.window.display();
    }
    finish(state, kQuads);
    side.window.setActive(false);
}

void sfmlText(benchmark::State& state, bool depth) {
    SfmlSide& side = sfmlSide(depth);
    if (!enterSfml(state, side)) return;
    sf::RenderStates states(sf::BlendAlpha);
    states.texture = &side.font;
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        side.window.clear();
        for (const sf::VertexArray& line : side.text) side.window.draw(line, states);
        side.window.display();
    }
    finish(state, kTextRows * kTextColumns);
    side.window.setActive(false);
}

void sfmlSprites(benchmark::State& state, bool depth) {
    SfmlSide& side = sfmlSide(depth);
    if (!enterSfml(state, side)) return;
    side.disc.setSmooth(true);
    sf::Sprite sprite(side.disc);
    const std::vector<Point>& at = positions(kTexture);
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        side.window.clear();
        for (int i = 0; i < kSpriteCalls; ++i) {
            sprite.setPosition(static_cast<float>(at[i].x), static_cast<float>(at[i].y));
            side.window.draw(sprite, sf::BlendAlpha);
        }
        side.window.display();
    }
    finish(state, kSpriteCalls);
    side.window.setActive(false);
}

// ---- SDL_Renderer on the opengl driver ----------------------------------------------------

struct SdlSide {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool ok = false;
};

SdlSide& sdlSide() {
    static SdlSide side = [] {
        SdlSide s;
        if (!runtimeSide().ok) return s;  // SDL video is initialised there
        // An explicitly chosen driver would otherwise run without batching.
        SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
        int driver = -1;
        for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
            SDL_RendererInfo info;
            if (SDL_GetRenderDriverInfo(i, &info) == 0 && SDL_strcmp(info.name, "opengl") == 0)
                driver = i;
        }
        if (driver < 0) return s;
        s.window = SDL_CreateWindow("sdl", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
        if (s.window == nullptr) return s;
        s.renderer = SDL_CreateRenderer(s.window, driver, SDL_RENDERER_ACCELERATED);
        if (s.renderer == nullptr) return s;
        s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_ABGR8888,
                                      SDL_TEXTUREACCESS_STATIC, kTexture, kTexture);
        if (s.texture == nullptr) return s;
        SDL_UpdateTexture(s.texture, nullptr, discPixels().data(), kTexture * 4);
        SDL_SetTextureBlendMode(s.texture, SDL_BLENDMODE_BLEND);
        s.ok = true;
        releaseSdlContext();
        return s;
    }();
    return side;
}

void sdlQuads(benchmark::State& state, int size, bool linear) {
    SdlSide& side = sdlSide();
    if (!side.ok) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    SDL_SetTextureScaleMode(side.texture, linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    const std::vector<Point>& at = positions(size);
    cpuAtStart = processCpuMs();
    for (auto _ : state) {
        SDL_RenderClear(side.renderer);
        for (const Point& p : at) {
            const SDL_Rect dst{p.x, p.y, size, size};
            SDL_RenderCopy(side.renderer, side.texture, nullptr, &dst);
        }
        SDL_RenderPresent(side.renderer);
    }
    finish(state, kQuads);
    releaseSdlContext();
}

// ---- Registration: the peers of each case side by side -----------------------------------

void configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

int registerAll() {
    for (int side : {4, kTexture}) {
        for (int linear : {1, 0}) {
            const std::string args =
                "/side:" + std::to_string(side) + "/linear:" + std::to_string(linear);
            configure(benchmark::RegisterBenchmark(("Quads/runtime" + args).c_str(),
                                                   runtimeQuads, side, linear != 0));
            configure(benchmark::RegisterBenchmark(("Quads/sfml" + args).c_str(), sfmlQuads,
                                                   side, linear != 0, false));
            configure(benchmark::RegisterBenchmark(("Quads/sfml-depth" + args).c_str(),
                                                   sfmlQuads, side, linear != 0, true));
            configure(benchmark::RegisterBenchmark(("Quads/sdl" + args).c_str(), sdlQuads,
                                                   side, linear != 0));
        }
    }
    configure(benchmark::RegisterBenchmark("Text/runtime", runtimeText));
    configure(benchmark::RegisterBenchmark("Text/sfml", sfmlText, false));
    configure(benchmark::RegisterBenchmark("Text/sfml-depth", sfmlText, true));
    configure(benchmark::RegisterBenchmark("Sprites/runtime", runtimeSprites));
    configure(benchmark::RegisterBenchmark("Sprites/sfml", sfmlSprites, false));
    configure(benchmark::RegisterBenchmark("Sprites/sfml-depth", sfmlSprites, true));
    return 0;
}

const int registered = registerAll();

}  // namespace
