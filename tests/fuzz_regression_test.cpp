// Inputs the fuzzers (fuzz/) found to crash the loaders or exhaust memory,
// kept as regression tests: each case below rebuilds one such file, and the
// last case replays every committed regression input of the fuzz corpus
// through the real loaders.
#include "asset/Asset.h"
#include "modelloader/ModelLoader.h"
#include "readback/ProcessMemory.h"
#include "support/CapturedStdout.h"
#include "support/GLReadback.h"
#include "support/Scratch.h"
#include "textureloader/ImageDecoder.h"
#include "textureloader/TextureLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A JPEG from the fuzz corpus whose frame header now declares `side` x
// `side` pixels: a few hundred bytes that promise hundreds of megabytes.
std::string jpegDeclaring(unsigned side)
{
    std::string jpeg =
        readFile((fs::path(KOV_SOURCE_DIR) / "fuzz/corpus/image_fuzz/baseline-444-3x2.jpg").string());
    const size_t frame = jpeg.find("\xFF\xC0");
    if (frame == std::string::npos || frame + 9 > jpeg.size()) {
        return "";
    }
    for (size_t at : {frame + 5, frame + 7}) {
        jpeg[at] = static_cast<char>(side >> 8);
        jpeg[at + 1] = static_cast<char>(side & 0xFF);
    }
    return jpeg;
}

GLint textureWidth(GLuint texture)
{
    GLint width = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}

} // namespace

// A few bytes of image header declaring more pixels per side than GL takes
// in one texture: the image is treated as unreadable (an empty texture)
// without being decoded. Decoding it used to allocate and clear the whole
// bitmap, and a 24-bit copy of it, before the upload failed anyway (the
// texture fuzzer stopped on the allocation).
TEST(FuzzRegression, ImageLargerThanAnyTextureIsNotDecoded)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    ScratchDirectory dir;
    const std::string huge = jpegDeclaring(static_cast<unsigned>(largest) + 1);
    ASSERT_FALSE(huge.empty()) << "the corpus JPEG has no baseline frame header";
    dir.write("huge.jpg", huge);
    ASSERT_TRUE(resetPeak()) << "cannot reset the peak memory measurement";
    const long before = statusKiB("VmHWM");

    std::unique_ptr<Texture> texture(TextureLoader::getInstance().loadTexture(dir.file("huge.jpg"), 0));

    const long grown = statusKiB("VmHWM") - before;
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(glIsTexture(texture->m_handle));
    EXPECT_EQ(textureWidth(texture->m_handle), 0);
    // Decoded, the image would take over 250 MB, and its 24-bit copy 800 MB.
    EXPECT_LT(grown, 64 * 1024) << "peak memory grew by " << grown << " kB";
}

// JPEG files of a few hundred bytes whose frame header declares tens or
// hundreds of megapixels: the decoder made up the missing scans (seconds of
// work and hundreds of megabytes), and for a frame whose first scan holds one
// of three components, even the header-only read allocated and cleared
// coefficients for the whole picture (16 s for 298 bytes of 17168 x 33296;
// the image fuzzer's time limit stopped on both). No Huffman-coded JPEG holds
// that many pixels in so few bytes, so neither is decoded, nor its header read
// by the decoder, and neither is a JPEG whose frame fits the texture limit
// but not its bytes. The densest valid PNG near the texture limit (flat, one
// bit a pixel, deflated about 1030-fold: over 8 200 pixels a byte) is still
// decoded.
TEST(FuzzRegression, JpegsFarTooSmallForTheirDeclaredSizeAreNotDecoded)
{
    const fs::path corpus = fs::path(KOV_SOURCE_DIR) / "fuzz/corpus/image_fuzz";
    ScratchDirectory dir;
    dir.write("8000-square.jpg", jpegDeclaring(8000));
    for (const fs::path& path :
         {corpus / "regression-jpeg-declaring-33-megapixels",
          corpus / "regression-jpeg-one-scan-of-a-17168x33296-frame", fs::path(dir.file("8000-square.jpg"))}) {
        SCOPED_TRACE(path.string());
        ASSERT_TRUE(fs::is_regular_file(path));
        ASSERT_TRUE(resetPeak()) << "cannot reset the peak memory measurement";
        const long before = statusKiB("VmHWM");
        EXPECT_EQ(decodeImage(path.string(), 16384).width(), 0u);
        EXPECT_LT(statusKiB("VmHWM") - before, 16 * 1024) << "the picture was decoded";
    }

    const std::string flat = pngBytes(16000, 16000, 1, 0, std::string(16000 * 2001, '\0'));
    ASSERT_GT(16000.0 * 16000.0 / double(flat.size()), 8200.0);
    dir.write("flat.png", flat);
    const DecodedImage decoded = decodeImage(dir.file("flat.png"), 16384);
    ASSERT_EQ(decoded.width(), 16000u);
    EXPECT_EQ(decoded.height(), 16000u);
    EXPECT_EQ(std::vector<int>(decoded.pixels(), decoded.pixels() + 3), (std::vector<int>{0, 0, 0}));
}

