// The PNG decoder: libpng with a fixed set of transformations, the layout chosen by colour type.
#include <png.h>

#include <cstring>
#include <vector>

#include "engine/decode/decode.h"

namespace engine {

namespace {

// Everything the libpng calls touch lives here or in buffers owned by the caller: libpng reports
// errors by longjmp, which must not cross a frame holding objects with destructors.
struct PngRead {
    const uint8_t* data;
    size_t size;
    size_t position;
    png_structp png;
    png_infop info;
    png_bytep* rows;
    png_uint_32 width;
    png_uint_32 height;
    int colorType;
    int channels;
    int hasTransparency;
    size_t rowBytes;
    int paletteCount;
    png_color palette[256];
    uint64_t storedBytes;  // filtered rows as the file stores them, before any expansion
};

void ReadBytes(png_structp png, png_bytep dest, size_t count) {
    PngRead* r = static_cast<PngRead*>(png_get_io_ptr(png));
    if (count > r->size - r->position) png_error(png, "file cut short");
    std::memcpy(dest, r->data + r->position, count);
    r->position += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// The two steps below are plain C on purpose: no object in their frames has a destructor, so the
// longjmp skips nothing. Between them the caller allocates the pixels, once, in its own frame.
bool ReadPngHeaderPlain(PngRead* r) {
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, r, OnError, OnWarning);
    if (!r->png) return false;
    r->info = png_create_info_struct(r->png);
    if (!r->info) return false;
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_read_fn(r->png, r, ReadBytes);
    png_set_user_limits(r->png, kMaxPictureSide, kMaxPictureSide);
    // An ancillary chunk (text, profiles) claiming gigabytes must not be given them.
    png_set_chunk_malloc_max(r->png, 8u << 20);
    png_read_info(r->png, r->info);
    r->colorType = png_get_color_type(r->png, r->info);
    const int bitDepth = png_get_bit_depth(r->png, r->info);
    const uint64_t storedRow = (uint64_t(png_get_image_width(r->png, r->info)) *
                                    png_get_channels(r->png, r->info) * uint64_t(bitDepth) +
                                7) /
                                   8 +
                               1;
    r->storedBytes = storedRow * png_get_image_height(r->png, r->info);
    r->hasTransparency = png_get_valid(r->png, r->info, PNG_INFO_tRNS) != 0;
    png_set_strip_16(r->png);
    png_set_packing(r->png);
    if ((r->colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) || r->hasTransparency) png_set_expand(r->png);
    png_set_bgr(r->png);
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    r->width = png_get_image_width(r->png, r->info);
    r->height = png_get_image_height(r->png, r->info);
    r->channels = png_get_channels(r->png, r->info);
    r->rowBytes = png_get_rowbytes(r->png, r->info);
    return true;
}

bool ReadPngRowsPlain(PngRead* r) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_read_image(r->png, r->rows);
    png_read_end(r->png, nullptr);
    png_colorp palette = nullptr;
    int count = 0;
    if (r->colorType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(r->png, r->info, &palette, &count) &&
        palette) {
        r->paletteCount = count < 256 ? count : 256;
        std::memcpy(r->palette, palette, sizeof(png_color) * size_t(r->paletteCount));
    }
    return true;
}

bool ReadPng(PngRead* r, std::vector<uint8_t>* pixels) {
    if (!ReadPngHeaderPlain(r)) return false;
    if (r->width == 0 || r->height == 0 || r->rowBytes / r->width != size_t(r->channels)) return false;
    if (uint64_t(r->width) * r->height > kMaxPicturePixels) return false;
    if (uint64_t(r->rowBytes) * r->height > kMaxPictureBytes) return false;
    // Deflate packs at most about 1032 to 1, so a file too small to hold its rows is refused
    // before the rows' memory is taken (a hostile 100-byte file cannot ask for 256 MiB).
    if (r->storedBytes > uint64_t(r->size) * 1100u) return false;
    pixels->resize(r->rowBytes * r->height);
    std::vector<png_bytep> rows(r->height);
    for (png_uint_32 y = 0; y < r->height; ++y) rows[y] = pixels->data() + size_t(y) * r->rowBytes;
    r->rows = rows.data();
    return ReadPngRowsPlain(r);
}

// libpng takes a chunk's memory before it reads the chunk, so a chunk whose length runs past the end
// of the file (a cut or hostile file, which would fail anyway) is refused before libpng sees it.
bool ChunksFitInFile(const uint8_t* data, size_t size) {
    size_t at = 8;
    while (size - at >= 8) {
        const uint64_t length = uint64_t(data[at]) << 24 | uint64_t(data[at + 1]) << 16 |
                                uint64_t(data[at + 2]) << 8 | data[at + 3];
        if (length > size - at - 8 || size - at - 8 - length < 4) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
        at += 12 + size_t(length);
    }
    return true;  // cut inside a chunk header: libpng reports it
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedPicture* out) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
    if (!ChunksFitInFile(data, size)) return false;
    PngRead r;
    std::memset(&r, 0, sizeof r);
    r.data = data;
    r.size = size;
    std::vector<uint8_t> pixels;
    bool ok = ReadPng(&r, &pixels);
    png_destroy_read_struct(r.png ? &r.png : nullptr, r.info ? &r.info : nullptr, nullptr);

    PixelLayout layout = PixelLayout::kBgr24;
    int expectedChannels = 0;
    switch (r.colorType) {
        case PNG_COLOR_TYPE_PALETTE:
            layout = r.hasTransparency ? PixelLayout::kBgra32 : PixelLayout::kPalette;
            expectedChannels = r.hasTransparency ? 4 : 1;
            break;
        case PNG_COLOR_TYPE_RGB:
            layout = r.hasTransparency ? PixelLayout::kBgra32 : PixelLayout::kBgr24;
            expectedChannels = r.hasTransparency ? 4 : 3;
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            layout = PixelLayout::kBgra32;
            expectedChannels = 4;
            break;
        case PNG_COLOR_TYPE_GRAY:
            // With a transparency chunk the expansion adds an alpha byte, which is not used.
            layout = r.hasTransparency ? PixelLayout::kGrayPair : PixelLayout::kGray;
            expectedChannels = r.hasTransparency ? 2 : 1;
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            layout = PixelLayout::kGrayPair;
            expectedChannels = 2;
            break;
        default:
            ok = false;
    }
    if (ok && r.channels == expectedChannels) {
        out->width = int(r.width);
        out->height = int(r.height);
        out->bytesPerRow = int(r.rowBytes);
        out->layout = layout;
        out->pixels = std::move(pixels);
        out->palette.fill(0);
        if (layout == PixelLayout::kPalette)
            for (int i = 0; i < r.paletteCount; ++i)
                out->palette[i] =
                    uint32_t(r.palette[i].red) << 16 | uint32_t(r.palette[i].green) << 8 | r.palette[i].blue;
    } else {
        ok = false;
    }
    return ok;
}

}  // namespace engine
