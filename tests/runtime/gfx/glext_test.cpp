// GL entry points by name: what the window's extension loader found is what the platform
// query reports, with the name's case kept.
#include "gfx/glext.h"

#include <gtest/gtest.h>

#include <string>

#include "files/platform_info.h"
#include "support/gl_fixture.h"
#include "support/headless.h"

namespace qvt {
namespace {

std::string ask(const char* key) { return std::string(QueryPlatformInfo(key).view()); }

TEST(GlExtTest, PlatformQueryFindsTheLoadedEntryPoints) {
    ASSERT_TRUE(test::openTestWindow());
    test::useScratchTempDir();  // the loader logs what it found
    LoadGlExtensions();
    ASSERT_NE(GlExt().activeTexture, nullptr) << "Mesa offers GL_ARB_multitexture";
    EXPECT_EQ(ask("glext:glActiveTextureARB"), "1");
    EXPECT_EQ(ask("GLEXT:GLACTIVETEXTUREARB"), "0") << "the name keeps its case";
    EXPECT_EQ(ask("GLEXT:"), "0");
}

}  // namespace
}  // namespace qvt
