// The picture scaled by the CPU straight into the window's own framebuffer
// (the X server's shared memory), sending only the rectangles that changed.
// For displays without a GPU, where a renderer would recomposite the whole
// window in software on every frame.
#include "presenter.h"

namespace sdlpresent {

namespace {

class SurfacePresenter final : public Presenter {
public:
    explicit SurfacePresenter(SDL_Window* window) : window_(window) {
        BuildLookup(nullptr, nullptr, lookup_);
    }

    bool Vsync() const override { return false; }

    bool SetPicture(int width, int height) override {
        width_ = width;
        height_ = height;
        if (!Place()) return false;
        Clear();
        return true;
    }

    void SetPalette(const PALETTEENTRY* palette) override {
        // A copy: the layout may change after the palette is gone.
        hasPalette_ = palette != nullptr;
        if (palette) SDL_memcpy(palette_, palette, sizeof palette_);
        if (surface_) BuildLookup(Palette(), surface_->format, lookup_);
    }

    void Update(const Picture& picture, const DamageRegion& damage) override {
        if (picture.width != width_ || picture.height != height_) return;
        if (SDL_GetWindowSurface(window_) != surface_) {
            // SDL replaced the framebuffer (its size changed): start over.
            Relayout(picture);
            return;
        }
        if (!surface_) return;
        for (int i = 0; i < damage.count; ++i) Draw(picture, damage.rects[i]);
    }

    void Relayout(const Picture& picture) override {
        if (!Place()) return;
        Clear();
        if (picture.width == width_ && picture.height == height_) Draw(picture, {0, 0, width_, height_});
    }

    void WindowExposed() override { whole_ = true; }

    void Show() override {
        if (!surface_) return;
        if (whole_) {
            SDL_UpdateWindowSurface(window_);
        } else if (pending_.count > 0) {
            SDL_Rect rects[DamageRegion::Capacity];
            for (int i = 0; i < pending_.count; ++i) {
                const DamageRect& r = pending_.rects[i];
                rects[i] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
            }
            SDL_UpdateWindowSurfaceRects(window_, rects, pending_.count);
        }
        whole_ = false;
        DamageClear(pending_);
    }

private:
    // Takes the window's framebuffer and lays the picture out in it; the
    // sample maps are made here, once per layout, never per frame.
    bool Place() {
        surface_ = SDL_GetWindowSurface(window_);
        if (!surface_ || surface_->format->BytesPerPixel != 4) {
            surface_ = nullptr;
            return false;
        }
        BuildLookup(Palette(), surface_->format, lookup_);
        place_ = sdlmap::PictureRect(width_, height_, surface_->w, surface_->h);
        if (width_ <= 0 || height_ <= 0) return true;
        columns_.resize(size_t(place_.w));
        rows_.resize(size_t(place_.h));
        sdlmap::SampleMap(place_.w, width_, columns_.data());
        sdlmap::SampleMap(place_.h, height_, rows_.data());
        return true;
    }

    const PALETTEENTRY* Palette() const { return hasPalette_ ? palette_ : nullptr; }

    // Black everywhere: the bars, and the picture until it is drawn.
    void Clear() {
        if (!surface_) return;
        if (SDL_MUSTLOCK(surface_)) SDL_LockSurface(surface_);
        SDL_FillRect(surface_, nullptr, SDL_MapRGB(surface_->format, 0, 0, 0));
        if (SDL_MUSTLOCK(surface_)) SDL_UnlockSurface(surface_);
        whole_ = true;
    }

    void Draw(const Picture& picture, const DamageRect& r) {
        sdlmap::PixelRect out =
            sdlmap::ScreenRectOf(place_, width_, height_, r.left, r.top, r.right, r.bottom);
        if (out.w <= 0 || out.h <= 0) return;
        if (SDL_MUSTLOCK(surface_) && SDL_LockSurface(surface_) != 0) return;
        const int* __restrict columns = columns_.data() + (out.x - place_.x);
        const uint32_t* __restrict lookup = lookup_;
        const bool sameWidth = place_.w == width_;  // a row needs no column map
        for (int y = 0; y < out.h; ++y) {
            const uint8_t* __restrict src =
                picture.pixels.data() + size_t(rows_[size_t(out.y - place_.y + y)]) * width_;
            uint32_t* __restrict dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface_->pixels) +
                                                                   size_t(out.y + y) * surface_->pitch) + out.x;
            if (sameWidth) {
                src += out.x - place_.x;
                for (int x = 0; x < out.w; ++x) dst[x] = lookup[src[x]];
            } else {
                for (int x = 0; x < out.w; ++x) dst[x] = lookup[src[columns[x]]];
            }
        }
        if (SDL_MUSTLOCK(surface_)) SDL_UnlockSurface(surface_);
        DamageAdd(pending_, {out.x, out.y, out.x + out.w, out.y + out.h}, surface_->w, surface_->h);
    }

    SDL_Window* window_;
    SDL_Surface* surface_ = nullptr;
    PALETTEENTRY palette_[256];
    bool hasPalette_ = false;
    int width_ = 0, height_ = 0;
    sdlmap::PixelRect place_{0, 0, 0, 0};
    std::vector<int> columns_, rows_;
    uint32_t lookup_[256];
    bool whole_ = true;       // send the whole window, bars included
    DamageRegion pending_;    // window rectangles drawn since the last Show
};

}  // namespace

Presenter* CreateSurfacePresenter(SDL_Window* window) {
    // Without this SDL backs the framebuffer with a renderer of its own,
    // which is the cost this presenter exists to avoid.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface || surface->format->BytesPerPixel != 4) return nullptr;
    return new SurfacePresenter(window);
}

}  // namespace sdlpresent
