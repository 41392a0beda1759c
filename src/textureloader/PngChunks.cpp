#include "textureloader/PngChunks.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

constexpr std::array<unsigned char, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t bigEndian(const unsigned char* bytes)
{
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

bool isLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isCritical(const unsigned char* type)
{
    return type[0] >= 'A' && type[0] <= 'Z';
}

bool isKnownCritical(const unsigned char* type)
{
    for (const char* known : {"IHDR", "PLTE", "IDAT", "IEND"}) {
        if (std::memcmp(type, known, 4) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool pngChunksIntact(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::array<unsigned char, 8> head{};
    if (!file.read(reinterpret_cast<char*>(head.data()), head.size()) || head != signature) {
        return false;
    }
    std::array<char, 65536> block{};
    for (;;) {
        unsigned char header[8];
        if (!file.read(reinterpret_cast<char*>(header), sizeof(header))) {
            return false; // ends before its IEND
        }
        const uint32_t length = bigEndian(header);
        const unsigned char* type = header + 4;
        if (length > 0x7FFFFFFFu || !std::all_of(type, type + 4, isLetter)) {
            return false;
        }
        const bool critical = isCritical(type);
        if (critical && !isKnownCritical(type)) {
            return false;
        }
        uLong crc = crc32(0L, type, 4);
        for (uint32_t left = length; left > 0;) {
            const uint32_t part = std::min<uint32_t>(left, block.size());
            if (!file.read(block.data(), part)) {
                return false;
            }
            if (critical) {
                crc = crc32(crc, reinterpret_cast<const Bytef*>(block.data()), part);
            }
            left -= part;
        }
        unsigned char stored[4];
        if (!file.read(reinterpret_cast<char*>(stored), sizeof(stored))) {
            return false;
        }
        if (critical && bigEndian(stored) != static_cast<uint32_t>(crc)) {
            return false;
        }
        if (std::memcmp(type, "IEND", 4) == 0) {
            return true;
        }
    }
}
