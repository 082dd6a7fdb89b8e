// Image handles: the slot table with its check values, loading, divided images and release.
#include "engine/image/image.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/frame/engine_state.h"
#include "engine/frame/frame.h"
#include "engine/image/draw_state.h"
#include "engine/image/picture.h"
#include "engine/image/picture_cache.h"

namespace engine {

namespace {

struct SlotTable {
    std::vector<ImageRecord> slots;  // kImageSlots entries once used; a slot is live while it holds a picture
    int live = 0;
    int nextFree = 0;        // one past the highest slot in use
    uint16_t nextCheck = 0;  // 11-bit counter, wraps from 2047 to 0
};

SlotTable& Table() {
    static SlotTable table;
    if (table.slots.empty()) table.slots.resize(kImageSlots);
    return table;
}

int SlotOf(int handle) { return handle & 0xFFFF; }

}  // namespace

void ClassifyPicture(Picture* p) {
    p->spans.clear();
    p->rowSpans.assign(size_t(p->height) + 1, 0);
    p->hasTransparent = false;
    p->hasPartial = false;
    for (int y = 0; y < p->height; ++y) {
        const uint32_t* row = p->pixels.data() + size_t(y) * size_t(p->pitch);
        int x = 0;
        while (x < p->width) {
            const uint32_t a = row[x] >> 24;
            if (a == 0) {
                p->hasTransparent = true;
                ++x;
                continue;
            }
            const bool opaque = a == 255;
            const int start = x;
            while (x < p->width) {
                const uint32_t b = row[x] >> 24;
                if (b == 0 || (b == 255) != opaque) break;
                ++x;
            }
            if (!opaque) p->hasPartial = true;
            p->spans.push_back({start, x - start, opaque});
        }
        p->rowSpans[size_t(y) + 1] = uint32_t(p->spans.size());
    }
    p->mayChange = false;
    ++p->generation;
}

double VisibleRadius(ImageRecord* r) {
    const Picture& p = *r->picture;
    if (r->radiusGeneration == p.generation) return r->visibleRadius;
    // The farthest pixel of a row from the centre is at one end of one of its runs.
    const double cx = r->width / 2, cy = r->height / 2;
    double far = -1;
    const int c0 = r->offsetX, c1 = r->offsetX + r->width;
    for (int j = 0; j < r->height; ++j) {
        const int row = r->offsetY + j;
        const double dy = std::max(std::fabs(j - cy), std::fabs(j + 1 - cy));
        for (uint32_t k = p.rowSpans[size_t(row)]; k < p.rowSpans[size_t(row) + 1]; ++k) {
            const int a = std::max(p.spans[k].start, c0),
                      b = std::min(p.spans[k].start + p.spans[k].length, c1);
            if (a >= b) continue;
            for (int i : {a - c0, b - 1 - c0}) {
                const double dx = std::max(std::fabs(i - cx), std::fabs(i + 1 - cx));
                far = std::max(far, dx * dx + dy * dy);
            }
        }
    }
    r->visibleRadius = far < 0 ? -1 : std::sqrt(far);
    r->radiusGeneration = p.generation;
    return r->visibleRadius;
}

ImageRecord* FindImage(int handle) {
    if (handle < 0 || (handle & 0x78000000) != kImageHandleType) return nullptr;
    const int slot = SlotOf(handle);
    if (slot >= kImageSlots) return nullptr;
    ImageRecord& r = Table().slots[size_t(slot)];
    if (!r.picture || r.check != ((handle >> 16) & 0x7FF)) return nullptr;
    return &r;
}

int CreateImage(std::shared_ptr<Picture> picture, int offsetX, int offsetY, int width, int height,
                const std::string& sourceFile) {
    SlotTable& t = Table();
    int slot = t.nextFree;
    if (slot >= kImageSlots) {
        slot = 0;
        while (slot < kImageSlots && t.slots[size_t(slot)].picture) ++slot;
        // The original ended the program here; failing the load keeps the game running without it.
        if (slot >= kImageSlots) return -1;
    }
    ImageRecord& r = t.slots[size_t(slot)];
    r.check = t.nextCheck;
    t.nextCheck = uint16_t((t.nextCheck + 1) & 0x7FF);
    r.width = width;
    r.height = height;
    r.offsetX = offsetX;
    r.offsetY = offsetY;
    r.picture = std::move(picture);
    r.sourceFile = sourceFile;
    ++t.live;
    if (slot >= t.nextFree) t.nextFree = slot + 1;
    return kImageHandleType | int(r.check) << 16 | slot;
}

std::shared_ptr<Picture> MakePicture(const uint32_t* argb, int width, int height, bool hasAlpha,
                                     uint32_t transparentColour) {
    auto p = std::make_shared<Picture>();
    p->width = width;
    p->height = height;
    p->pitch = RowPitch(width);
    p->pixels.assign(size_t(p->pitch) * size_t(height), 0);
    const uint32_t key = transparentColour & 0xFFFFFF;
    for (int y = 0; y < height; ++y) {
        const uint32_t* from = argb + size_t(y) * size_t(width);
        uint32_t* to = p->pixels.data() + size_t(y) * size_t(p->pitch);
        for (int x = 0; x < width; ++x) {
            const uint32_t c = from[x];
            to[x] = hasAlpha ? c : (c & 0xFFFFFF) == key ? (c & 0xFFFFFF) : (c | 0xFF000000u);
        }
    }
    ClassifyPicture(p.get());
    return p;
}

int CreateImageFromArgb(const uint32_t* argb, int width, int height, bool hasAlpha,
                        const std::string& sourceFile) {
    if (width <= 0 || height <= 0 || !argb) return -1;
    try {
        auto picture = MakePicture(argb, width, height, hasAlpha, CurrentDrawState().transparentColour);
        return CreateImage(std::move(picture), 0, 0, width, height, sourceFile);
    } catch (const std::bad_alloc&) {
        return -1;  // a picture too large for memory is a failed load, as a bad file is
    }
}

int CreateImageFromPicture(const DecodedPicture& picture, const DecodedPicture* companion,
                           const std::string& sourceFile) {
    if (picture.width <= 0 || picture.height <= 0) return -1;
    std::vector<uint32_t> argb;
    try {
        ToArgb(picture, &argb);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    if (argb.size() != size_t(picture.width) * size_t(picture.height)) return -1;
    bool hasAlpha = picture.layout == PixelLayout::kBgra32;
    if (companion && companion->width > 0 && companion->height > 0) {
        // The companion's brightness is the alpha; the transparent colour plays no part then.
        try {
            ApplyAlphaCompanion(*companion, picture.width, picture.height, &argb);
        } catch (const std::bad_alloc&) {
            return -1;
        }
        hasAlpha = true;
    }
    return CreateImageFromArgb(argb.data(), picture.width, picture.height, hasAlpha, sourceFile);
}

int CutCells(int wholeHandle, int cellCount, int columns, int rows, int cellWidth, int cellHeight,
             int* handles) {
    ImageRecord* whole = FindImage(wholeHandle);
    if (!whole) return -1;
    const std::shared_ptr<Picture> picture = whole->picture;
    const std::string source = whole->sourceFile;
    const int pw = whole->width, ph = whole->height;
    if (cellCount > 0 && columns > 0 && rows > 0 && !handles) return -1;
    int made = 0;
    for (int row = 0; row < rows && made < cellCount; ++row) {
        for (int column = 0; column < columns && made < cellCount; ++column) {
            const int64_t x = int64_t(column) * cellWidth;
            const int64_t y = int64_t(row) * cellHeight;
            int handle = -1;
            // A cell whose corner lies outside the picture, or that has no size, cannot be made.
            if (cellWidth > 0 && cellHeight > 0 && x < pw && y < ph) {
                const int w = int(std::min<int64_t>(cellWidth, pw - x));
                const int h = int(std::min<int64_t>(cellHeight, ph - y));
                handle = CreateImage(picture, int(x), int(y), w, h, source);
            }
            if (handle == -1) {
                handles[made] = -1;
                for (int i = 0; i < made; ++i) DeleteImage(handles[i]);
                return -1;
            }
            handles[made++] = handle;
        }
    }
    return 0;
}

int LoadImageFile(const std::string& fileName, int) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    std::shared_ptr<Picture> picture = LoadPicture(fileName, CurrentDrawState().transparentColour);
    if (!picture) return -1;
    const int w = picture->width, h = picture->height;
    return CreateImage(std::move(picture), 0, 0, w, h, fileName);
}

int LoadDividedImage(const std::string& fileName, int cellCount, int columns, int rows, int cellWidth,
                     int cellHeight, int* handles, int) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    std::shared_ptr<Picture> picture = LoadPicture(fileName, CurrentDrawState().transparentColour);
    if (!picture) return -1;
    const int w = picture->width, h = picture->height;
    const int whole = CreateImage(std::move(picture), 0, 0, w, h, fileName);
    if (whole == -1) return -1;
    const int result = CutCells(whole, cellCount, columns, rows, cellWidth, cellHeight, handles);
    DeleteImage(whole);
    return result;
}

