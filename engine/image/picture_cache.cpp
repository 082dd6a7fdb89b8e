// The picture cache: keyed by file name, the transparent colour, and the file's bytes themselves
// (length and a 64-bit hash of the file and its companion), so a changed file, a file now read from
// an archive or a new companion is decoded again.
#include "engine/image/picture_cache.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <list>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "engine/decode/decode.h"
#include "engine/file/file_access.h"

namespace engine {

namespace {

struct Identity {
    std::string name;
    uint32_t key = 0;
    uint64_t size = 0, hash = 0;                    // the file
    uint64_t companionSize = 0, companionHash = 0;  // its companion; size 0 when there is none
    bool operator==(const Identity& o) const {
        return name == o.name && key == o.key && size == o.size && hash == o.hash &&
               companionSize == o.companionSize && companionHash == o.companionHash;
    }
};

struct Entry {
    Identity id;
    std::shared_ptr<const Picture> picture;  // never drawn into: loads get copies
    size_t bytes = 0;
};

struct Cache {
    std::mutex lock;           // the prefetching thread fills the cache while the game loads
    std::list<Entry> entries;  // most recently used first
    size_t bytes = 0, peak = 0;
    size_t limit = size_t(96) << 20;  // the four maps' backgrounds and bosses fit with room
    std::thread prefetcher;
    std::atomic<bool> stopPrefetching{false};
    ~Cache() {  // a program that ends without EndEngine
        stopPrefetching = true;
        if (prefetcher.joinable()) prefetcher.join();
    }
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

// A 64-bit hash of the bytes, eight at a time (fast enough to cost well under a millisecond for a
// background); the length is part of the identity as well.
uint64_t Hash(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    for (; i < bytes.size(); ++i) h = (h ^ bytes[i]) * 0x100000001B3ull;
    return h ^ (h >> 29);
}

size_t BytesOf(const Picture& p) {
    return p.pixels.size() * sizeof(uint32_t) + p.spans.size() * sizeof(PixelSpan) +
           p.rowSpans.size() * sizeof(uint32_t);
}

void Trim(Cache& c) {
    while (c.bytes > c.limit && !c.entries.empty()) {
        c.bytes -= c.entries.back().bytes;
        c.entries.pop_back();
    }
}

// Builds the picture from the decoded file and companion as a first load does.
std::shared_ptr<Picture> Build(const DecodedPicture& picture, const DecodedPicture* companion, uint32_t key) {
    if (picture.width <= 0 || picture.height <= 0) return nullptr;
    std::vector<uint32_t> argb;
    ToArgb(picture, &argb);
    if (argb.size() != size_t(picture.width) * size_t(picture.height)) return nullptr;
    bool hasAlpha = picture.layout == PixelLayout::kBgra32;
    if (companion && companion->width > 0 && companion->height > 0) {
        // The companion's brightness is the alpha; the transparent colour plays no part then.
        ApplyAlphaCompanion(*companion, picture.width, picture.height, &argb);
        hasAlpha = true;
    }
    return MakePicture(argb.data(), picture.width, picture.height, hasAlpha, key);
}

}  // namespace

namespace {

// The kept picture of the file, or a fresh decode that is kept for the next load. Null when
// the file cannot be read or decoded. A hit is the kept picture itself, which nobody may change.
std::shared_ptr<const Picture> FindOrDecode(const std::string& fileName, uint32_t key, bool* unloadable) {
    Cache& c = TheCache();
    std::vector<uint8_t> bytes, companionBytes;
    *unloadable = false;
    if (!ReadWholeFile(fileName, &bytes)) return *unloadable = true, nullptr;
    const bool hasCompanionFile = ReadWholeFile(CompanionName(fileName), &companionBytes);
    Identity id{fileName, key & 0xFFFFFFu, bytes.size(), Hash(bytes), 0, 0};
    if (hasCompanionFile)
        id.companionSize = companionBytes.size() + 1, id.companionHash = Hash(companionBytes);
    {
        std::lock_guard<std::mutex> guard(c.lock);
        for (auto it = c.entries.begin(); it != c.entries.end(); ++it) {
            if (!(it->id == id)) continue;
            c.entries.splice(c.entries.begin(), c.entries, it);
            return it->picture;
        }
    }
    DecodedPicture picture, companion;
    if (!DecodePicture(bytes.data(), bytes.size(), &picture)) return *unloadable = true, nullptr;
    // A missing or broken companion is no error: the picture stands alone.
    const bool hasCompanion =
        hasCompanionFile && DecodePicture(companionBytes.data(), companionBytes.size(), &companion);
    std::shared_ptr<const Picture> made = Build(picture, hasCompanion ? &companion : nullptr, key);
    if (!made) return nullptr;
    const size_t size = BytesOf(*made);
    std::lock_guard<std::mutex> guard(c.lock);
    for (const Entry& e : c.entries)  // decoded meanwhile by the other thread
        if (e.id == id) return e.picture;
    if (size <= c.limit) {
        c.entries.push_front(Entry{std::move(id), made, size});
        c.bytes += size;
        c.peak = std::max(c.peak, c.bytes);
        Trim(c);
    }
    return made;
}

}  // namespace

std::shared_ptr<Picture> LoadPicture(const std::string& fileName, uint32_t key) {
    try {
        bool unloadable = false;
        std::shared_ptr<const Picture> p = FindOrDecode(fileName, key, &unloadable);
        if (unloadable) ReportUnloadable(fileName, "picture");
        if (!p) return nullptr;
        // The caller may draw into its picture: it gets a copy of one the cache keeps.
        return std::make_shared<Picture>(*p);
    } catch (const std::bad_alloc&) {
        return nullptr;  // a picture too large for memory is a failed load, as a bad file is
    }
}

void PrefetchPictures(const std::vector<std::string>& fileNames, uint32_t key) {
    StopPrefetching();
    Cache& c = TheCache();
    c.stopPrefetching = false;
    c.prefetcher = std::thread([fileNames, key] {
        Cache& cache = TheCache();
        for (const std::string& name : fileNames) {
            if (cache.stopPrefetching) return;
            try {
                bool unloadable = false;  // said by the load that wants the file, if any
                FindOrDecode(name, key, &unloadable);
            } catch (const std::bad_alloc&) {
                return;
            }
        }
    });
}

void FinishPrefetching() {
    Cache& c = TheCache();
    if (c.prefetcher.joinable()) c.prefetcher.join();
}

void StopPrefetching() {
    Cache& c = TheCache();
    c.stopPrefetching = true;
    if (c.prefetcher.joinable()) c.prefetcher.join();
}

void SetPictureCacheLimit(size_t bytes) {
    Cache& c = TheCache();
    std::lock_guard<std::mutex> guard(c.lock);
    c.limit = bytes;
    Trim(c);
}

size_t PictureCacheBytes() {
    std::lock_guard<std::mutex> guard(TheCache().lock);
    return TheCache().bytes;
}
size_t PictureCachePeakBytes() {
    std::lock_guard<std::mutex> guard(TheCache().lock);
    return TheCache().peak;
}

void ClearPictureCache() {
    Cache& c = TheCache();
    std::lock_guard<std::mutex> guard(c.lock);
    c.entries.clear();
    c.bytes = 0;
}

}  // namespace engine
