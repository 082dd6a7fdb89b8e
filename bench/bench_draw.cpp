// Drawing benchmark: the game's busiest frame (map 4's boss at loop 150, every pool full, both
// backgrounds, the shake, every effect kind), built through the game's own code, timed per frame.
// Usage: bench_draw [--frames N] [--save shot.bmp] [--portable] [--no-sdl] [--draw-only] [--per-call]
// (--draw-only: only the recorded frame drawn N times, for a profiler; --per-call: the costliest calls)
// Prints how many turned draws of the next frame repeat one of the busiest frame's, then, as median
// and p90 of thread CPU time per frame over N frames (300 by default):
//  - drawing alone: the frame's recorded draw calls drawn again by the engine, and the same calls
//    drawn by SDL2's software renderer in the same process, first interleaved frame by frame (caches
//    cold), then each renderer's frames back to back (steady state); on one thread, then in bands on
//    the drawing threads (at least 2; there also the wall time and the CPU time of all threads, since
//    one thread's CPU time leaves out the others' share);
//  - where pixman was found at build time: the same calls drawn by pixman, one thread each, with
//    caches cold (a buffer twice the last-level cache written over before each frame of either
//    side) and warm, with the reuse of repeated turned draws off and on (see pixman_peer.cpp for
//    how each call maps), and how far pixman's pixels are from ours;
//  - update and drawing: the game's stage frame on a field kept full, on one thread (CPU time) and
//    in bands (wall time);
//  - a call of each large picture, turned alone at 32 angles (median and slowest);
//  - the first frame of stages 1 to 8 (stage loading included), the picture cache's peak;
//  - allocations over 1000 steady frames of the whole frame loop (message pump, present, sound).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench/busiest_frame.h"
#include "engine/capture/capture.h"
#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/bands.h"
#include "engine/image/blend.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "engine/platform.h"
#include "game/effects/effects.h"
#include "game/enemies/bullets.h"
#include "game/enemies/pools.h"
#include "game/enemies/spawn_schedule.h"
#include "game/geometry/trig.h"
#include "game/player/items.h"
#include "game/player/options.h"
#include "game/player/ship.h"
#include "game/player/shots.h"
#include "game/services/frame_rhythm.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/shell/panel.h"
#include "game/shell/reset_all.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"
#include "platform/headless/headless_platform.h"
#if __has_include("engine/image/picture_cache.h")
#include "engine/image/picture_cache.h"
#define BENCH_PICTURE_CACHE 1
#endif
#ifdef BENCH_PIXMAN
#include "bench/pixman_peer.h"
#endif
#if __has_include("platform/sdl2/sdl_software_peer.h")
#include "platform/sdl2/sdl_software_peer.h"
#define BENCH_SDL_PEER 1
#endif

// Every allocation of the process is counted, so that the steady frame's can be reported.
namespace {
std::atomic<int64_t> allocations{0};
}
// Not inlined: inlined, the compiler would pair them with its own new and delete and warn of a mismatch.
[[gnu::noinline]] void* operator new(size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](size_t n) { return operator new(n); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using busiest::BuildBusiestField;
using busiest::PresentAndClear;
using busiest::recorded;
using busiest::StageFrameBody;
using game::gameState;

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
// CPU time of every thread of the process (the drawing threads included).
double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The recorded calls drawn, held draws included.
void Replay(const std::vector<engine::DrawCall>& calls) {
    busiest::Replay(calls);
    engine::FlushDrawing();
}

struct Figures {
    double median = 0, p90 = 0;
};
Figures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) return {};
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 9 / 10)]};
}

// What the game changes in a frame, copied to put the full field back before every timed frame.
struct Snapshot {
    game::GameState state;
    game::EnemyRecord enemies[game::kPoolSize];
    game::BulletRecord bullets[game::kPoolSize];
    game::ItemRecord items[game::kPoolSize];
    game::EffectSlot effects[game::kEffectSlots];
    game::ShotSlot shots[game::kShotSlots];
    game::OptionRecord options[8];
    void Take() {
        state = gameState;
        std::memcpy(enemies, game::EnemyPool, sizeof enemies);
        std::memcpy(bullets, game::BulletPool, sizeof bullets);
        std::memcpy(items, game::ItemPool, sizeof items);
        std::memcpy(effects, game::EffectPool, sizeof effects);
        std::memcpy(shots, game::ShotTable, sizeof shots);
        std::memcpy(options, game::OptionRecords, sizeof options);
    }
    void Put() const {
        gameState = state;
        std::memcpy(game::EnemyPool, enemies, sizeof enemies);
        std::memcpy(game::BulletPool, bullets, sizeof bullets);
        std::memcpy(game::ItemPool, items, sizeof items);
        std::memcpy(game::EffectPool, effects, sizeof effects);
        std::memcpy(game::ShotTable, shots, sizeof shots);
        std::memcpy(game::OptionRecords, options, sizeof options);
    }
};

