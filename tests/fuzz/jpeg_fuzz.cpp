// The JPEG glue over libjpeg on arbitrary bytes: libjpeg's error_exit must come back as a
// clean refusal, and an accepted picture must be whole and opaque unless it has four
// channels.
#include <stdlib.h>

#include <filesystem>

#include "fuzz.h"
#include "gfx/image_decode.h"

// The decoder logs odd channel counts to ErrorLog.txt in the private temporary folder; a
// folder of the run's own keeps the user's log clean.
static char scratch[] = "/tmp/qvt-jpeg-fuzz-XXXXXX";

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (mkdtemp(scratch) == nullptr) return 0;
    setenv("TMPDIR", scratch, 1);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    });
    return 0;
}

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    qvt::DecodeOptions options;
    options.maxPixels = kFuzzMaxPixels;
    qvt::DecodedImage image;
    const qvt::DecodeStatus status = qvt::DecodeJpeg(std::span(data, size), options, image);
    if (!acceptedWhole(status == qvt::DecodeStatus::Decoded, image)) return;
    for (std::size_t i = 3; i < image.byteCount(); i += 4) {
        if (image.keyed == 0 && image.pixels[i] != 255) std::abort();
    }
}
