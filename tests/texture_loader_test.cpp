// The texture loader on images written here with FreeImage, read back from
// GL: colour conversion, row layout, texture unit, mipmaps and filters, and
// files that are missing or broken.
#include "support/CapturedStdout.h"
#include "support/GLReadback.h"
#include "support/Scratch.h"
#include "textureloader/TextureLoader.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace {

using Rgb = std::array<uint8_t, 3>;

// Writes a width x height image of `bpp` bits per pixel (24 or 32); `colour`
// gives the colour of pixel (x, row), row 0 being FreeImage's first scanline
// (the bottom of the picture); `alpha` the alpha of 32-bit pixels.
void writeImage(const std::string& path, FREE_IMAGE_FORMAT format, int width, int height, int bpp,
                const std::function<Rgb(int, int)>& colour,
                const std::function<uint8_t(int, int)>& alpha = nullptr)
{
    FIBITMAP* image = FreeImage_Allocate(width, height, bpp);
    ASSERT_NE(image, nullptr);
    const int bytes = bpp / 8;
    for (int row = 0; row < height; ++row) {
        BYTE* line = FreeImage_GetScanLine(image, row);
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, row);
            line[x * bytes + FI_RGBA_RED] = c[0];
            line[x * bytes + FI_RGBA_GREEN] = c[1];
            line[x * bytes + FI_RGBA_BLUE] = c[2];
            if (bytes == 4) {
                line[x * bytes + FI_RGBA_ALPHA] = alpha ? alpha(x, row) : 255;
            }
        }
    }
    ASSERT_TRUE(FreeImage_Save(format, image, path.c_str(), 0)) << path;
    FreeImage_Unload(image);
}

Rgb at(const RgbImage& image, int x, int y)
{
    const uint8_t* p = image.at(x, y);
    return {p[0], p[1], p[2]};
}

// Saves a PNG of `image`, which must be of colour type `type`, and frees it.
void savePng(FIBITMAP* image, FREE_IMAGE_COLOR_TYPE type, const std::string& path)
{
    ASSERT_EQ(FreeImage_GetColorType(image), type);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, image, path.c_str(), 0));
    FreeImage_Unload(image);
}

// Every channel of `got` within `tolerance` of `want`'s.
void expectNear(const Rgb& got, const Rgb& want, int tolerance)
{
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_NEAR(got[c], want[c], tolerance) << "channel " << c;
    }
}

struct TextureDeleter {
    void operator()(Texture* texture) const
    {
        stdoutOf([&] { delete texture; });
    }
};
using TexturePtr = std::unique_ptr<Texture, TextureDeleter>;

TexturePtr load(const std::string& path, int unit = 0)
{
    return TexturePtr(TextureLoader::getInstance().loadTexture(path, unit));
}

class TextureLoading : public ::testing::Test {
protected:
    // Loads `path` into a texture and reads it back, which must be width x
    // height pixels.
    void loadAndRead(const std::string& path, int width, int height, RgbImage* read)
    {
        auto texture = load(path);
        ASSERT_NE(texture, nullptr);
        *read = readTexture(texture->m_handle);
        ASSERT_EQ(read->width, width);
        ASSERT_EQ(read->height, height);
    }

    // Loads `path` and expects every pixel (x, row) of it to be colour(x, row).
    void expectPixels(const std::string& path, int width, int height, const std::function<Rgb(int, int)>& colour)
    {
        RgbImage read;
        ASSERT_NO_FATAL_FAILURE(loadAndRead(path, width, height, &read));
        for (int row = 0; row < height; ++row) {
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(at(read, x, row), colour(x, row)) << path << " pixel " << x << "," << row;
            }
        }
        // The first scanline (the bottom of the picture) is texture row t = 0.
        EXPECT_EQ(at(read, 0, 0), colour(0, 0)) << path;
        EXPECT_NE(at(read, 0, 0), colour(0, height - 1)) << path << " is upside down";
    }

    void TearDown() override
    {
        glActiveTexture(GL_TEXTURE0);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    ScratchDirectory dir;
};

} // namespace

