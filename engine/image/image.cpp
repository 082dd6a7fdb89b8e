// Image handles: the slot table with its check values, loading, divided images and release.
#include "engine/image/image.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <new>

#include "engine/frame/engine_state.h"
#include "engine/frame/frame.h"
#include "engine/image/draw_state.h"
#include "engine/image/picture.h"
#include "engine/image/picture_cache.h"

namespace engine {

namespace {

struct SlotTable {
    // A slot is live while it holds a picture. Grown as slots are first used, up to kImageSlots (all
    // of them cost 3 MB, where the game uses a few hundred); a deque, so that growing never moves a
    // record a caller holds.
    std::deque<ImageRecord> slots;
    // Per slot: its picture is the picture cache's, shared with every load of the file, and must be
    // copied before anything is drawn into it.
    std::deque<uint8_t> shared;
    int live = 0;
    int nextFree = 0;        // one past the highest slot in use
    uint16_t nextCheck = 0;  // 11-bit counter, wraps from 2047 to 0
};

SlotTable& Table() {
    static SlotTable table;
    return table;
}

int SlotOf(int handle) { return handle & 0xFFFF; }

// The images of one load hold the kept picture through a handle of their own (one control block per
// load), so that drawing into one load's images can give that load alone a copy.
std::shared_ptr<Picture> HoldForOneLoad(std::shared_ptr<const Picture> kept) {
    auto owner = std::make_shared<std::shared_ptr<const Picture>>(std::move(kept));
    return std::shared_ptr<Picture>(owner, const_cast<Picture*>(owner->get()));
}

bool SameOwner(const std::shared_ptr<Picture>& a, const std::shared_ptr<Picture>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

// Before an image is drawn into: a picture shared with the cache is replaced by a copy in every
// image of the same load (the cells of a divided image share theirs), never in another load's.
void MakePrivate(int slot) {
    SlotTable& t = Table();
    if (!t.shared[size_t(slot)]) return;
    const std::shared_ptr<Picture> kept = t.slots[size_t(slot)].picture;
    const auto copy = std::make_shared<Picture>(*kept);
    for (int i = 0; i < t.nextFree; ++i) {
        ImageRecord& r = t.slots[size_t(i)];
        if (!t.shared[size_t(i)] || !r.picture || !SameOwner(r.picture, kept)) continue;
        r.picture = copy;
        t.shared[size_t(i)] = 0;
    }
}

// Appends the runs of row `y` (its pixels at `row`) to the picture's, setting its two flags.
void ClassifyRow(Picture* p, int y, const uint32_t* row) {
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

void StartClassifying(Picture* p) {
    p->spans.clear();
    p->rowSpans.assign(size_t(p->height) + 1, 0);
    p->hasTransparent = false;
    p->hasPartial = false;
}

void EndClassifying(Picture* p) {
    p->mayChange = false;
    ++p->generation;
}

}  // namespace

void ClassifyPicture(Picture* p) {
    StartClassifying(p);
    for (int y = 0; y < p->height; ++y) ClassifyRow(p, y, p->pixels.data() + size_t(y) * size_t(p->pitch));
    EndClassifying(p);
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
    if (size_t(slot) >= Table().slots.size()) return nullptr;
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
    if (size_t(slot) >= t.slots.size()) {
        t.slots.resize(size_t(slot) + 1);
        t.shared.resize(size_t(slot) + 1, 0);
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
    t.shared[size_t(slot)] = 0;
    ++t.live;
    if (slot >= t.nextFree) t.nextFree = slot + 1;
    return kImageHandleType | int(r.check) << 16 | slot;
}

namespace {

// Builds a picture a row at a time: `row(y, out)` writes row y's 0xAARRGGBB pixels. The pixels are
// appended row by row, so no byte of a large picture is written twice (the decode of a background
// spent a fifth of its time filling memory with zeros it overwrote at once), and each row's runs are
// found while the row is at hand.
template <typename Row>
std::shared_ptr<Picture> BuildRows(int width, int height, bool hasAlpha, uint32_t transparentColour,
                                   Row row) {
    auto p = std::make_shared<Picture>();
    p->width = width;
    p->height = height;
    p->pitch = RowPitch(width);
    p->pixels.reserve(size_t(p->pitch) * size_t(height));
    std::vector<uint32_t> line(size_t(p->pitch), 0);  // the padding stays zero
    const uint32_t key = transparentColour & 0xFFFFFF;
    StartClassifying(p.get());
    for (int y = 0; y < height; ++y) {
        row(y, line.data());
        if (!hasAlpha)
            for (int x = 0; x < width; ++x) {
                const uint32_t c = line[size_t(x)];
                line[size_t(x)] = (c & 0xFFFFFF) == key ? (c & 0xFFFFFF) : (c | 0xFF000000u);
            }
        ClassifyRow(p.get(), y, line.data());
        p->pixels.insert(p->pixels.end(), line.begin(), line.end());
    }
    EndClassifying(p.get());
    return p;
}

}  // namespace

std::shared_ptr<Picture> MakePicture(const uint32_t* argb, int width, int height, bool hasAlpha,
                                     uint32_t transparentColour) {
    return BuildRows(width, height, hasAlpha, transparentColour, [&](int y, uint32_t* out) {
        std::copy_n(argb + size_t(y) * size_t(width), size_t(width), out);
    });
}

std::shared_ptr<Picture> BuildPicture(const DecodedPicture& picture, const DecodedPicture* companion,
                                      uint32_t key) {
    if (picture.width <= 0 || picture.height <= 0) return nullptr;
    if (companion && companion->width > 0 && companion->height > 0) {
        // The companion's brightness is the alpha; the transparent colour plays no part then.
        std::vector<uint32_t> argb;
        ToArgb(picture, &argb);
        if (argb.size() != size_t(picture.width) * size_t(picture.height)) return nullptr;
        ApplyAlphaCompanion(*companion, picture.width, picture.height, &argb);
        return MakePicture(argb.data(), picture.width, picture.height, true, key);
    }
    return BuildRows(picture.width, picture.height, picture.layout == PixelLayout::kBgra32, key,
                     [&](int y, uint32_t* out) { ToArgbRow(picture, y, out); });
}

std::shared_ptr<Picture> BuildPicture(const PictureRows& rows, uint32_t key) {
    if (rows.width <= 0 || rows.height <= 0) return nullptr;
    return BuildRows(rows.width, rows.height, rows.layout == PixelLayout::kBgra32, key,
                     [&](int y, uint32_t* out) { ToArgbRow(rows, y, out); });
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
    try {
        auto made = BuildPicture(picture, companion, CurrentDrawState().transparentColour);
        if (!made) return -1;
        return CreateImage(std::move(made), 0, 0, picture.width, picture.height, sourceFile);
    } catch (const std::bad_alloc&) {
        return -1;  // a picture too large for memory is a failed load, as a bad file is
    }
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
                if (handle != -1)
                    Table().shared[size_t(SlotOf(handle))] = Table().shared[size_t(SlotOf(wholeHandle))];
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
    std::shared_ptr<const Picture> picture = LoadPicture(fileName, CurrentDrawState().transparentColour);
    if (!picture) return -1;
    const int w = picture->width, h = picture->height;
    const int handle = CreateImage(HoldForOneLoad(std::move(picture)), 0, 0, w, h, fileName);
    if (handle != -1) Table().shared[size_t(SlotOf(handle))] = 1;
    return handle;
}

int LoadDividedImage(const std::string& fileName, int cellCount, int columns, int rows, int cellWidth,
                     int cellHeight, int* handles, int) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    std::shared_ptr<const Picture> picture = LoadPicture(fileName, CurrentDrawState().transparentColour);
    if (!picture) return -1;
    const int w = picture->width, h = picture->height;
    const int whole = CreateImage(HoldForOneLoad(std::move(picture)), 0, 0, w, h, fileName);
    if (whole == -1) return -1;
    Table().shared[size_t(SlotOf(whole))] = 1;
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
    t.shared[size_t(SlotOf(handle))] = 0;
    --t.live;
    if (SlotOf(handle) == t.nextFree - 1) {
        while (t.nextFree > 0 && !t.slots[size_t(t.nextFree - 1)].picture) --t.nextFree;
    }
    return 0;
}

void PrefetchImageFiles(const std::vector<std::string>& fileNames) {
    // A replay check without pixels loads what it plays and nothing ahead: it never waits for a
    // frame, and decoding every stage's pictures would only add to each verification's cost.
    if (EngineInitialised() && !PixelsSkipped())
        PrefetchPictures(fileNames, CurrentDrawState().transparentColour);
}

namespace {
std::vector<std::shared_ptr<const Picture>>& ReadyPictures() {
    static std::vector<std::shared_ptr<const Picture>> ready;
    return ready;
}
}  // namespace

void ReadyImageFiles(const std::vector<std::string>& fileNames) {
    if (!EngineInitialised() || PixelsSkipped()) return;  // as for the prefetch
    std::vector<std::shared_ptr<const Picture>>& ready = ReadyPictures();
    ready.clear();
    for (const std::string& name : fileNames)
        if (std::shared_ptr<const Picture> p = LoadPicture(name, CurrentDrawState().transparentColour))
            ready.push_back(std::move(p));
}

void ReleaseReadyImageFiles() { std::vector<std::shared_ptr<const Picture>>().swap(ReadyPictures()); }

void DeleteAllImages() {
    ReleaseReadyImageFiles();
    StopPrefetching();
    SlotTable& t = Table();
    t.slots.clear();
    t.shared.clear();
    t.live = 0;
    t.nextFree = 0;
    t.nextCheck = 0;
}

bool ImageSurface(int handle, Surface* out) {
    ImageRecord* r = FindImage(handle);
    if (!r) return false;
    try {
        MakePrivate(SlotOf(handle));
    } catch (const std::bad_alloc&) {
        return false;  // no memory for its own copy: it cannot be drawn into
    }
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
