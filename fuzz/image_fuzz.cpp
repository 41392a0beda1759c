// Fuzz target: image decoding on arbitrary bytes, exactly as the texture
// loader decodes a file before its upload (no GL context needed). Whatever
// the file holds, the result is either empty or a whole 24-bit picture no
// larger than the largest side asked for; every byte of it is read, so a
// short buffer shows up under AddressSanitizer.
#include "FuzzFiles.h"

#include "textureloader/ImageDecoder.h"

#include <cstdio>
#include <cstdlib>

namespace {

// As large as the largest texture of common drivers (llvmpipe's included).
constexpr unsigned largestSide = 16384;

void fail(const char* what)
{
    std::fprintf(stderr, "image decoding invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = writeFuzzFile("image", data, size);
    const DecodedImage image = decodeImage(path, largestSide);
    if (image.pixels() == nullptr) {
        if (image.width() != 0 || image.height() != 0) {
            fail("an empty image with a size");
        }
        return 0;
    }
    if (image.width() == 0 || image.height() == 0 || image.width() > largestSide || image.height() > largestSide) {
        fail("a decoded image of a size GL does not take");
    }
    const size_t rowBytes = (3 * static_cast<size_t>(image.width()) + 3) / 4 * 4;
    unsigned sum = 0;
    for (size_t i = 0; i < rowBytes * image.height(); ++i) {
        sum += image.pixels()[i];
    }
    // Keeps the reads from being optimised away.
    if (sum == 0xFFFFFFFFu) {
        std::fputc('.', stderr);
    }
    return 0;
}