#ifdef BENCH_SDL_PEER
// The same calls through SDL2's software renderer, one texture per picture.
struct Peer {
    sdl::SoftwarePeer peer;
    std::map<const engine::Picture*, int> textures;

    bool Open(const std::vector<engine::DrawCall>& calls) {
        if (!peer.Open(640, 480)) return false;
        for (const engine::DrawCall& c : calls) {
            const engine::ImageRecord* r = c.handle ? engine::FindImage(c.handle) : nullptr;
            if (!r || textures.count(r->picture.get())) continue;
            const engine::Picture& p = *r->picture;
            textures[&p] = peer.AddTexture(p.pixels.data(), p.width, p.height, p.pitch);
        }
        return true;
    }
    void Draw(const std::vector<engine::DrawCall>& calls) {
        for (const engine::DrawCall& c : calls) {
            const engine::DrawState& s = c.state;
            if (c.kind == engine::DrawCall::Kind::kClear) {
                peer.Clear(0);
                continue;
            }
            if (s.nothingDrawn) continue;
            peer.SetClip(s.clipX1, s.clipY1, s.clipX2, s.clipY2);
            peer.SetBlend(s.blendMode, s.blendParameter, c.transparent != 0);
            if (c.kind == engine::DrawCall::Kind::kRectangle) {
                peer.Rectangle(std::min(c.x, c.x2), std::min(c.y, c.y2), std::max(c.x, c.x2),
                               std::max(c.y, c.y2), uint32_t(c.colour), c.fill != 0);
                continue;
            }
            const engine::ImageRecord* r = engine::FindImage(c.handle);
            if (!r) continue;
            const int t = textures[r->picture.get()];
            if (c.kind == engine::DrawCall::Kind::kImage)
                peer.Draw(t, r->offsetX, r->offsetY, r->width, r->height, c.x, c.y);
            else
                peer.DrawTurned(t, r->offsetX, r->offsetY, r->width, r->height, r->width / 2, r->height / 2,
                                c.x, c.y, c.scale, c.angle);
        }
    }
};
#endif