int DeleteImage(int handle) {
    ImageRecord* r = FindImage(handle);
    if (!r) return -1;
    // Drawing must never go on into a picture that is gone.
    if (DrawTarget() == handle) SetDrawTarget(kBackScreen);
    r->picture.reset();
    r->sourceFile.clear();
    SlotTable& t = Table();
    --t.live;
    if (SlotOf(handle) == t.nextFree - 1) {
        while (t.nextFree > 0 && !t.slots[size_t(t.nextFree - 1)].picture) --t.nextFree;
    }
    return 0;
}

void PrefetchImageFiles(const std::vector<std::string>& fileNames) {
    if (EngineInitialised()) PrefetchPictures(fileNames, CurrentDrawState().transparentColour);
}

void DeleteAllImages() {
    StopPrefetching();
    SlotTable& t = Table();
    for (ImageRecord& r : t.slots) r = ImageRecord{};
    t.live = 0;
    t.nextFree = 0;
    t.nextCheck = 0;
}

bool ImageSurface(int handle, Surface* out) {
    ImageRecord* r = FindImage(handle);
    if (!r) return false;
    Picture& p = *r->picture;
    // Whatever is drawn into it changes its alpha classes: rebuilt when the picture is next drawn.
    p.mayChange = true;
    out->pixels = p.pixels.data() + size_t(r->offsetY) * size_t(p.pitch) + size_t(r->offsetX);
    out->width = r->width;
    out->height = r->height;
    out->pitch = p.pitch;
    return true;
}

bool ImagePixels(int handle, Surface* out) {
    ImageRecord* r = FindImage(handle);
    if (!r) return false;
    Picture& p = *r->picture;
    out->pixels = p.pixels.data() + size_t(r->offsetY) * size_t(p.pitch) + size_t(r->offsetX);
    out->width = r->width;
    out->height = r->height;
    out->pitch = p.pitch;
    return true;
}

int LiveImageCount() { return Table().live; }
int NextFreeSlotHint() { return Table().nextFree; }

}  // namespace engine