TEST_F(TextureLoading, TransparentPngUploadsAsOpaqueColour)
{
    const std::string path = dir.file("alpha.png");
    // Left half fully transparent, right half half transparent; colours vary.
    ASSERT_NO_FATAL_FAILURE(writeImage(
        path, FIF_PNG, 4, 2, 32,
        [](int x, int row) {
            return Rgb{static_cast<uint8_t>(200 - 40 * x), 100, static_cast<uint8_t>(50 + 100 * row)};
        },
        [](int x, int) { return static_cast<uint8_t>(x < 2 ? 0 : 128); }));
    auto texture = load(path);
    ASSERT_NE(texture->m_handle, 0u);

    glBindTexture(GL_TEXTURE_2D, texture->m_handle);
    GLint alphaBits = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
    EXPECT_EQ(alphaBits, 0) << "an alpha channel was uploaded";
    std::array<uint8_t, 4 * 2 * 4> rgba{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = &rgba[static_cast<size_t>((row * 4 + x) * 4)];
            EXPECT_EQ(p[0], 200 - 40 * x) << x << "," << row;
            EXPECT_EQ(p[1], 100) << x << "," << row;
            EXPECT_EQ(p[2], 50 + 100 * row) << x << "," << row;
            EXPECT_EQ(p[3], 255) << x << "," << row;
        }
    }
}

TEST_F(TextureLoading, GreyscaleAndPalettisedImagesExpandToColour)
{
    // 8-bit greyscale: FreeImage_Allocate gives a linear grey palette.
    {
        const std::string path = dir.file("grey.png");
        FIBITMAP* image = FreeImage_Allocate(4, 2, 8);
        ASSERT_NE(image, nullptr);
        for (int row = 0; row < 2; ++row) {
            BYTE* line = FreeImage_GetScanLine(image, row);
            for (int x = 0; x < 4; ++x) {
                line[x] = static_cast<BYTE>(30 + 50 * x + 20 * row);
            }
        }
        ASSERT_NO_FATAL_FAILURE(savePng(image, FIC_MINISBLACK, path));
        expectPixels(path, 4, 2, [](int x, int row) {
            const uint8_t v = static_cast<uint8_t>(30 + 50 * x + 20 * row);
            return Rgb{v, v, v};
        });
    }
    // 8-bit palettised, with a palette of distinct colours.
    {
        const std::string path = dir.file("palette.png");
        FIBITMAP* image = FreeImage_Allocate(3, 2, 8);
        ASSERT_NE(image, nullptr);
        RGBQUAD* palette = FreeImage_GetPalette(image);
        const Rgb colours[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 200, 200}, {90, 40, 10}};
        for (int i = 0; i < 256; ++i) {
            const Rgb c = colours[i % 6];
            palette[i].rgbRed = c[0];
            palette[i].rgbGreen = c[1];
            palette[i].rgbBlue = c[2];
            palette[i].rgbReserved = 0;
        }
        for (int row = 0; row < 2; ++row) {
            BYTE* line = FreeImage_GetScanLine(image, row);
            for (int x = 0; x < 3; ++x) {
                line[x] = static_cast<BYTE>(row * 3 + x);
            }
        }
        ASSERT_NO_FATAL_FAILURE(savePng(image, FIC_PALETTE, path));
        expectPixels(path, 3, 2, [&](int x, int row) { return colours[row * 3 + x]; });
    }
}

TEST_F(TextureLoading, OddWidthRowsAreNeitherShearedNorFlipped)
{
    // 5 pixels of 3 bytes: 15-byte rows, padded to 16 in FreeImage's storage.
    auto colour = [](int x, int row) {
        return Rgb{static_cast<uint8_t>(10 + 60 * x), static_cast<uint8_t>(20 + 70 * row),
                   static_cast<uint8_t>(x == row ? 255 : 0)};
    };
    const std::string path = dir.file("odd.png");
    ASSERT_NO_FATAL_FAILURE(writeImage(path, FIF_PNG, 5, 3, 24, colour));
    expectPixels(path, 5, 3, colour);
}

