#include "Image.h"

#include <FreeImage.h>

#include <cmath>

namespace gen {

namespace {

BYTE toByte(double v)
{
    double c = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<BYTE>(std::lround(c * 255.0));
}

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool Image::save(const std::string& path) const
{
    const bool png = endsWith(path, ".png");
    const int bpp = png ? 32 : 24;
    FIBITMAP* bmp = FreeImage_Allocate(w_, h_, bpp);
    if (!bmp)
        return false;
    const int step = bpp / 8;
    for (int y = 0; y < h_; ++y) {
        BYTE* line = FreeImage_GetScanLine(bmp, y); // scan line 0 is the bottom row
        for (int x = 0; x < w_; ++x) {
            const Rgba& p = at(x, y);
            BYTE* o = line + x * step;
            o[FI_RGBA_RED] = toByte(p.r);
            o[FI_RGBA_GREEN] = toByte(p.g);
            o[FI_RGBA_BLUE] = toByte(p.b);
            if (png)
                o[FI_RGBA_ALPHA] = toByte(p.a);
        }
    }
    BOOL ok = png ? FreeImage_Save(FIF_PNG, bmp, path.c_str(), PNG_Z_BEST_COMPRESSION)
                  : FreeImage_Save(FIF_JPEG, bmp, path.c_str(), 90 | JPEG_OPTIMIZE);
    FreeImage_Unload(bmp);
    return ok == TRUE;
}

bool Image::load(const std::string& path)
{
    FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path.c_str(), 0);
    if (fif == FIF_UNKNOWN)
        return false;
    FIBITMAP* src = FreeImage_Load(fif, path.c_str(), 0);
    if (!src)
        return false;
    FIBITMAP* bmp = FreeImage_ConvertTo32Bits(src);
    FreeImage_Unload(src);
    if (!bmp)
        return false;
    w_ = static_cast<int>(FreeImage_GetWidth(bmp));
    h_ = static_cast<int>(FreeImage_GetHeight(bmp));
    px_.assign(static_cast<size_t>(w_) * h_, Rgba{});
    for (int y = 0; y < h_; ++y) {
        const BYTE* line = FreeImage_GetScanLine(bmp, y);
        for (int x = 0; x < w_; ++x) {
            const BYTE* i = line + x * 4;
            at(x, y) = {i[FI_RGBA_RED] / 255.0, i[FI_RGBA_GREEN] / 255.0, i[FI_RGBA_BLUE] / 255.0,
                        i[FI_RGBA_ALPHA] / 255.0};
        }
    }
    FreeImage_Unload(bmp);
    return true;
}

} // namespace gen