// The importer picks its reader by the file's extension or content, and its
// other readers are not the viewer's to run: a valid PLY file, and an OFF
// file that made the OFF reader's triangulation fail its own consistency
// check (which aborted the process), are refused like any unreadable model:
// one line from the importer, false, the asset untouched.
TEST(FuzzRegression, ModelsInOtherFormatsReachNoOtherReader)
{
    ScratchDirectory dir;
    std::string off = "OFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3";
    off += std::string(31, '\x05');
    off += std::string("\0\0 0 3 2\n3 1 2 3\n", 18);
    dir.write("tripping.off", off);
    dir.write("tetrahedron.ply", "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                                 "property float z\nelement face 4\nproperty list uchar int vertex_indices\n"
                                 "end_header\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n");

    for (const char* name : {"tripping.off", "tetrahedron.ply"}) {
        SCOPED_TRACE(name);
        Asset asset(true, false, 0);
        bool loaded = false;
        const std::string out =
            stdoutOf([&] { loaded = ModelLoader::getInstance().loadModel(dir.file(name), &asset, true); });

        EXPECT_FALSE(loaded);
        EXPECT_NE(out.find("No suitable reader found"), std::string::npos) << out;
        EXPECT_EQ(asset.getVao(), 0u);
        EXPECT_EQ(asset.getNumIndices(), 0);
    }
}

// Every "regression-*" input of the fuzz corpus through the loader its fuzzer
// drives, with the fuzzers' own file naming (a model input's first byte picks
// the options). None may crash; the model import must
// leave an asset it fails on untouched.
TEST(FuzzRegression, CommittedRegressionInputsLoadOrFailCleanly)
{
    const fs::path corpus = fs::path(KOV_SOURCE_DIR) / "fuzz" / "corpus";
    ScratchDirectory dir;
    int replayed = 0;
    for (const char* target : {"model_fuzz", "obj_fuzz", "image_fuzz"}) {
        if (!fs::is_directory(corpus / target)) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(corpus / target)) {
            if (entry.path().filename().string().rfind("regression-", 0) != 0) {
                continue;
            }
            SCOPED_TRACE(entry.path().string());
            const std::string bytes = readFile(entry.path().string());
            ++replayed;
            if (std::string(target) == "image_fuzz") {
                dir.write("image", bytes);
                std::unique_ptr<Texture> texture(TextureLoader::getInstance().loadTexture(dir.file("image"), 0));
                EXPECT_TRUE(texture != nullptr && glIsTexture(texture->m_handle));
                continue;
            }
            ASSERT_FALSE(bytes.empty());
            const bool withSelector = std::string(target) == "model_fuzz";
            const uint8_t selector = withSelector ? static_cast<uint8_t>(bytes[0]) : 4;
            const std::string name = "model" + std::to_string(replayed) + ".obj";
            dir.write(name, withSelector ? bytes.substr(1) : bytes);
            Asset asset(true, (selector & 8) != 0, 0);
            bool loaded = false;
            stdoutOf([&] {
                loaded = ModelLoader::getInstance().loadModel(dir.file(name), &asset, (selector & 4) != 0);
            });
            if (!loaded) {
                EXPECT_EQ(asset.getVao(), 0u);
                EXPECT_EQ(asset.getNumIndices(), 0);
            }
        }
    }
    EXPECT_GE(replayed, 2) << "the committed regression inputs are missing";
}
