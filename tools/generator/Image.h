// Floating-point RGBA image with y = 0 as the BOTTOM row (texture v = 0),
// which is also FreeImage's scan-line order.
#pragma once

#include <string>
#include <vector>

namespace gen {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;
};

class Image {
public:
    Image(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h) {}
    int width() const { return w_; }
    int height() const { return h_; }
    Rgba& at(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
    const Rgba& at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    // Wrapping access for tileable filters.
    const Rgba& wrap(int x, int y) const
    {
        x %= w_;
        y %= h_;
        return at(x < 0 ? x + w_ : x, y < 0 ? y + h_ : y);
    }
    void fill(const Rgba& c)
    {
        for (auto& p : px_)
            p = c;
    }

    // JPEG (quality 90, RGB) or PNG (RGBA) chosen by extension.
    bool save(const std::string& path) const;
    // Loads any FreeImage-readable file; returns false on failure.
    bool load(const std::string& path);

private:
    int w_, h_;
    std::vector<Rgba> px_;
};

} // namespace gen
