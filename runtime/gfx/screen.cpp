#include "gfx/screen.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/lifecycle.h"
#include "gfx/context.h"
#include "platform/window.h"

namespace qvt {

namespace {

bool hasExtension(const char* name) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (list == nullptr) return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

void deleteAllTextures(GraphicsContext& g) {
    std::vector<GLuint> names;
    for (const SpriteRecord& rec : g.sprites) {
        if (rec.texture != 0) names.push_back(rec.texture);
        if (rec.mipTexture != 0) names.push_back(rec.mipTexture);
    }
    if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
}

// Quarter turns applied in normalised device coordinates, column-major for glMultMatrixf.
void loadOrientation(std::int32_t orientation) {
    GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (orientation == 1) {         // (x, y) -> (y, -x)
        m[0] = 0; m[1] = -1; m[4] = 1; m[5] = 0;
    } else if (orientation == 2) {  // (x, y) -> (-x, -y)
        m[0] = -1; m[5] = -1;
    } else if (orientation == 3) {  // (x, y) -> (-y, x)
        m[0] = 0; m[1] = 1; m[4] = -1; m[5] = 0;
    }
    glMultMatrixf(m);
}

// The window rectangle (from the bottom-left, GL's way) that shows the 2D rectangle
// (x, y, w, h) once the picture is turned.
void windowRect(const GraphicsContext& g, std::int32_t x, std::int32_t y, std::int32_t w,
                std::int32_t h, GLint out[4]) {
    const std::int32_t sw = g.screenWidth;
    const std::int32_t sh = g.screenHeight;
    switch (g.orientation) {
    case 1: out[0] = sw - y - h; out[1] = sh - x - w; out[2] = h; out[3] = w; break;
    case 2: out[0] = sw - x - w; out[1] = y;          out[2] = w; out[3] = h; break;
    case 3: out[0] = y;          out[1] = x;          out[2] = h; out[3] = w; break;
    default: out[0] = x;         out[1] = sh - h - y; out[2] = w; out[3] = h; break;
    }
}

}  // namespace

void InitGraphics(int width, int height) {
    ShutdownGraphics();
    GraphicsContext& g = createGraphicsContext(width, height);
    if (hasExtension("GL_ARB_multitexture")) {
        g.activeTexture =
            reinterpret_cast<ActiveTextureFn>(platform::glProcAddress("glActiveTextureARB"));
    }
    RegisterShutdownStep(ShutdownStep::Renderer, &ShutdownGraphics);
    ResetScreenState();
}

void ShutdownGraphics() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    // Without a window the GL context (and every texture with it) is already gone.
    if (platform::windowOpen()) deleteAllTextures(*g);
    destroyGraphicsContext();
}

void SetViewport(int x, int y, int width, int height) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    if (width < 1 || height < 1) {
        x = 0;
        y = 0;
        const bool turned = g->orientation == 1 || g->orientation == 3;
        width = turned ? g->screenHeight : g->screenWidth;
        height = turned ? g->screenWidth : g->screenHeight;
    }
    GLint rect[4];
    windowRect(*g, x, y, width, height, rect);
    glViewport(rect[0], rect[1], rect[2], rect[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (g->orientation != 0) loadOrientation(g->orientation);
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    g->viewportX = x;
    g->viewportY = y;
    g->viewportWidth = width;
    g->viewportHeight = height;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GetViewport(int* x, int* y, int* width, int* height) {
    const GraphicsContext* g = graphics();
    if (x != nullptr) *x = g != nullptr ? g->viewportX : 0;
    if (y != nullptr) *y = g != nullptr ? g->viewportY : 0;
    if (width != nullptr) *width = g != nullptr ? g->viewportWidth : 0;
    if (height != nullptr) *height = g != nullptr ? g->viewportHeight : 0;
}

void SetOrientation(int n) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    g->orientation = std::clamp(n, 0, 3);
    SetViewport(0, 0, 0, 0);
}

void SetClearColour(double colour) {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    if (truncToInt(colour) == -1) {
        g->clearColourFlag = 0;
        return;
    }
    const std::uint32_t c = packedColour(colour);
    g->clearColourFlag = 1;
    glClearColor(static_cast<float>(c & 0xFF) / 255.0f,
                 static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                 static_cast<float>((c >> 16) & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void ResetScreenState() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    SetViewport(0, 0, 0, 0);
    forgetCapabilities();
    setCapability(GL_DEPTH_TEST, false);
    setCapability(GL_CULL_FACE, false);
    glFrontFace(GL_CCW);
    setCapability(GL_ALPHA_TEST, true);
    glAlphaFunc(GL_GREATER, kDefaultAlphaThreshold);
    g->alphaThreshold = kDefaultAlphaThreshold;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (GLenum cap : {GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_STENCIL_TEST, GL_NORMALIZE,
                       GL_LIGHTING}) {
        setCapability(cap, false);
    }
    glShadeModel(GL_FLAT);
    for (GLenum cap : {GL_COLOR_MATERIAL, GL_DITHER, GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT,
                       GL_AUTO_NORMAL}) {
        setCapability(cap, false);
    }
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    g->smoothing = 1;
    BindSprite(kNoSprite);
    setCapability(GL_BLEND, false);
    g->blendAlpha = 1.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void BeginFrame() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    GLbitfield mask = 0;
    if (g->clearColourFlag != 0) mask |= GL_COLOR_BUFFER_BIT;
    if (g->depthClearFlag != 0) {
        mask |= GL_DEPTH_BUFFER_BIT;
        g->depthClearFlag = 0;
    }
    if (mask != 0) glClear(mask);
}

void EndFrameState() {
    GraphicsContext* g = graphics();
    if (g == nullptr) return;
    setCapability(GL_BLEND, false);
    g->blendAlpha = 1.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    ResetScreenState();
}

}  // namespace qvt