#ifdef BENCH_PIXMAN
// The drawing alone against pixman, both on one thread (pixman draws on the calling thread), on
// the recorded frame drawn again and again, and on it and the next frame of the game in turn (each
// frame then finds the previous one's turned draws only where the game repeats them). Cold: before
// each timed frame of either side, a buffer twice the size of the last-level cache is written over.
// Warm: each side's frames back to back.
void AgainstPixman(const std::vector<engine::DrawCall>& first, const std::vector<engine::DrawCall>& next,
                   int frames) {
    busiest::PixmanPeer pixman;
    const int pixmanFirst = pixman.Prepare(first), pixmanNext = pixman.Prepare(next);
    if (pixmanFirst < 0 || pixmanNext < 0) {
        std::printf("pixman: an image could not be made; no comparison\n");
        return;
    }
    engine::SetDrawThreads(1);
    {
        // How far pixman's pixels are from ours (its sampling and rounding differ).
        Replay(first);
        pixman.Draw(pixmanFirst);
        const engine::Surface& ours = engine::DrawTargetSurface();
        const uint32_t* theirs = pixman.Pixels();
        int64_t differ = 0, sum = 0;
        int most = 0;
        for (int y = 0; y < ours.height && y < 480; ++y)
            for (int x = 0; x < ours.width && x < 640; ++x) {
                const uint32_t a = ours.pixels[size_t(y) * size_t(ours.pitch) + size_t(x)],
                               b = theirs[y * 640 + x];
                int d = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const int e = std::abs(int(a >> shift & 255) - int(b >> shift & 255));
                    d = std::max(d, e), sum += e;
                }
                differ += d != 0, most = std::max(most, d);
            }
        std::printf(
            "pixman against ours, the busiest frame: %.1f %% of pixels differ, mean difference %.2f per "
            "channel, "
            "largest %d\n",
            100.0 * double(differ) / (640 * 480), double(sum) / (640 * 480 * 3), most);
    }
    std::vector<uint8_t> evict(size_t(64) << 20);  // the last-level cache is 32 MiB here
    auto evictCaches = [&] {
        for (size_t i = 0; i < evict.size(); i += 64) evict[i] = uint8_t(evict[i] + 1);
        asm volatile("" : : "r"(evict.data()) : "memory");
    };
    struct Sequence {
        const char* name;
        std::vector<const std::vector<engine::DrawCall>*> ours;
        std::vector<int> theirs;
    };
    const Sequence sequences[] = {
        {"the busiest frame again and again", {&first}, {pixmanFirst}},
        {"the busiest frame and the next in turn", {&first, &next}, {pixmanFirst, pixmanNext}}};
    for (const Sequence& q : sequences) {
        for (const bool cold : {true, false}) {
            for (const bool reuse : {false, true}) {
                engine::SetTurnedReuse(reuse);
                std::vector<double> ours, theirs;
                const size_t n = q.ours.size();
                for (int f = 0; f < 20; ++f) Replay(*q.ours[size_t(f) % n]);
                for (int f = 0; f < frames; ++f) {
                    if (cold) evictCaches();
                    const double t = ThreadSeconds();
                    Replay(*q.ours[size_t(f) % n]);
                    ours.push_back((ThreadSeconds() - t) * 1e3);
                    if (!cold) continue;
                    evictCaches();
                    const double u = ThreadSeconds();
                    pixman.Draw(q.theirs[size_t(f) % n]);
                    theirs.push_back((ThreadSeconds() - u) * 1e3);
                }
                if (!cold) {
                    for (int f = 0; f < 20; ++f) pixman.Draw(q.theirs[size_t(f) % n]);
                    for (int f = 0; f < frames; ++f) {
                        const double u = ThreadSeconds();
                        pixman.Draw(q.theirs[size_t(f) % n]);
                        theirs.push_back((ThreadSeconds() - u) * 1e3);
                    }
                }
                const Figures a = Summarise(ours), b = Summarise(theirs);
                std::printf(
                    "%s, %s, turned reuse %s: ours median %.3f ms, p90 %.3f ms; pixman median %.3f ms, p90 "
                    "%.3f "
                    "ms; ours / pixman %.2f (median), %.2f (p90)\n",
                    q.name, cold ? "caches cold" : "caches warm", reuse ? "on" : "off", a.median, a.p90,
                    b.median, b.p90, a.median / b.median, a.p90 / b.p90);
            }
        }
    }
    engine::SetTurnedReuse(false);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int frames = 300;
    bool useSdl = true, drawOnly = false, perCall = false, stages = true;
    std::string save;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
            frames = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--portable"))
            engine::blend::UsePortableLoops(true);
        else if (!std::strcmp(argv[i], "--no-sdl"))
            useSdl = false;
        else if (!std::strcmp(argv[i], "--draw-only"))
            drawOnly = true, stages = false;
        else if (!std::strcmp(argv[i], "--per-call"))
            perCall = true, stages = false;
        else if (!std::strcmp(argv[i], "--save") && i + 1 < argc)
            save = argv[++i];
    }
    std::error_code ec;
    std::filesystem::current_path(VELMORAN_BUILD_DIR, ec);
    if (ec || !std::filesystem::exists("data/map")) {
        std::fprintf(stderr, "bench_draw: no game data in %s (build the data first)\n", VELMORAN_BUILD_DIR);
        return 1;
    }
    platform::Options options;
    options.noSound = true;
    auto owned = std::make_unique<headless::HeadlessPlatform>(options);
    platform::Install(std::move(owned));
    game::ResetAll();
    engine::SetLogEnabled(0);
    if (engine::InitEngine() != 0) {
        std::fprintf(stderr, "bench_draw: the engine did not start\n");
        return 1;
    }
    engine::SetScreenMode(640, 480, 32, 60);
    engine::SetTransparentColor(255, 0, 255);
    game::BuildTrigTables();
    game::InitSoundTables();
    game::LoadSoundEffects();
    game::LoadImages();
    engine::SetDrawTarget(engine::kBackScreen);

    // The first frame of stages 1 to 8 from the stage's loading on: maps 1 to 4, then each again.
    auto stageStarts = [&](const char* title, int last) {
        std::printf("%s", title);
        for (int stage = 1; stage <= last; ++stage) {
            game::UnloadStage();
            const double start = ThreadSeconds();
            const auto wall = std::chrono::steady_clock::now();
            gameState.stage = stage;
            game::LoadStage(int16_t(stage));
            game::PlaceShipOnRing();
            StageFrameBody();
            PresentAndClear();
            const double wallMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
            std::printf(" %d: %.1f (%.1f wall)", stage, (ThreadSeconds() - start) * 1e3, wallMs);
        }
        std::printf("\n");
    };
    if (stages) stageStarts("bench_draw: first frame of a stage (loading included), ms CPU:", 8);
