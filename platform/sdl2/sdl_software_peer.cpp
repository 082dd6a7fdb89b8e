// SDL2's software renderer drawing into a memory surface, for the drawing benchmark.
#include "platform/sdl2/sdl_software_peer.h"

#include <SDL.h>

#include <cmath>
#include <vector>

namespace sdl {

struct SoftwarePeer::Impl {
    SDL_Surface* surface = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::vector<SDL_Texture*> textures;
    int mode = 0, parameter = 0;
    bool transparent = true;

    ~Impl() {
        for (SDL_Texture* t : textures) SDL_DestroyTexture(t);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (surface) SDL_FreeSurface(surface);
    }
    void Prepare(SDL_Texture* t) const {
        SDL_SetTextureBlendMode(t, mode == 2     ? SDL_BLENDMODE_ADD
                                   : mode == 1   ? SDL_BLENDMODE_BLEND
                                   : transparent ? SDL_BLENDMODE_BLEND
                                                 : SDL_BLENDMODE_NONE);
        SDL_SetTextureAlphaMod(t, Uint8(mode == 1 || mode == 2 ? parameter : 255));
    }
};

SoftwarePeer::SoftwarePeer() : impl_(std::make_unique<Impl>()) {}
SoftwarePeer::~SoftwarePeer() = default;

bool SoftwarePeer::Open(int width, int height) {
    impl_->surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!impl_->surface) return false;
    impl_->renderer = SDL_CreateSoftwareRenderer(impl_->surface);
    return impl_->renderer != nullptr;
}

int SoftwarePeer::AddTexture(const uint32_t* pixels, int width, int height, int pitch) {
    SDL_Texture* t =
        SDL_CreateTexture(impl_->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
    if (!t) return -1;
    SDL_UpdateTexture(t, nullptr, pixels, pitch * 4);
    impl_->textures.push_back(t);
    return int(impl_->textures.size()) - 1;
}

void SoftwarePeer::SetClip(int x1, int y1, int x2, int y2) {
    const SDL_Rect r{x1, y1, x2 - x1, y2 - y1};
    SDL_RenderSetClipRect(impl_->renderer, &r);
}

void SoftwarePeer::SetBlend(int mode, int parameter, bool transparent) {
    impl_->mode = mode, impl_->parameter = parameter, impl_->transparent = transparent;
}

void SoftwarePeer::Draw(int texture, int sx, int sy, int w, int h, int x, int y) {
    if (texture < 0) return;
    SDL_Texture* t = impl_->textures[size_t(texture)];
    impl_->Prepare(t);
    const SDL_Rect src{sx, sy, w, h}, dst{x, y, w, h};
    SDL_RenderCopy(impl_->renderer, t, &src, &dst);
}

void SoftwarePeer::DrawTurned(int texture, int sx, int sy, int w, int h, int cx, int cy, int x, int y,
                              double scale, double angle) {
    if (texture < 0) return;
    SDL_Texture* t = impl_->textures[size_t(texture)];
    impl_->Prepare(t);
    const SDL_Rect src{sx, sy, w, h};
    const float s = float(scale);
    const SDL_FRect dst{float(x) - float(cx) * s, float(y) - float(cy) * s, float(w) * s, float(h) * s};
    const SDL_FPoint centre{float(cx) * s, float(cy) * s};
    SDL_RenderCopyExF(impl_->renderer, t, &src, &dst, angle * 180.0 / M_PI, &centre, SDL_FLIP_NONE);
}

void SoftwarePeer::Rectangle(int x1, int y1, int x2, int y2, uint32_t colour, bool fill) {
    SDL_Renderer* r = impl_->renderer;
    const int mode = impl_->mode;
    SDL_SetRenderDrawBlendMode(r, mode == 2   ? SDL_BLENDMODE_ADD
                                  : mode == 1 ? SDL_BLENDMODE_BLEND
                                              : SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, Uint8(colour >> 16), Uint8(colour >> 8), Uint8(colour),
                           Uint8(mode == 1 || mode == 2 ? impl_->parameter : 255));
    const SDL_Rect rect{x1, y1, x2 - x1, y2 - y1};
    if (fill)
        SDL_RenderFillRect(r, &rect);
    else
        SDL_RenderDrawRect(r, &rect);
}

void SoftwarePeer::Clear(uint32_t colour) {
    SDL_Renderer* r = impl_->renderer;
    SDL_RenderSetClipRect(r, nullptr);
    SDL_SetRenderDrawColor(r, Uint8(colour >> 16), Uint8(colour >> 8), Uint8(colour), 255);
    SDL_RenderClear(r);
}

}  // namespace sdl
