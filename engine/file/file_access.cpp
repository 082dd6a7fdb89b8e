// File access: the stream and archive tables, path walking for archives, plain files.
#include "engine/file/file_access.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>

#include "engine/file/archive_format.h"
#include "engine/frame/frame.h"

namespace engine {

namespace {

enum class StreamKind { kFree, kPlain, kArchived, kMemory };

struct StreamSlot {
    StreamKind kind = StreamKind::kFree;
    FILE* file = nullptr;  // plain files
    int archive = -1;      // archived entries stored as they are
    uint64_t dataStart = 0;
    std::vector<uint8_t> memory;  // packed entries, unpacked at opening
    int64_t length = 0;
    int64_t position = 0;
};

struct ArchiveSlot {
    bool used = false;
    std::string path;
    FILE* file = nullptr;
    ArchiveReader reader;
    int users = 0;  // streams reading from it, plus one while it is the remembered archive
    bool damaged =
        false;  // a valid header with tables that do not fit: it stands for its folder, holds nothing
};

struct FileAccess {
    std::mutex lock;  // the sound feeder thread streams music while the main thread loads pictures
    StreamSlot streams[kMaxOpenStreams];
    ArchiveSlot archives[kMaxOpenArchives];
    int lastArchive = -1;
    std::string lastPrefix;  // the folder the remembered archive stands for
    std::string keyString;
    std::set<std::string> reportedDamage;  // each damaged archive is named once
    std::set<std::string> reportedFiles;   // each unloadable file is named once
};

FileAccess& State() {
    static FileAccess* state = new FileAccess;  // never destroyed: streams may close during exit
    return *state;
}

// "/"-separated absolute path with "." and ".." folded away; a drive letter is upper-cased.
std::string AbsolutePath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    std::string root = "/";
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(uint8_t(path[0]))) {
        root = std::string(1, char(std::toupper(uint8_t(path[0])))) + ":/";
        path = path.substr(2);
    } else if (path.empty() || path[0] != '/') {
        std::error_code error;
        const std::string cwd = std::filesystem::current_path(error).string();
        path = (error ? std::string() : cwd) + "/" + path;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = root;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "/" : "") + parts[i];
    return out;
}

// Only regular files: a folder opens but cannot be read, and a pipe would block the game.
FILE* OpenRegularFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    return std::fopen(path.c_str(), "rb");
}

int64_t FileLength(FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return -1;
    const int64_t length = ftello(f);
    if (fseeko(f, 0, SEEK_SET) != 0) return -1;
    return length;
}

void ReleaseArchive(FileAccess& s, int index) {
    ArchiveSlot& a = s.archives[index];
    if (--a.users > 0) return;
    if (a.file) std::fclose(a.file);
    a = ArchiveSlot();
}

// Opens the archive file at `path` (or finds it already open); -1 when it is missing or no archive.
int UseArchive(FileAccess& s, const std::string& path) {
    int free = -1;
    for (int i = 0; i < kMaxOpenArchives; ++i) {
        if (s.archives[i].used && s.archives[i].path == path) return i;
        if (!s.archives[i].used && free < 0) free = i;
    }
    if (free < 0) return -1;
    FILE* f = OpenRegularFile(path);
    if (!f) return -1;
    const int64_t length = FileLength(f);
    ArchiveSource source;
    source.size = length < 0 ? 0 : uint64_t(length);
    source.readAt = [f](uint64_t offset, void* dest, size_t count) {
        return fseeko(f, off_t(offset), SEEK_SET) == 0 && std::fread(dest, 1, count, f) == count;
    };
    ArchiveSlot& a = s.archives[free];
    if (length < 0 || !a.reader.Open(std::move(source), s.keyString)) {
        std::fclose(f);
        f = nullptr;
        const bool damaged = length >= 0 && a.reader.HeaderValid();
        a = ArchiveSlot();
        if (!damaged) return -1;
        // It is an archive, so it is the one used for its folder: the loose files beside it are not
        // read in its place, and the player is told why every load from it fails.
        if (s.reportedDamage.insert(path).second) {
            const std::string line =
                path + " is damaged (its tables do not fit the file); nothing can be loaded from it";
            std::fprintf(stderr, "velmoran: %s\n", line.c_str());
            LogMessage(line + "\n");
        }
        a.damaged = true;
    }
    a.used = true;
    a.path = path;
    a.file = f;
    a.users = 0;
    return free;
}