#ifdef BENCH_PICTURE_CACHE
    if (stages) {
        std::printf("  picture cache: %.1f MiB held, peak %.1f MiB\n",
                    engine::PictureCacheBytes() / 1048576.0, engine::PictureCachePeakBytes() / 1048576.0);
        // As the game starts: the first maps' pictures decoded in the background while the title shows.
        game::UnloadStage();
        engine::ClearPictureCache();
        game::PrefetchStagePictures();
        engine::FinishPrefetching();
        stageStarts("  after the start-up prefetch, ms CPU:", 4);
    }
#endif
    game::UnloadStage();

    if (!BuildBusiestField()) {
        std::fprintf(stderr, "bench_draw: stage 600 did not load\n");
        return 1;
    }
    Snapshot full;
    full.Take();
    int live[4] = {};
    for (const auto& e : game::EnemyPool) live[0] += e.state != game::kSlotFree;
    for (const auto& b : game::BulletPool) live[1] += b.state != game::kSlotFree;
    for (const auto& it : game::ItemPool) live[2] += it.state != game::kSlotFree;
    for (const auto& fx : game::EffectPool) live[3] += fx.state != 0;

    // One frame's calls, recorded as the game makes them.
    busiest::StartRecording();
    StageFrameBody();
    PresentAndClear();
    busiest::StopRecording();
    int turned = 0, blended = 0, rects = 0;
    for (const auto& c : recorded) {
        turned += c.kind == engine::DrawCall::Kind::kRotated;
        rects += c.kind == engine::DrawCall::Kind::kRectangle;
        blended += c.kind != engine::DrawCall::Kind::kClear && c.state.blendMode != 0;
    }
    std::printf(
        "busiest frame: %d enemies, %d bullets, %d items, %d effects; %zu draw calls (%d turned, %d "
        "blended, %d rectangles)\n",
        live[0], live[1], live[2], live[3], recorded.size(), turned, blended, rects);
    std::vector<engine::DrawCall> nextFrame;
    {
        // The next frame of the same game: how many of its turned draws repeat one of this frame's
        // (the same picture, angle, scale and mirroring, anywhere), and the share of their area.
        const std::vector<engine::DrawCall> first = recorded;
        std::vector<engine::DrawCall> previous = recorded;
        busiest::StartRecording();
        StageFrameBody();
        PresentAndClear();
        busiest::StopRecording();
        int again = 0, all = 0;
        double areaAgain = 0, area = 0;
        for (const auto& c : recorded) {
            if (c.kind != engine::DrawCall::Kind::kRotated) continue;
            const engine::ImageRecord* r = engine::FindImage(c.handle);
            const double a = r ? double(r->width) * r->height * c.scale * c.scale : 0;
            ++all, area += a;
            for (auto& p : previous) {
                if (p.kind != engine::DrawCall::Kind::kRotated || p.handle != c.handle ||
                    p.angle != c.angle || p.scale != c.scale || p.mirror != c.mirror ||
                    p.transparent != c.transparent)
                    continue;
                p.kind = engine::DrawCall::Kind::kClear;  // each of the previous frame's draws once
                ++again, areaAgain += a;
                break;
            }
        }
        std::printf(
            "next frame: %d of %d turned draws repeat the previous frame's picture, angle and scale (%.0f %% "
            "of their area)\n",
            again, all, area > 0 ? 100 * areaAgain / area : 0.0);
        nextFrame = recorded;
        recorded = first;  // the frame timed below stays the one recorded first
        full.Put();
    }
    if (!save.empty()) {
        full.Put();
        StageFrameBody();
        engine::SaveDrawScreen(0, 0, 640, 480, save, engine::kSaveBmp, 80, 1, -1);
        PresentAndClear();
    }

    if (drawOnly) {  // the recorded frame only, for a profiler
        for (int f = 0; f < frames; ++f) Replay(recorded);
        return 0;
    }
