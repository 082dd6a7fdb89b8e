// Decoded pictures of files kept for their next load: a stage that loads the same backgrounds again
// gets a copy instead of decoding them. Bounded, least recently used out first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/image/picture.h"

namespace engine {

// The picture of a file (and its alpha companion) as LoadImageFile makes it with the transparent
// colour `key`: a private copy of a kept picture when the file is the same as when it was kept, a
// fresh decode otherwise. Null when the file cannot be read or decoded, or memory runs out.
std::shared_ptr<Picture> LoadPicture(const std::string& fileName, uint32_t key);

// Decodes the files into the cache on a thread of its own, for loads to come (a game's stages): the
// pictures are the same whether a load finds them there or decodes them itself. A new call or
// StopPrefetching (EndEngine) ends the previous one first.
void PrefetchPictures(const std::vector<std::string>& fileNames, uint32_t key);
void StopPrefetching();
// Waits until the files being prefetched are in the cache (benchmarks, tests).
void FinishPrefetching();

// Bytes of pixels the cache may hold; 0 turns it off. Pictures larger than the limit are never kept.
void SetPictureCacheLimit(size_t bytes);
// Bytes held now and the most ever held, for the benchmarks.
size_t PictureCacheBytes();
size_t PictureCachePeakBytes();
void ClearPictureCache();

}  // namespace engine
