// The JPEG glue over libjpeg on arbitrary bytes: libjpeg's error_exit must come back as a
// clean refusal, and an accepted picture must be whole and opaque unless it has four
// channels.
#include <stdlib.h>

#include <filesystem>

#include "fuzz.h"
#include "gfx/image_decode.h"

namespace {

std::string scratch;

void removeScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

// The decoder logs odd channel counts to ErrorLog.txt in the private temporary folder; a
// folder of the run's own keeps the user's log clean.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/qvt-jpeg-fuzz-XXXXXX";
    if (mkdtemp(pattern) != nullptr) {
        scratch = pattern;
        setenv("TMPDIR", pattern, 1);
        std::atexit(removeScratch);
    }
    return 0;
}

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    qvt::DecodeOptions options;
    options.maxPixels = kFuzzMaxPixels;
    qvt::DecodedImage image;
    const qvt::DecodeStatus status = qvt::DecodeJpeg(std::span(data, size), options, image);
    if (status != qvt::DecodeStatus::Decoded) {
        if (image.width != 0 || image.height != 0) std::abort();
        return;
    }
    if (image.width < 1 || image.height < 1 || image.pixels.size() < image.byteCount())
        std::abort();
    for (std::size_t i = 3; i < image.byteCount(); i += 4) {
        if (image.keyed == 0 && image.pixels[i] != 255) std::abort();
    }
}