#ifdef BENCH_PIXMAN
    if (!perCall) AgainstPixman(recorded, nextFrame, frames);
#endif
    if (perCall) {  // what each call of the frame costs, the costliest first
        std::vector<std::pair<double, size_t>> cost(recorded.size());
        for (size_t i = 0; i < recorded.size(); ++i) {
            std::vector<engine::DrawCall> one(1, recorded[i]);
            std::vector<double> t;
            for (int f = 0; f < frames; ++f) {
                const double s0 = ThreadSeconds();
                Replay(one);
                t.push_back((ThreadSeconds() - s0) * 1e3);
            }
            cost[i] = {Summarise(t).median, i};
        }
        std::sort(cost.rbegin(), cost.rend());
        for (size_t k = 0; k < std::min<size_t>(20, cost.size()); ++k) {
            const engine::DrawCall& c = recorded[cost[k].second];
            const engine::ImageRecord* r = c.handle ? engine::FindImage(c.handle) : nullptr;
            std::printf("call %3zu: kind %d, %d x %d, scale %.2f, mode %d: %.4f ms\n", cost[k].second,
                        int(c.kind), r ? r->width : 0, r ? r->height : 0, c.scale, c.state.blendMode,
                        cost[k].first);
        }
        return 0;
    }

    // Drawing alone beside SDL's software renderer, two ways. Interleaved frame by frame, each
    // renderer finds the caches full of the other's pictures and canvas (SDL's frame moves tens of
    // megabytes): the frame is measured cold. Back to back, each draws all its frames in a row, as a
    // game draws one frame after another: the frame is measured in its steady state.
    bool sdlOpen = false;
#ifdef BENCH_SDL_PEER
    Peer peer;
    sdlOpen = useSdl && peer.Open(recorded);
