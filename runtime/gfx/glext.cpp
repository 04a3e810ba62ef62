#include "gfx/glext.h"

#include <cstring>

#include "core/log.h"
#include "platform/window.h"

namespace qvt {

namespace {

GlExtensions extensions;

template <typename Fn>
void fetch(Fn& slot, const char* name) {
    slot = reinterpret_cast<Fn>(platform::glProcAddress(name));
}

bool mentions(const char* list, const char* name) {
    return list != nullptr && std::strstr(list, name) != nullptr;
}

void loadMultitexture() {
    fetch(extensions.activeTexture, "glActiveTextureARB");
    fetch(extensions.multiTexCoord2f, "glMultiTexCoord2fARB");
    fetch(extensions.clientActiveTexture, "glClientActiveTextureARB");
    fetch(extensions.genBuffers, "glGenBuffersARB");
    fetch(extensions.bindBuffer, "glBindBufferARB");
    fetch(extensions.bufferData, "glBufferDataARB");
    fetch(extensions.deleteBuffers, "glDeleteBuffersARB");
    fetch(extensions.mapBuffer, "glMapBufferARB");
    fetch(extensions.unmapBuffer, "glUnmapBufferARB");
    fetch(extensions.getBufferParameteriv, "glGetBufferParameterivARB");
}

void loadFragmentProgram() {
    fetch(extensions.genPrograms, "glGenProgramsARB");
    fetch(extensions.bindProgram, "glBindProgramARB");
    fetch(extensions.programString, "glProgramStringARB");
    fetch(extensions.deletePrograms, "glDeleteProgramsARB");
    fetch(extensions.programEnvParameter4f, "glProgramEnvParameter4fARB");
    fetch(extensions.programLocalParameter4f, "glProgramLocalParameter4fARB");
}

}  // namespace

const GlExtensions& GlExt() { return extensions; }

void LoadGlExtensions() {
    extensions = GlExtensions{};
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (mentions(list, "GL_ARB_multitexture")) loadMultitexture();
    if (mentions(list, "GL_ARB_fragment_program")) loadFragmentProgram();

    extensions.bgra = mentions(list, "_texture_format_BGRA8888") || mentions(list, "GL_EXT_bgra");
    if (extensions.bgra) {
        WriteLog("BGRA ext supported\n");
    } else {
        WriteLogFormat("BGRA ext NOT supported\n%s\n", list != nullptr ? list : "");
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    extensions.maxTextureSize = maxSize;
    WriteLogFormat("Texture size limit: %d\n", maxSize);
}

}  // namespace qvt
