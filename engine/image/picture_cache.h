// Decoded pictures of files kept for their next load: a stage that loads the same backgrounds again
// shares them instead of decoding them. Bounded, least recently used out first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/image/picture.h"

namespace engine {

// The picture of a file (and its alpha companion) with the transparent colour `key`: the kept one
// when the file is the same as when it was kept, a fresh decode otherwise. It is shared, so nobody
// may change it (an image drawn into gets a copy first). A file the prefetch has yet to decode is
// waited for rather than decoded twice. Null when the file cannot be read or decoded, or memory runs
// out.
std::shared_ptr<const Picture> LoadPicture(const std::string& fileName, uint32_t key);

// Decodes the files into the cache, in their order, on a thread of its own, for loads to come (a
// game's stages): the pictures are the same whether a load finds them there or decodes them itself.
// A call while a prefetch runs adds its files to the end (one with another transparent colour ends
// it first); StopPrefetching (EndEngine) ends it after the file it decodes.
void PrefetchPictures(const std::vector<std::string>& fileNames, uint32_t key);
void StopPrefetching();
// Waits until the files being prefetched are in the cache (benchmarks, tests).
void FinishPrefetching();

// Bytes of pictures that no image uses the cache may keep (least recently used out first); 0 turns
// it off. Pictures in use are kept besides: sharing them costs nothing.
void SetPictureCacheLimit(size_t bytes);
// Bytes held now and the most ever held, for the benchmarks.
size_t PictureCacheBytes();
size_t PictureCachePeakBytes();
void ClearPictureCache();

// The picture of decoded pixels as a load makes it, the companion (when given) supplying the alpha;
// null for an empty or unusable picture. Throws std::bad_alloc when memory runs out.
std::shared_ptr<Picture> BuildPicture(const DecodedPicture& picture, const DecodedPicture* companion,
                                      uint32_t key);
// The same of an uncompressed BMP's rows in its file (BmpRowsInPlace), without a companion.
std::shared_ptr<Picture> BuildPicture(const PictureRows& rows, uint32_t key);

}  // namespace engine
