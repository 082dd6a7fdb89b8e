// The overlays, drawn over a copy of the presented frame.
#include "engine/frame/overlays.h"

#include <algorithm>
#include <vector>

#include "engine/frame/pause.h"
#include "engine/platform.h"

namespace engine {

namespace {
struct NoticeState {
    Notice notice = Notice::kMuted;
    uint64_t until = 0;  // platform clock, microseconds
    uint64_t shown = 0;  // notices shown so far
    std::vector<uint32_t> copy;
};
NoticeState& N() {
    static NoticeState n;
    return n;
}

// Fills a rectangle, clipped to the picture; `alpha` 255 covers, less darkens toward `colour`.
void Fill(Surface& s, int x, int y, int w, int h, uint32_t colour, int alpha = 255) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, s.width), y1 = std::min(y + h, s.height);
    for (int row = y0; row < y1; ++row) {
        uint32_t* p = s.pixels + size_t(row) * size_t(s.pitch);
        for (int col = x0; col < x1; ++col) {
            if (alpha >= 255) {
                p[col] = colour | 0xFF000000u;
                continue;
            }
            uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = int((p[col] >> shift) & 0xFFu), c = int((colour >> shift) & 0xFFu);
                out |= uint32_t((c * alpha + d * (255 - alpha)) / 255) << shift;
            }
            p[col] = out;
        }
    }
}
}  // namespace

void ShowNotice(Notice notice) {
    platform::Platform* p = platform::Current();
    if (!p) return;
    const bool score = notice == Notice::kScoreSent || notice == Notice::kScoreKept;
    N().notice = notice;
    N().until = p->NowMicros() + (score ? kScoreNoticeMicros : kNoticeMicros);
    ++N().shown;
}

namespace {

// The letters the score's notices need, 5 x 7, one string a row ('#' lit).
struct Glyph {
    char letter;
    const char* rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
};

// Words in the glyphs above, each cell `scale` pixels square; a letter is 6 cells wide with its gap.
void Write(Surface& s, int x, int y, const char* text, int scale, uint32_t colour) {
    for (; *text; ++text, x += 6 * scale)
        for (const Glyph& g : kGlyphs)
            if (g.letter == *text)
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (g.rows[row][col] == '#')
                            Fill(s, x + col * scale, y + row * scale, scale, scale, colour);
}

// An arrow going up from a tray: the game going out to the score table.
void DrawUpload(Surface& s, int x, int y, uint32_t colour) {
    for (int i = 0; i < 7; ++i) Fill(s, x + 7 - i, y + i, 1 + 2 * i, 1, colour);  // the head
    Fill(s, x + 5, y + 7, 5, 8, colour);                                          // the shaft
    Fill(s, x, y + 17, 15, 2, colour);                                            // the tray
    Fill(s, x, y + 13, 2, 4, colour);
    Fill(s, x + 13, y + 13, 2, 4, colour);
}

}  // namespace

// A loudspeaker in the top-right corner, crossed out when muted, with sound waves when not. The
// score's notices say in words, in the same corner, whether the finished game reached the table or
// waits to be sent later.
void DrawNotice(Notice notice, Surface& s) {
    if (notice == Notice::kScoreSent || notice == Notice::kScoreKept) {
        const bool sent = notice == Notice::kScoreSent;
        const char* text = sent ? "SCORE SENT" : "SEND LATER";
        const int w = 31 + 10 * 12 - 2 + 10, x0 = s.width - 12 - w, y0 = 12;
        const uint32_t colour = sent ? 0x80FF90u : 0xFFD060u;
        Fill(s, x0, y0, w, 40, 0x000000u, 170);
        DrawUpload(s, x0 + 8, y0 + 10, colour);
        Write(s, x0 + 31, y0 + 13, text, 2, 0xFFFFFFu);
        return;
    }
    const int x0 = s.width - 64, y0 = 12;
    Fill(s, x0, y0, 52, 40, 0x000000u, 170);
    const uint32_t white = 0xFFFFFFu, red = 0xFF5050u;
    Fill(s, x0 + 6, y0 + 14, 8, 12, white);
    for (int i = 0; i < 10; ++i) Fill(s, x0 + 14 + i, y0 + 14 - i, 1, 12 + 2 * i, white);  // the cone
    if (notice == Notice::kMuted) {
        for (int i = 0; i < 14; ++i) {
            Fill(s, x0 + 30 + i, y0 + 13 + i, 3, 3, red);
            Fill(s, x0 + 30 + i, y0 + 26 - i, 3, 3, red);
        }
    } else {
        for (int wave = 0; wave < 3; ++wave)
            Fill(s, x0 + 29 + 6 * wave, y0 + 14 - 3 * wave, 3, 12 + 6 * wave, white);
    }
}

bool NoticeDue() {
    NoticeState& n = N();
    platform::Platform* p = platform::Current();
    if (n.until != 0 && (!p || p->NowMicros() >= n.until)) n.until = 0;
    return n.until != 0;
}

uint64_t OverlayGeneration() {
    const NoticeState& n = N();
    return ((n.shown << 1 | (NoticeDue() ? 1u : 0u)) << 40) ^ PauseGeneration();
}

const uint32_t* WithOverlays(const Surface& frame) {
    NoticeState& n = N();
    const bool notice = NoticeDue(), paused = GamePaused();
    if (!notice && !paused) return frame.pixels;
    // The copy is as wide as the picture: the presented frame has no pitch of its own.
    n.copy.resize(size_t(frame.width) * size_t(frame.height));
    for (int row = 0; row < frame.height; ++row)
        std::copy_n(frame.pixels + size_t(row) * size_t(frame.pitch), frame.width,
                    n.copy.data() + size_t(row) * size_t(frame.width));
    Surface copy{n.copy.data(), frame.width, frame.height, frame.width};
    if (paused) DrawPauseOverlay(copy);
    if (notice) DrawNotice(n.notice, copy);
    return n.copy.data();
}

void ResetNotice() {
    N().until = 0;
    N().shown = 0;
    std::vector<uint32_t>().swap(N().copy);
}

}  // namespace engine