// Only JPEG and PNG go to a decoder. FreeImage's own readers of the other
// formats have written past their buffers, hung and allocated gigabytes on
// files of a few hundred bytes; a valid image in such a format, whatever its
// file name, is treated like an unreadable file, and so is a bitmap header
// whose width overflows that reader's arithmetic.
TEST_F(TextureLoading, ImagesOfOtherFormatsAreNotDecoded)
{
    const auto colour = [](int x, int row) {
        return Rgb{static_cast<uint8_t>(60 * x), static_cast<uint8_t>(90 * row), 9};
    };
    for (FREE_IMAGE_FORMAT format : {FIF_BMP, FIF_TARGA, FIF_TIFF, FIF_PPM}) {
        const std::string path = dir.file(std::string("image") + std::to_string(format) + ".jpg");
        ASSERT_NO_FATAL_FAILURE(writeImage(path, format, 3, 2, 24, colour));
        // FreeImage itself would read it.
        ASSERT_NE(FreeImage_GetFileType(path.c_str(), 0), FIF_UNKNOWN) << path;
        TexturePtr texture;
        const std::string out = stdoutOf([&] { texture = load(path); });
        EXPECT_EQ(out, "");
        EXPECT_TRUE(glIsTexture(texture->m_handle));
        EXPECT_EQ(readTexture(texture->m_handle).width, 0) << "format " << format << " was decoded";
    }
    dir.write("bitmap.jpg", "P49999999999999999999999999999999999999999999995 2P66+8!27P");
    auto texture = load(dir.file("bitmap.jpg"));
    EXPECT_EQ(readTexture(texture->m_handle).width, 0);
}

TEST_F(TextureLoading, JpegColoursSurviveWithinCompressionLoss)
{
    const std::string path = dir.file("blocks.jpg");
    // Two flat 16 x 16 blocks side by side.
    ASSERT_NO_FATAL_FAILURE(writeImage(path, FIF_JPEG, 32, 16, 24, [](int x, int) {
        return x < 16 ? Rgb{220, 40, 30} : Rgb{20, 60, 200};
    }));
    RgbImage read;
    ASSERT_NO_FATAL_FAILURE(loadAndRead(path, 32, 16, &read));
    expectNear(at(read, 4, 8), {220, 40, 30}, 12);
    expectNear(at(read, 28, 8), {20, 60, 200}, 12);
}

TEST_F(TextureLoading, UnitIsSelectedAndLeftActive)
{
    const std::string path = dir.file("unit.png");
    ASSERT_NO_FATAL_FAILURE(writeImage(path, FIF_PNG, 2, 2, 24, [](int, int) { return Rgb{1, 2, 3}; }));
    glActiveTexture(GL_TEXTURE0);

    auto normalMap = load(path, 1);
    EXPECT_EQ(normalMap->m_unit, 1);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE1);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), normalMap->m_handle) << "not bound on unit 1";

    auto colour = load(path, 0);
    EXPECT_EQ(colour->m_unit, 0);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), colour->m_handle);
    // Unit 1 still holds the normal map.
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), normalMap->m_handle);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(TextureLoading, MipmapsAndFilters)
{
    const std::string path = dir.file("mips.png");
    ASSERT_NO_FATAL_FAILURE(writeImage(path, FIF_PNG, 8, 4, 24, [](int, int) { return Rgb{40, 160, 240}; }));
    auto texture = load(path);
    glBindTexture(GL_TEXTURE_2D, texture->m_handle);
    GLint minFilter = 0;
    GLint magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_REPEAT);

    const RgbImage level1 = readTexture(texture->m_handle, 1);
    EXPECT_EQ(level1.width, 4);
    EXPECT_EQ(level1.height, 2);
    ASSERT_FALSE(level1.pixels.empty());
    EXPECT_EQ(at(level1, 1, 1), (Rgb{40, 160, 240})) << "level 1 was not generated from level 0";
    const RgbImage last = readTexture(texture->m_handle, 3);
    EXPECT_EQ(last.width, 1);
    EXPECT_EQ(last.height, 1);
}

