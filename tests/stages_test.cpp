// The stage pictures of kov_stages (tools/recorder/stages.cpp) against the
// technique they illustrate: the stencil counts of one frame are the shadows
// of that same frame. Where the count is non-zero the lit pass wrote
// nothing, so the pixel has the lit colour once (the additive pass alone);
// where it is zero it has the lit colour twice. A count drawn from another
// frame or read from another buffer puts shadows where the frame has none.
#include "support/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int width = 1024;
const int height = 768;

// The pixels of a binary PGM or PPM that kov_stages wrote ("P5"/"P6", its
// size, 255); empty when the file is not that.
std::vector<uint8_t> readPicture(const std::string& path, int channels)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::string text = bytes.str();
    const std::string header = std::string(channels == 3 ? "P6" : "P5") + "\n" + std::to_string(width) + " " +
                               std::to_string(height) + "\n255\n";
    if (text.rfind(header, 0) != 0 ||
        text.size() != header.size() + static_cast<size_t>(width) * height * channels) {
        return {};
    }
    return std::vector<uint8_t>(text.begin() + static_cast<long>(header.size()), text.end());
}

// Whether the count is the same all around a pixel: at a shadow's edge the
// frame's samples differ, and the resolved colour blends both sides.
bool insideOneRegion(const std::vector<uint8_t>& counts, int x, int y)
{
    const bool shadowed = counts[static_cast<size_t>(y) * width + x] != 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if ((counts[static_cast<size_t>(y + dy) * width + x + dx] != 0) != shadowed) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

TEST(Stages, StencilCountsAreTheShadowsOfTheFinalFrame)
{
    const std::string out = testing::TempDir() + "kov-stages";
    std::system(("rm -rf '" + out + "' && mkdir -p '" + out + "'").c_str());
    ProcessOptions options;
    options.workingDirectory = KOV_SOURCE_DIR;
    options.timeoutSeconds = 200.0;
    const ProcessResult result = runProcess({KOV_STAGES, "--time", "13", out}, options);
    ASSERT_TRUE(result.exited && result.exitCode == 0) << result.err;

    const std::vector<uint8_t> counts = readPicture(out + "/stencil-counts.pgm", 1);
    const std::vector<uint8_t> lit = readPicture(out + "/4-lit.ppm", 3);
    const std::vector<uint8_t> final = readPicture(out + "/6-final.ppm", 3);
    ASSERT_FALSE(counts.empty());
    ASSERT_FALSE(lit.empty());
    ASSERT_FALSE(final.empty());

    long shadowed = 0;
    long litTwice = 0;
    long shadowedButLit = 0;
    long notLitTwice = 0;
    for (int y = 1; y < height - 1; ++y) {
        for (int x = 1; x < width - 1; ++x) {
            const size_t p = (static_cast<size_t>(y) * width + x) * 3;
            if (!insideOneRegion(counts, x, y) || std::max({final[p], final[p + 1], final[p + 2]}) < 8) {
                continue;
            }
            if (counts[p / 3] != 0) {
                // Lit once: the lit pass left the pixel black.
                ++shadowed;
                shadowedButLit += std::max({lit[p], lit[p + 1], lit[p + 2]}) > 0 ? 1 : 0;
            } else {
                // Lit twice: the final colour is the lit colour doubled.
                ++litTwice;
                for (int c = 0; c < 3; ++c) {
                    if (std::abs(final[p + c] - std::min(255, 2 * lit[p + c])) > 2) {
                        ++notLitTwice;
                        break;
                    }
                }
            }
        }
    }
    // Both kinds of pixel in numbers, so that the rule is tested, not assumed.
    EXPECT_GT(shadowed, width * height / 40);
    EXPECT_GT(litTwice, width * height / 4);
    // The counts of the frame a tenth of a second earlier put 4 % of these
    // pixels on the wrong side.
    EXPECT_LE(shadowedButLit, shadowed / 1000)
        << shadowedButLit << " of " << shadowed << " counted pixels were lit";
    // Where faces of the corridor lie on one another, the lit pass keeps the
    // last and the additive pass adds both: about 0.6 % of these pixels.
    EXPECT_LE(notLitTwice, litTwice / 100) << notLitTwice << " of " << litTwice << " pixels are not lit twice";
}
