// The picture cache: keyed by file name, the transparent colour, and the file's bytes themselves
// (length and a 64-bit hash of the file and its companion), so a changed file, a file now read from
// an archive or a new companion is decoded again.
#include "engine/image/picture_cache.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <new>
#include <system_error>
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
    std::shared_ptr<const Picture> picture;  // shared with the images of every load: never changed
    size_t bytes = 0;
    bool awaited = false;  // prefetched and not loaded since: kept until a load has had it
};

struct Cache {
    std::mutex lock;           // the prefetching thread fills the cache while the game loads
    std::list<Entry> entries;  // most recently used first
    size_t bytes = 0, peak = 0;
    // Pictures no image uses are kept up to this many bytes, besides those prefetched and not yet
    // loaded: one map's backgrounds and boss (6.2 MB) with room. Every map's would add 25 MB.
    size_t limit = size_t(8) << 20;
    std::thread prefetcher;
    std::atomic<bool> stopPrefetching{false};
    // The prefetch's files still to decode, in order, and the one it decodes now; a load of one of
    // them waits (`decoded` is signalled after each file) instead of decoding it a second time.
    std::deque<std::string> queued;
    std::string decoding;
    uint32_t prefetchKey = 0;
    bool prefetching = false;
    std::condition_variable decoded;
    ~Cache() {  // a program that ends without EndEngine
        stopPrefetching = true;
        if (prefetcher.joinable()) prefetcher.join();
    }
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

// A 64-bit hash of a file's bytes, taken in pieces of any multiple of 32 bytes (the last piece may be
// shorter): four lanes of eight bytes at a time, so that a background's 3.5 MB cost a quarter of a
// millisecond. The length is part of the identity as well.
class Hasher {
public:
    explicit Hasher(uint64_t length) {
        for (int i = 0; i < 4; ++i) lane_[i] = (0x9E3779B97F4A7C15ull + uint64_t(i)) ^ length;
    }
    void Add(const uint8_t* p, size_t n) {
        size_t i = 0;
        for (; i + 32 <= n; i += 32)
            for (int k = 0; k < 4; ++k) {
                uint64_t w;
                std::memcpy(&w, p + i + 8 * size_t(k), 8);
                lane_[k] = (lane_[k] ^ w) * 0xFF51AFD7ED558CCDull;
                lane_[k] ^= lane_[k] >> 32;
            }
        for (; i < n; ++i) lane_[0] = (lane_[0] ^ p[i]) * 0x100000001B3ull;
    }
    uint64_t Done() const {
        uint64_t h = lane_[0];
        for (int k = 1; k < 4; ++k) h = (h ^ (lane_[k] + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2)));
        return h ^ (h >> 29);
    }

private:
    uint64_t lane_[4];
};

uint64_t Hash(const std::vector<uint8_t>& bytes) {
    Hasher h(bytes.size());
    h.Add(bytes.data(), bytes.size());
    return h.Done();
}

// The length and hash of a file read in small pieces, without holding it whole (a load that finds
// its picture kept reads its file only for this). False when it cannot be read.
bool HashFile(const std::string& name, uint64_t* length, uint64_t* hash) {
    const int stream = OpenStream(name);
    if (stream < 0) return false;
    const int64_t size = StreamLength(stream);
    bool ok = size >= 0;
    Hasher h{uint64_t(size)};
    uint8_t piece[1 << 16];
    for (int64_t left = size; ok && left > 0;) {
        const int64_t want = std::min<int64_t>(left, int64_t(sizeof piece));
        ok = ReadStream(stream, piece, want) == want;
        if (ok) h.Add(piece, size_t(want));
        left -= want;
    }
    CloseStream(stream);
    if (ok) *length = uint64_t(size), *hash = h.Done();
    return ok;
}

size_t BytesOf(const Picture& p) {
    return p.pixels.size() * sizeof(uint32_t) + p.spans.size() * sizeof(PixelSpan) +
           p.rowSpans.size() * sizeof(uint32_t);
}

// Drops the least recently used pictures that no image uses until those left fit the limit; a
// picture in use costs nothing to keep, and one prefetched is kept for its load (but counts). A
// limit of 0 keeps none at all. `coming`: bytes about to be decoded, made room for first, so that
// what leaves does so before the new picture's memory is taken.
void Trim(Cache& c, size_t coming = 0) {
    auto unused = [&](const Entry& e) { return c.limit == 0 || e.picture.use_count() == 1; };
    auto idle = [&](const Entry& e) { return unused(e) && (c.limit == 0 || !e.awaited); };
    size_t bytes = coming;
    for (const Entry& e : c.entries)
        if (unused(e)) bytes += e.bytes;
    for (auto it = c.entries.end(); bytes > c.limit && it != c.entries.begin();) {
        --it;
        if (!idle(*it)) continue;
        bytes -= it->bytes;
        c.bytes -= it->bytes;
        it = c.entries.erase(it);
    }
}

