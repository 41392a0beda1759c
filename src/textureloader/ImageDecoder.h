#pragma once
// Image decoding for the texture loader, apart from GL so that it can be
// fuzzed and tested without a context.
#include <FreeImage.h>

#include <string>

// A decoded picture as glTexImage2D takes it with GL_BGR: 24-bit rows, bottom
// row first, each padded to four bytes. Owns its FreeImage bitmap; empty
// (0 x 0, no pixels) when the file could not or should not be decoded.
class DecodedImage {
public:
    DecodedImage() = default;
    explicit DecodedImage(FIBITMAP* bitmap) : m_bitmap(bitmap) {}
    ~DecodedImage();
    DecodedImage(DecodedImage&& other) noexcept;
    DecodedImage& operator=(DecodedImage&& other) noexcept;
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;

    unsigned width() const;
    unsigned height() const;
    const BYTE* pixels() const;

private:
    FIBITMAP* m_bitmap = nullptr;
};

// The formats decoded at all: FreeImage hands these to Debian's maintained
// codecs (libjpeg-turbo, libpng). Its other readers are its own code, which
// has corrupted memory, hung and allocated gigabytes on files of a few
// hundred bytes; a file in any other format is treated as unreadable.
bool isAcceptedImageFormat(FREE_IMAGE_FORMAT format);

// The format of the file's content, among the accepted ones only: no other
// reader, not even its signature check, sees the file. FIF_UNKNOWN otherwise.
FREE_IMAGE_FORMAT acceptedImageFormat(const std::string& path);

// Decodes the file at `path` into 24 bits per pixel (alpha dropped, grey and
// palettes expanded). Empty for a missing, unreadable or refused file, and
// for a picture wider or higher than `largestSide`, which is not decoded
// beyond its header.
DecodedImage decodeImage(const std::string& path, unsigned largestSide);
