#pragma once
#include <string>

// True when the file at `path` is a PNG whose chunk stream is whole, up to
// and including its IEND: every chunk fits in the file, its type is four
// letters, every critical chunk is one the format defines (IHDR, PLTE, IDAT,
// IEND) and carries a correct CRC. libpng reports any of these faults as an
// error, and Debian 13's FreeImage frees a row table twice when that error
// comes after the image data, so such a file is refused before it reaches
// the decoder. Ancillary chunks with a wrong CRC are left to libpng, which
// skips them with a warning.
bool pngChunksIntact(const std::string& path);
