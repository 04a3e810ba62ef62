// OpenGL extension entry points and limits, read once when the window is created.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

namespace qvt {

struct GlExtensions {
    // GL_ARB_multitexture (and the ARB buffer objects fetched with it); null when absent.
    PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;
    PFNGLMULTITEXCOORD2FARBPROC multiTexCoord2f = nullptr;
    PFNGLCLIENTACTIVETEXTUREARBPROC clientActiveTexture = nullptr;
    PFNGLGENBUFFERSARBPROC genBuffers = nullptr;
    PFNGLBINDBUFFERARBPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAARBPROC bufferData = nullptr;
    PFNGLDELETEBUFFERSARBPROC deleteBuffers = nullptr;
    PFNGLMAPBUFFERARBPROC mapBuffer = nullptr;
    PFNGLUNMAPBUFFERARBPROC unmapBuffer = nullptr;
    PFNGLGETBUFFERPARAMETERIVARBPROC getBufferParameteriv = nullptr;
    // GL_ARB_fragment_program (the 3D side's shaders); null when absent.
    PFNGLGENPROGRAMSARBPROC genPrograms = nullptr;
    PFNGLBINDPROGRAMARBPROC bindProgram = nullptr;
    PFNGLPROGRAMSTRINGARBPROC programString = nullptr;
    PFNGLDELETEPROGRAMSARBPROC deletePrograms = nullptr;
    PFNGLPROGRAMENVPARAMETER4FARBPROC programEnvParameter4f = nullptr;
    PFNGLPROGRAMLOCALPARAMETER4FARBPROC programLocalParameter4f = nullptr;
    // Textures may be uploaded as BGRA.
    bool bgra = false;
    // GL_MAX_TEXTURE_SIZE, in pixels per side.
    int maxTextureSize = 0;
};

// The entry points and limits of the current window's context (all empty before).
const GlExtensions& GlExt();
// Window creation: reads them from the current context and logs the BGRA and texture
// size lines.
void LoadGlExtensions();

}  // namespace qvt