// The working folder as AbsolutePath writes it, with a "/" at the end; "" when it cannot be found.
std::string WorkingFolder() {
    std::error_code error;
    const std::string cwd = std::filesystem::current_path(error).string();
    if (error || cwd.empty()) return std::string();
    std::string folder = AbsolutePath(cwd);
    if (folder.back() != '/') folder += '/';
    return folder;
}

// The archive standing for a folder on the path, with the length of that folder's path; -1 if none.
// Only folders inside the working folder (the game's own) may have one: the working folder itself
// and the folders above it may sit where another user can write (/tmp), and an archive planted
// there would stand in for every picture and sound.
int FindArchive(FileAccess& s, const std::string& path, size_t* prefixLength) {
    const std::string base = WorkingFolder();
    if (base.empty() || path.size() <= base.size() || path.compare(0, base.size(), base) != 0) return -1;
    const std::string& last = s.lastPrefix;
    if (s.lastArchive >= 0 && last.size() >= base.size() && last.compare(0, base.size(), base) == 0 &&
        path.size() > last.size() && path.compare(0, last.size(), last) == 0 && path[last.size()] == '/') {
        *prefixLength = last.size();
        return s.lastArchive;
    }
    const size_t nameStart = path.rfind('/');
    for (size_t end = path.find('/', base.size()); end != std::string::npos && end <= nameStart;
         end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        const int archive = UseArchive(s, folder + "." + kArchiveExtension);
        if (archive < 0) continue;
        if (s.lastArchive != archive) {
            ++s.archives[archive].users;
            if (s.lastArchive >= 0) ReleaseArchive(s, s.lastArchive);
        }
        s.lastArchive = archive;
        s.lastPrefix = folder;
        *prefixLength = folder.size();
        return archive;
    }
    return -1;
}

StreamSlot* Slot(FileAccess& s, int stream) {
    if (stream < 0 || stream >= kMaxOpenStreams || s.streams[stream].kind == StreamKind::kFree)
        return nullptr;
    return &s.streams[stream];
}

}  // namespace

int OpenStream(const std::string& name) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    int free = -1;
    for (int i = 0; i < kMaxOpenStreams && free < 0; ++i)
        if (s.streams[i].kind == StreamKind::kFree) free = i;
    if (free < 0 || name.empty()) return -1;
    StreamSlot& slot = s.streams[free];
    const std::string path = AbsolutePath(name);

    size_t prefixLength = 0;
    const int archive = FindArchive(s, path, &prefixLength);
    if (archive >= 0) {
        // An archive on the path is the only place looked at: no fall-back to the plain file.
        ArchiveSlot& a = s.archives[archive];
        ArchiveEntry entry;
        if (a.damaged || !a.reader.Find(path.substr(prefixLength + 1), &entry)) return -1;
        if (entry.IsPacked()) {
            if (!a.reader.ReadEntry(entry, &slot.memory)) {
                slot.memory.clear();
                return -1;
            }
            slot.kind = StreamKind::kMemory;
            slot.length = int64_t(slot.memory.size());
        } else {
            if (entry.dataStart + entry.size > a.reader.Size()) return -1;
            slot.kind = StreamKind::kArchived;
            slot.archive = archive;
            slot.dataStart = entry.dataStart;
            slot.length = entry.size;
            ++a.users;
        }
        slot.position = 0;
        return free;
    }

    FILE* f = OpenRegularFile(path);
    if (!f) return -1;
    const int64_t length = FileLength(f);
    if (length < 0) {
        std::fclose(f);
        return -1;
    }
    slot.kind = StreamKind::kPlain;
    slot.file = f;
    slot.length = length;
    slot.position = 0;
    return free;
}

