// The picture in a streaming texture, drawn scaled by an SDL renderer: for
// displays with a GPU, where vsync paces the flips.
#include "presenter.h"
#include "presenter_kind.h"

namespace sdlpresent {

namespace {

class TexturePresenter final : public Presenter {
public:
    TexturePresenter(SDL_Renderer* renderer, bool vsync) : renderer_(renderer), vsync_(vsync) {
        BuildLookup(nullptr, nullptr, lookup_);
    }
    ~TexturePresenter() override {
        if (texture_) SDL_DestroyTexture(texture_);
        SDL_DestroyRenderer(renderer_);
    }

    bool Vsync() const override { return vsync_; }

    bool SetPicture(int width, int height) override {
        if (!texture_ || width != width_ || height != height_) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                         width, height);
            if (!texture_) {
                width_ = height_ = 0;
                return false;
            }
        }
        width_ = width;
        height_ = height;
        Place();
        // A new mode starts black, as the monitor shows it after switching.
        void* pixels;
        int pitch;
        if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) == 0) {
            for (int y = 0; y < height; ++y)
                SDL_memset4(static_cast<uint8_t*>(pixels) + size_t(y) * pitch, 0xFF000000u, size_t(width));
            SDL_UnlockTexture(texture_);
        }
        return true;
    }

    void SetPalette(const PALETTEENTRY* palette) override {
        BuildLookup(palette, nullptr, lookup_);
    }

    void Update(const Picture& picture, const DamageRegion& damage) override {
        if (!texture_ || picture.width != width_ || picture.height != height_) return;
        for (int i = 0; i < damage.count; ++i) Convert(picture, damage.rects[i]);
    }

    void Relayout(const Picture&) override { Place(); }
    void WindowExposed() override {}

    void Show() override {
        // A renderer's back buffer is undefined after presenting: the bars
        // are cleared with every frame.
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        if (texture_) {
            SDL_Rect dst{place_.x, place_.y, place_.w, place_.h};
            SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
        }
        SDL_RenderPresent(renderer_);
    }

private:
    void Place() {
        int ow = 0, oh = 0;
        SDL_GetRendererOutputSize(renderer_, &ow, &oh);
        place_ = sdlmap::PictureRect(width_, height_, ow, oh);
    }

    // Only the rectangle is locked, so only it is uploaded.
    void Convert(const Picture& picture, const DamageRect& r) {
        SDL_Rect area{r.left, r.top, r.right - r.left, r.bottom - r.top};
        void* out;
        int outPitch;
        if (SDL_LockTexture(texture_, &area, &out, &outPitch) != 0) return;
        for (int y = 0; y < area.h; ++y) {
            const uint8_t* src = picture.pixels.data() + size_t(r.top + y) * picture.width + r.left;
            uint32_t* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out) + size_t(y) * outPitch);
            for (int x = 0; x < area.w; ++x) dst[x] = lookup_[src[x]];
        }
        SDL_UnlockTexture(texture_);
    }

    SDL_Renderer* renderer_;
    SDL_Texture* texture_ = nullptr;
    bool vsync_;
    int width_ = 0, height_ = 0;
    sdlmap::PixelRect place_{0, 0, 0, 0};
    uint32_t lookup_[256];
};

}  // namespace

Presenter* CreateTexturePresenter(SDL_Window* window, bool acceptSoftware) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");
    SDL_Renderer* renderer =
        SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer && acceptSoftware) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer) return nullptr;
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    bool software = !(info.flags & SDL_RENDERER_ACCELERATED) || SDL_strcmp(info.name, "software") == 0;
    if (!software && SDL_strncmp(info.name, "opengl", 6) == 0) {
        // The renderer's context is current: ask OpenGL who draws.
        using GetString = const unsigned char* (*)(unsigned);
        constexpr unsigned GlRenderer = 0x1F01;
        if (auto get = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString")))
            software = sdlmap::SoftwareRasteriser(reinterpret_cast<const char*>(get(GlRenderer)));
    }
    if (software && !acceptSoftware) {
        SDL_DestroyRenderer(renderer);
        return nullptr;
    }
    return new TexturePresenter(renderer, (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0);
}

void BuildLookup(const PALETTEENTRY* palette, const SDL_PixelFormat* format, uint32_t lookup[256]) {
    for (int i = 0; i < 256; ++i) {
        uint8_t r, g, b;
        if (palette) {
            r = palette[i].peRed;
            g = palette[i].peGreen;
            b = palette[i].peBlue;
        } else {
            r = g = b = uint8_t(i);  // no palette attached yet: a grey ramp
        }
        lookup[i] = format ? SDL_MapRGB(format, r, g, b) : 0xFF000000u | uint32_t(r) << 16 | g << 8 | b;
    }
}

}  // namespace sdlpresent