#endif
    (void)useSdl;
    // One thread, then the bands on the drawing threads (CPU time of one thread means little there:
    // the wall time and the CPU time of all threads are printed as well).
    const int bandThreads = std::max(2, engine::DrawThreads());
    Figures draw;
    for (const bool interleaved : {true, false}) {
        for (int threads : {1, bandThreads}) {
            engine::SetDrawThreads(threads);
            for (int f = 0; f < 20; ++f) Replay(recorded);  // warm-up
            std::vector<double> ours, wall, cpu, theirs;
            auto drawTheirs = [&] {
#ifdef BENCH_SDL_PEER
                if (!sdlOpen) return;
                const double t = ThreadSeconds();
                peer.Draw(recorded);
                theirs.push_back((ThreadSeconds() - t) * 1e3);
#endif
            };
            for (int f = 0; f < frames; ++f) {
                const double t = ThreadSeconds(), w = WallSeconds(), p = ProcessSeconds();
                Replay(recorded);
                ours.push_back((ThreadSeconds() - t) * 1e3);
                wall.push_back((WallSeconds() - w) * 1e3);
                cpu.push_back((ProcessSeconds() - p) * 1e3);
                if (interleaved) drawTheirs();
            }
            if (!interleaved) {
                for (int f = 0; f < 20 && sdlOpen; ++f) drawTheirs();  // warm-up
                theirs.clear();
                for (int f = 0; f < frames; ++f) drawTheirs();
            }
            const Figures one = Summarise(ours), w = Summarise(wall), c = Summarise(cpu);
            if (threads == 1 && interleaved) draw = one;
            std::printf(
                "drawing alone, %s, %d thread%s: median %.3f ms, p90 %.3f ms thread CPU; wall median %.3f "
                "ms, p90 %.3f ms; all threads' CPU median %.3f ms (%d frames)\n",
                interleaved ? "interleaved with SDL" : "frames back to back", threads,
                threads == 1 ? "" : "s", one.median, one.p90, w.median, w.p90, c.median, frames);
            if (sdlOpen) {
                const Figures sdl = Summarise(theirs);
                std::printf(
                    "  SDL2 software renderer, same calls: median %.3f ms, p90 %.3f ms; ours is %.1f times "
                    "faster (%s)\n",
                    sdl.median, sdl.p90, sdl.median / (threads == 1 ? one.median : w.median),
                    threads == 1 ? "CPU time" : "our wall time against its CPU time");
            } else {
                std::printf("  SDL2 software renderer: not available\n");
            }
        }
    }
    engine::SetDrawThreads(1);

    // A call of each large picture alone, on one thread, at 32 angles over a turn: how much a draw's
    // cost depends on the angle (the frame above has only the angles of its moment).
    std::vector<const engine::Picture*> timed;
    for (size_t i = 0; i < recorded.size(); ++i) {
        const engine::DrawCall& call = recorded[i];
        const engine::ImageRecord* r = call.handle ? engine::FindImage(call.handle) : nullptr;
        if (call.kind != engine::DrawCall::Kind::kRotated || !r || r->width * r->height < 256 * 192) continue;
        if (std::find(timed.begin(), timed.end(), r->picture.get()) != timed.end()) continue;
        timed.push_back(r->picture.get());
        std::vector<engine::DrawCall> one(1, call);
        std::vector<double> perAngle;
        for (int a = 0; a < 32; ++a) {
            one[0].angle = a * (2 * 3.14159265358979 / 32);
            std::vector<double> t;
            for (int f = 0; f < 21; ++f) {
                const double s0 = ThreadSeconds();
                Replay(one);
                if (f) t.push_back((ThreadSeconds() - s0) * 1e3);
            }
            perAngle.push_back(Summarise(t).median);
        }
        const Figures turn = Summarise(perAngle);
        std::printf(
            "call %zu, %d x %d of a picture %d wide, turned alone at 32 angles: median %.3f ms, slowest "
            "%.3f ms\n",
            i, r->width, r->height, r->picture->width, turn.median,
            *std::max_element(perAngle.begin(), perAngle.end()));
    }

    // Copying one 640 x 480 frame, for scale.
    {
        std::vector<uint32_t> a(640 * 480, 1), b(640 * 480, 2);
        std::vector<double> copy;
        for (int f = 0; f < 200; ++f) {
            const double t = ThreadSeconds();
            std::memcpy(f & 1 ? a.data() : b.data(), f & 1 ? b.data() : a.data(), a.size() * 4);
            copy.push_back((ThreadSeconds() - t) * 1e3);
        }
        const Figures c = Summarise(copy);
        std::printf("one frame copied: median %.3f ms; drawing costs %.1f frame copies\n", c.median,
                    draw.median / c.median);
    }

    // Update and drawing: the game's stage frame on the full field, timed by `clock`.
    auto updateAndDraw = [&](double (*clock)()) {
        std::vector<double> whole;
        for (int f = 0; f < frames + 20; ++f) {
            full.Put();
            gameState.shipAngle = (full.state.shipAngle + f * 3) % 1024;
            const double t = clock();
            StageFrameBody();
            PresentAndClear();
            if (f >= 20) whole.push_back((clock() - t) * 1e3);
        }
        return Summarise(whole);
    };
    const Figures both = updateAndDraw(ThreadSeconds);
    std::printf("busiest frame, update and drawing, 1 thread: median %.3f ms, p90 %.3f ms (thread CPU)\n",
                both.median, both.p90);
    engine::SetDrawThreads(bandThreads);
    const Figures banded = updateAndDraw(WallSeconds);
    std::printf("busiest frame, update and drawing, %d threads: median %.3f ms, p90 %.3f ms (wall)\n",
                bandThreads, banded.median, banded.p90);

    // Allocations of the whole frame loop (message pump, present, sounds, pacing) over steady frames.
    for (int f = 0; f < 50; ++f) {
        full.Put();
        StageFrameBody();
        game::EndFrame();
        game::PlayRequestedSounds();
    }
    const int64_t before = allocations.load();
    const int steady = 1000;
    for (int f = 0; f < steady; ++f) {
        full.Put();
        StageFrameBody();
        game::EndFrame();
        game::PlayRequestedSounds();
    }
    const int64_t made = allocations.load() - before;
    std::printf("allocations: %lld over %d steady frames (%.2f a frame)\n", (long long)made, steady,
                double(made) / steady);

    game::UnloadStage();
    game::ReleaseImages();
    game::ReleaseSounds();
    engine::EndEngine();
    platform::Install(nullptr);
    return 0;
}