int64_t ReadStream(int stream, void* dest, int64_t count) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    StreamSlot* slot = Slot(s, stream);
    if (!slot || count < 0 || (count > 0 && !dest)) return -1;
    if (slot->position >= slot->length || count == 0) return 0;
    const int64_t n = std::min(count, slot->length - slot->position);
    switch (slot->kind) {
        case StreamKind::kPlain:
            if (fseeko(slot->file, off_t(slot->position), SEEK_SET) != 0) return -1;
            if (int64_t(std::fread(dest, 1, size_t(n), slot->file)) != n) return -1;
            break;
        case StreamKind::kArchived:
            if (!s.archives[slot->archive].reader.ReadPlain(slot->dataStart + uint64_t(slot->position), dest,
                                                            size_t(n)))
                return -1;
            break;
        case StreamKind::kMemory:
            std::copy_n(slot->memory.data() + slot->position, n, static_cast<uint8_t*>(dest));
            break;
        case StreamKind::kFree:
            return -1;
    }
    slot->position += n;
    return n;
}

int64_t SeekStream(int stream, int64_t offset, SeekOrigin origin) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    StreamSlot* slot = Slot(s, stream);
    if (!slot) return -1;
    const int64_t base = origin == SeekOrigin::kStart     ? 0
                         : origin == SeekOrigin::kCurrent ? slot->position
                                                          : slot->length;
    if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > INT64_MAX - base)) return -1;
    slot->position = base + offset;
    return slot->position;
}

int64_t TellStream(int stream) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    const StreamSlot* slot = Slot(s, stream);
    return slot ? slot->position : -1;
}

int64_t StreamLength(int stream) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    const StreamSlot* slot = Slot(s, stream);
    return slot ? slot->length : -1;
}

int IsStreamEnd(int stream) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    const StreamSlot* slot = Slot(s, stream);
    if (!slot) return -1;
    return slot->position >= slot->length ? 1 : 0;
}

int CloseStream(int stream) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    StreamSlot* slot = Slot(s, stream);
    if (!slot) return -1;
    if (slot->file) std::fclose(slot->file);
    if (slot->kind == StreamKind::kArchived) ReleaseArchive(s, slot->archive);
    *slot = StreamSlot();
    return 0;
}

void SetArchiveKey(const std::string& key) {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.keyString = key;
}

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* out) {
    out->clear();
    const int stream = OpenStream(name);
    if (stream < 0) return false;
    const int64_t length = StreamLength(stream);
    bool ok = length >= 0 && uint64_t(length) <= kMaxUnpackedSize;
    if (ok) {
        out->resize(size_t(length));
        ok = ReadStream(stream, out->data(), length) == length;
    }
    CloseStream(stream);
    if (!ok) out->clear();
    return ok;
}

void ReportUnloadable(const std::string& name, const char* what) {
    FileAccess& s = State();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        // Files inside a damaged archive are not named one by one: the archive's own line says it.
        const std::string path = AbsolutePath(name);
        for (const std::string& archive : s.reportedDamage) {
            const std::string folder = archive.substr(0, archive.size() - sizeof kArchiveExtension) + "/";
            if (path.compare(0, folder.size(), folder) == 0) return;
        }
        if (!s.reportedFiles.insert(name).second) return;
    }
    const std::string line = "warning: the " + std::string(what) + " " + name +
                             " is missing or cannot be decoded; the game goes on without it";
    std::fprintf(stderr, "velmoran: %s\n", line.c_str());
    LogMessage(line + "\n");
}

void ResetFileAccess() {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (StreamSlot& slot : s.streams) {
        if (slot.file) std::fclose(slot.file);
        slot = StreamSlot();
    }
    for (ArchiveSlot& a : s.archives) {
        if (a.file) std::fclose(a.file);
        a = ArchiveSlot();
    }
    s.lastArchive = -1;
    s.lastPrefix.clear();
    s.keyString.clear();
    s.reportedDamage.clear();
    s.reportedFiles.clear();
}

int OpenArchiveCount() {
    FileAccess& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    int count = 0;
    for (const ArchiveSlot& a : s.archives) count += a.used ? 1 : 0;
    return count;
}

}  // namespace engine