// The kept picture of the file, or a fresh decode that is kept for the next load (`prefetch`: for
// a load to come). Null when the file cannot be read or decoded.
std::shared_ptr<const Picture> FindOrDecode(const std::string& fileName, uint32_t key, bool prefetch,
                                            bool* unloadable) {
    Cache& c = TheCache();
    *unloadable = false;
    const std::string companionName = CompanionName(fileName);
    // First the kept picture, found by the file's identity alone (when one of the file is kept).
    Identity id{fileName, key & 0xFFFFFFu, 0, 0, 0, 0};
    bool kept = false;
    {
        std::lock_guard<std::mutex> guard(c.lock);
        for (const Entry& e : c.entries) kept = kept || (e.id.name == id.name && e.id.key == id.key);
    }
    if (kept && HashFile(fileName, &id.size, &id.hash)) {
        if (HashFile(companionName, &id.companionSize, &id.companionHash)) ++id.companionSize;
        std::lock_guard<std::mutex> guard(c.lock);
        for (auto it = c.entries.begin(); it != c.entries.end(); ++it) {
            if (!(it->id == id)) continue;
            c.entries.splice(c.entries.begin(), c.entries, it);
            it->awaited = prefetch;
            return it->picture;
        }
    }
    // Then the decode, of the bytes read whole, which are what the kept picture is known by.
    std::vector<uint8_t> bytes, companionBytes;
    if (!ReadWholeFile(fileName, &bytes)) return *unloadable = true, nullptr;
    const bool hasCompanionFile = ReadWholeFile(companionName, &companionBytes);
    id = Identity{fileName, key & 0xFFFFFFu, bytes.size(), Hash(bytes), 0, 0};
    if (hasCompanionFile)
        id.companionSize = companionBytes.size() + 1, id.companionHash = Hash(companionBytes);
    {
        std::lock_guard<std::mutex> guard(c.lock);
        Trim(c, bytes.size());  // about the size of the picture to come
    }
    std::shared_ptr<const Picture> made;
    PictureRows rows;
    if (!hasCompanionFile && BmpRowsInPlace(bytes.data(), bytes.size(), &rows)) {
        made = BuildPicture(rows, key);  // most of the game's pictures: straight from the file
    } else {
        DecodedPicture picture;
        if (!DecodePicture(bytes.data(), bytes.size(), &picture)) return *unloadable = true, nullptr;
        std::vector<uint8_t>().swap(bytes);  // the file is not needed past its decode
        // A missing or broken companion is no error: the picture stands alone.
        DecodedPicture companion;
        const bool hasCompanion =
            hasCompanionFile && DecodePicture(companionBytes.data(), companionBytes.size(), &companion);
        made = BuildPicture(picture, hasCompanion ? &companion : nullptr, key);
    }
    if (!made) return nullptr;
    const size_t size = BytesOf(*made);
    std::lock_guard<std::mutex> guard(c.lock);
    for (Entry& e : c.entries)  // decoded meanwhile by the other thread
        if (e.id == id) return e.awaited = e.awaited && prefetch, e.picture;
    if (c.limit != 0) {
        c.entries.push_front(Entry{std::move(id), made, size, prefetch});
        c.bytes += size;
        c.peak = std::max(c.peak, c.bytes);
    }
    Trim(c);
    return made;
}

// A load of a file the prefetch has yet to finish waits for it, first moving it to the front when
// it is still queued: the frame that loads it stalls in real time, but decodes nothing twice. The
// game sees the same picture either way.
void WaitForPrefetch(const std::string& fileName, uint32_t key) {
    Cache& c = TheCache();
    std::unique_lock<std::mutex> guard(c.lock);
    if (!c.prefetching || (c.prefetchKey & 0xFFFFFFu) != (key & 0xFFFFFFu)) return;
    const auto queued = std::find(c.queued.begin(), c.queued.end(), fileName);
    if (queued != c.queued.end()) {
        c.queued.erase(queued);
        c.queued.push_front(fileName);
    } else if (c.decoding != fileName) {
        return;
    }
    c.decoded.wait(guard, [&] {
        return !c.prefetching || (c.decoding != fileName &&
                                  std::find(c.queued.begin(), c.queued.end(), fileName) == c.queued.end());
    });
}

void Prefetch() {
    Cache& c = TheCache();
    for (;;) {
        std::string name;
        uint32_t key;
        {
            std::lock_guard<std::mutex> guard(c.lock);
            c.decoding.clear();
            if (c.queued.empty() || c.stopPrefetching) {
                c.queued.clear();
                c.prefetching = false;
                c.decoded.notify_all();
                return;
            }
            name = c.decoding = c.queued.front();
            key = c.prefetchKey;
            c.queued.pop_front();
        }
        c.decoded.notify_all();
        try {
            bool unloadable = false;  // said by the load that wants the file, if any
            FindOrDecode(name, key, true, &unloadable);
        } catch (const std::bad_alloc&) {
            std::lock_guard<std::mutex> guard(c.lock);
            c.queued.clear();  // no memory to spare for pictures ahead of their loads
        }
    }
}

}  // namespace

std::shared_ptr<const Picture> LoadPicture(const std::string& fileName, uint32_t key) {
    try {
        WaitForPrefetch(fileName, key);
        bool unloadable = false;
        std::shared_ptr<const Picture> p = FindOrDecode(fileName, key, false, &unloadable);
        if (unloadable) ReportUnloadable(fileName, "picture");
        return p;
    } catch (const std::bad_alloc&) {
        return nullptr;  // a picture too large for memory is a failed load, as a bad file is
    }
}

void PrefetchPictures(const std::vector<std::string>& fileNames, uint32_t key) {
    Cache& c = TheCache();
    {
        // A prefetch under way takes the files after its own, so that a stage's start never waits
        // for the file it is decoding.
        std::lock_guard<std::mutex> guard(c.lock);
        if (c.prefetching && !c.stopPrefetching && c.prefetchKey == key) {
            for (const std::string& name : fileNames)
                if (std::find(c.queued.begin(), c.queued.end(), name) == c.queued.end() && name != c.decoding)
                    c.queued.push_back(name);
            return;
        }
    }
    StopPrefetching();
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.stopPrefetching = false;
        c.queued.assign(fileNames.begin(), fileNames.end());
        c.prefetchKey = key;
        c.prefetching = true;
    }
    try {
        c.prefetcher = std::thread(Prefetch);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> guard(c.lock);  // no thread: every load decodes its own
        c.queued.clear();
        c.prefetching = false;
    }
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