TEST_F(TextureLoading, MissingFileGivesASilentRecordThatDeletesItsTexture)
{
    const std::string path = dir.file("nowhere.png");
    Texture* texture = nullptr;
    const std::string out = stdoutOf([&] { texture = TextureLoader::getInstance().loadTexture(path, 1); });
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(out, "");
    EXPECT_NE(texture->m_handle, 0u);
    EXPECT_EQ(texture->m_unit, 1);
    const GLuint handle = texture->m_handle;
    EXPECT_TRUE(glIsTexture(handle));
    const RgbImage read = readTexture(handle);
    EXPECT_EQ(read.width, 0);

    const std::string destroyed = stdoutOf([&] { delete texture; });
    EXPECT_EQ(destroyed, "Texture destructor\n");
    EXPECT_FALSE(glIsTexture(handle));
}

TEST_F(TextureLoading, EmptyTruncatedAndForeignFilesDoNotCrash)
{
    const std::string good = dir.file("good.png");
    ASSERT_NO_FATAL_FAILURE(writeImage(good, FIF_PNG, 16, 16, 24, [](int x, int row) {
        return Rgb{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(row * 16), 7};
    }));
    const std::string jpeg = dir.file("good.jpg");
    ASSERT_NO_FATAL_FAILURE(writeImage(jpeg, FIF_JPEG, 16, 16, 24, [](int x, int) {
        return Rgb{static_cast<uint8_t>(x * 16), 0, 0};
    }));
    const std::string pngBytes = readFile(good);
    const std::string jpegBytes = readFile(jpeg);
    ASSERT_GT(pngBytes.size(), 64u);
    ASSERT_GT(jpegBytes.size(), 64u);

    dir.write("empty.png", "");
    dir.write("cut.png", pngBytes.substr(0, pngBytes.size() / 2));
    dir.write("header.png", pngBytes.substr(0, 12));
    dir.write("cut.jpg", jpegBytes.substr(0, jpegBytes.size() / 2));
    dir.write("text.png", "this is not an image\n");
    for (const char* name : {"empty.png", "cut.png", "header.png", "cut.jpg", "text.png"}) {
        SCOPED_TRACE(name);
        auto texture = load(dir.file(name));
        ASSERT_NE(texture, nullptr);
        EXPECT_NE(texture->m_handle, 0u);
        EXPECT_TRUE(glIsTexture(texture->m_handle));
        const RgbImage read = readTexture(texture->m_handle);
        // Either nothing was decoded or the full picture size was kept.
        EXPECT_TRUE((read.width == 0 && read.height == 0) || (read.width == 16 && read.height == 16))
            << read.width << "x" << read.height;
    }
    // A broken file leaves the loader working for the next one.
    auto after = load(good);
    const RgbImage read = readTexture(after->m_handle);
    ASSERT_EQ(read.width, 16);
    EXPECT_EQ(at(read, 3, 5), (Rgb{48, 80, 7}));
}

// libjpeg decodes a baseline file cut short, its missing blocks grey, so the
// file's length does not bound its picture: a 2048 x 2048 picture cut to its
// first 1000 bytes (over 4000 pixels a byte) is loaded, not refused.
TEST_F(TextureLoading, TruncatedBaselineJpegLoadsWithAGreyTail)
{
    const std::string whole = dir.file("whole.jpg");
    ASSERT_NO_FATAL_FAILURE(writeImage(whole, FIF_JPEG, 2048, 2048, 24, [](int, int) {
        return Rgb{200, 40, 30};
    }));
    const std::string bytes = readFile(whole);
    ASSERT_GT(bytes.size(), 6000u);
    dir.write("cut.jpg", bytes.substr(0, 1000));
    RgbImage read;
    ASSERT_NO_FATAL_FAILURE(loadAndRead(dir.file("cut.jpg"), 2048, 2048, &read));
    // The picture's top left (its first block, GL's last row) was in the
    // file; its bottom was not.
    expectNear(at(read, 0, 2047), {200, 40, 30}, 12);
    expectNear(at(read, 0, 0), {128, 128, 128}, 12);
}
