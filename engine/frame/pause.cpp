// The pause, its menu and the options screen.
#include "engine/frame/pause.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/frame/engine_state.h"
#include "engine/image/image.h"
#include "engine/input/controls.h"
#include "engine/input/scan_codes.h"
#include "engine/platform.h"
#include "engine/sound/sound_system.h"

namespace engine {

namespace {

enum Page { kPausePage, kOptionsPage, kKeysPage, kPadPage };

// The menu's own keys, whatever the bindings: a player must always find the way back.
enum MenuInput { kMenuUp, kMenuDown, kMenuLeft, kMenuRight, kMenuChoose, kMenuBack, kMenuClear, kMenuInputs };

struct PauseState {
    bool paused = false;
    bool seen = false;  // the press counts below were taken
    ActionPresses presses;
    int glyphs[2][128] = {};
    bool hasFont = false;
    Page page = kPausePage;
    int row = 0;
    bool capturing = false;  // a binding row waits for a key or button
    uint64_t generation = 0;
    // Press counts as the menu last saw them.
    uint8_t keyPresses[256] = {};
    uint32_t padPresses[platform::kPadButtonCount] = {};
    uint32_t clicks = 0;
    int pointerX = -1, pointerY = -1;
    uint8_t enterSeen[2] = {};  // Enter's and keypad Enter's press counts, for Alt+Enter
    uint8_t altSeen[2] = {};    // the Alt keys' press counts
    bool altWasHeld = false;    // at the last pump
    bool enterCounted = false;
};
PauseState& P() {
    static PauseState p;
    return p;
}
DisplayChoices display;  // kept across engine resets, like the controls

constexpr int kCaptionLeft = 64, kValueLeft = 336;

// Where a page's title and rows go: the binding pages' twelve rows sit closer.
struct Layout {
    int titleTop, firstRowTop, rowHeight;
};
Layout LayoutOf(Page page) {
    return page == kKeysPage || page == kPadPage ? Layout{12, 60, 30} : Layout{48, 112, 32};
}
const double kSpeeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 2.5, 3.0, 4.0};

uint32_t Blend(uint32_t dst, uint32_t src) {
    const uint32_t a = src >> 24;
    if (a == 255) return src | 0xFF000000u;
    if (a == 0) return dst;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t d = (dst >> shift) & 0xFFu, s = (src >> shift) & 0xFFu;
        out |= ((s * a + d * (255 - a)) / 255) << shift;
    }
    return out;
}

int TextWidth(const std::string& text, bool chosen) {
    int width = 0;
    Surface glyph{};
    for (char c : text)
        if (ImagePixels(P().glyphs[chosen ? 0 : 1][c & 0x7F], &glyph)) width += glyph.width;
    return width;
}

// Writes `text` with its left edge at `left` (centred on it with `centred`) and its top at `top`.
void Write(Surface& s, const std::string& text, int left, int top, bool chosen, bool centred = false) {
    const PauseState& p = P();
    int x = centred ? left - TextWidth(text, chosen) / 2 : left;
    Surface glyph{};
    for (char c : text) {
        if (!ImagePixels(p.glyphs[chosen ? 0 : 1][c & 0x7F], &glyph)) continue;
        for (int row = 0; row < glyph.height; ++row) {
            const int y = top + row;
            if (y < 0 || y >= s.height) continue;
            const uint32_t* from = glyph.pixels + size_t(row) * size_t(glyph.pitch);
            uint32_t* to = s.pixels + size_t(y) * size_t(s.pitch);
            for (int col = 0; col < glyph.width; ++col)
                if (x + col >= 0 && x + col < s.width) to[x + col] = Blend(to[x + col], from[col]);
        }
        x += glyph.width;
    }
}

void Fill(Surface& s, int x, int y, int w, int h, uint32_t colour) {
    for (int row = std::max(y, 0); row < std::min(y + h, s.height); ++row)
        for (int col = std::max(x, 0); col < std::min(x + w, s.width); ++col) {
            uint32_t& px = s.pixels[size_t(row) * size_t(s.pitch) + size_t(col)];
            px = Blend(px, colour);
        }
}

// ---- the rows of each page ----

struct Row {
    std::string caption;
    std::string value;  // empty: a row that leads somewhere
};

std::string YesNo(bool b) { return b ? "yes" : "no"; }

bool Windowed() {
    platform::Platform* p = platform::Current();
    const platform::Placement place = p ? p->LastPlacement() : platform::Placement{};
    return place.known ? place.windowed : Engine().windowed;
}

std::string SpeedText(double speed) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", speed);
    std::string t = text;
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t += '0';
    return t;
}

std::vector<Row> Rows(Page page) {
    const PauseState& p = P();
    const Controls& c = CurrentControls();
    switch (page) {
        case kPausePage:
            return {{"Play on", ""}, {"Options", ""}};
        case kOptionsPage: {
            int effects = 0, music = 0;
            GetSoundVolumes(&effects, &music);
            return {{"Effects volume", std::to_string(effects)},
                    {"Music volume", std::to_string(music)},
                    {"Mute", YesNo(SoundMuted())},
                    {"Full screen", YesNo(!Windowed())},
                    {"Integer scale", YesNo(display.integerScale)},
                    {"Steering speed", SpeedText(c.sensitivity)},
                    {"Keys", ""},
                    {"Controller", ""},
                    {"Back", ""}};
        }
        case kKeysPage:
        case kPadPage: {
            std::vector<Row> rows;
            for (int a = 0; a < kActionCount; ++a) {
                const bool waiting = p.capturing && p.row == a;
                std::string value =
                    page == kKeysPage ? KeysText(c.bindings.keys[a]) : PadButtonName(c.bindings.pads[a]);
                if (waiting) value = page == kKeysPage ? "press a key" : "press a button";
                rows.push_back({ActionCaption(Action(a)), value});
            }
            rows.push_back({"Defaults", ""});
            rows.push_back({"Back", ""});
            return rows;
        }
    }
    return {};
}

const char* Title(Page page) {
    switch (page) {
        case kPausePage:
            return "PAUSED";
        case kOptionsPage:
            return "OPTIONS";
        case kKeysPage:
            return "KEYS";
        case kPadPage:
            return "CONTROLLER";
    }
    return "";
}

void Open(Page page, int row = 0) {
    PauseState& p = P();
    p.page = page;
    p.row = row;
    p.capturing = false;
}

void SwitchWindowMode() {
    platform::Platform* pl = platform::Current();
    const bool windowed = !Windowed();
    if (pl && pl->SetWindowed(windowed)) {
        Engine().windowed = windowed;
        display.windowModeChosen = true;
        display.windowed = windowed;
    }
}

bool AltHeld(const platform::InputState& in) { return in.keys[56] || in.keys[184]; }  // left, right Alt

// Left (-1) or right (+1) on an options row.
void Change(int row, int step) {
    platform::Platform* pl = platform::Current();
    int effects = 0, music = 0;
    GetSoundVolumes(&effects, &music);
    switch (row) {
        case 0:
            SetSoundVolumes(std::clamp(effects + 10 * step, 0, 100), music);
            break;
        case 1:
            SetSoundVolumes(effects, std::clamp(music + 10 * step, 0, 100));
            break;
        case 2:
            SetSoundMuted(!SoundMuted());
            break;
        case 3:
            SwitchWindowMode();
            break;
        case 4:
            display.integerScale = !display.integerScale;
            if (pl) pl->SetIntegerScale(display.integerScale);
            break;
        case 5: {
            Controls c = CurrentControls();
            const int n = int(std::size(kSpeeds));
            int at = 0;
            while (at + 1 < n && kSpeeds[at] < c.sensitivity - 1e-9) ++at;
            at = std::clamp(at + step, 0, n - 1);
            c.sensitivity = kSpeeds[at];
            SetControls(c);
            if (pl) pl->SetMouseSensitivity(c.sensitivity);
            break;
        }
        default:
            break;
    }
}

void Choose() {
    PauseState& p = P();
    switch (p.page) {
        case kPausePage:
            if (p.row == 0) p.paused = false;
            if (p.row == 1) Open(kOptionsPage);
            return;
        case kOptionsPage:
            if (p.row <= 5) Change(p.row, +1);
            if (p.row == 6) Open(kKeysPage);
            if (p.row == 7) Open(kPadPage);
            if (p.row == 8) Open(kPausePage, 1);
            return;
        case kKeysPage:
        case kPadPage:
            if (p.row < kActionCount) {
                p.capturing = true;
            } else if (p.row == kActionCount) {
                Controls c = CurrentControls();
                const Bindings defaults = DefaultBindings();
                for (int a = 0; a < kActionCount; ++a) {
                    if (p.page == kKeysPage) std::copy_n(defaults.keys[a], 2, c.bindings.keys[a]);
                    if (p.page == kPadPage) c.bindings.pads[a] = defaults.pads[a];
                }
                SetControls(c);
            } else {
                Open(kOptionsPage, p.page == kKeysPage ? 6 : 7);
            }
            return;
    }
}

void Back() {
    PauseState& p = P();
    if (p.page == kPausePage) p.paused = false;
    if (p.page == kOptionsPage) Open(kPausePage, 1);
    if (p.page == kKeysPage) Open(kOptionsPage, 6);
    if (p.page == kPadPage) Open(kOptionsPage, 7);
}

// The next key or button pressed becomes the action's; Escape (or the controller's B... Back) leaves
// the binding as it was, Delete (Backspace) clears it.
bool Capture(const bool pressedKeys[256], const bool pressedPads[]) {
    PauseState& p = P();
    Controls c = CurrentControls();
    const int a = p.row;
    if (p.page == kKeysPage) {
        for (int k = 1; k < 256; ++k) {
            if (!pressedKeys[k]) continue;
            if (k == kScanEscape) {
                p.capturing = false;
                return true;
            }
            if (k == 14 || k == 211) {  // Backspace, Delete
                c.bindings.keys[a][0] = c.bindings.keys[a][1] = 0;
            } else {
                c.bindings.keys[a][0] = uint8_t(k);
                c.bindings.keys[a][1] = 0;
            }
            SetControls(c);
            p.capturing = false;
            return true;
        }
        return false;
    }
    for (int b = 0; b < platform::kPadButtonCount; ++b) {
        if (!pressedPads[b]) continue;
        c.bindings.pads[a] = int16_t(b);
        SetControls(c);
        p.capturing = false;
        return true;
    }
    for (int k : {int(kScanEscape), 14, 211})
        if (pressedKeys[k]) {
            if (k != kScanEscape) {
                c.bindings.pads[a] = -1;
                SetControls(c);
            }
            p.capturing = false;
            return true;
        }
    return false;
}

int RowAt(int y, int rows) {
    const Layout layout = LayoutOf(P().page);
    if (y < layout.firstRowTop) return -1;
    const int row = (y - layout.firstRowTop) / layout.rowHeight;
    return row < rows ? row : -1;
}

}  // namespace

bool GamePaused() { return P().paused; }

bool FollowPauseKeys() {
    PauseState& p = P();
    platform::Platform* pl = platform::Current();
    if (!pl) return false;
    const platform::InputState& in = pl->Input();
    const bool pressed = ActionPressed(in, kActionPause, &p.presses) && p.seen && !p.capturing;
    p.seen = true;
    // Pressed without the focus (it cannot be, in a window): the pause waits for the player's return.
    if (!pressed || !in.active) return false;
    p.paused = !p.paused;
    if (p.paused) {
        Open(kPausePage);
        // The menu starts from what is pressed now, and the pointer is the player's to move.
        std::copy(std::begin(in.keyPresses), std::end(in.keyPresses), std::begin(p.keyPresses));
        std::copy(std::begin(in.padPresses), std::end(in.padPresses), std::begin(p.padPresses));
        p.clicks = in.buttonPresses[0];
        pl->GetPointer(&p.pointerX, &p.pointerY);
        pl->SetCursorVisible(true);
    }
    ++p.generation;
    return true;
}

bool FollowPauseMenu() {
    PauseState& p = P();
    platform::Platform* pl = platform::Current();
    if (!p.paused || !pl || !pl->Input().active) return false;
    const platform::InputState& in = pl->Input();
    bool keys[256] = {}, pads[platform::kPadButtonCount] = {};
    for (int k = 0; k < 256; ++k) keys[k] = in.keyPresses[k] != p.keyPresses[k];
    for (int b = 0; b < platform::kPadButtonCount; ++b) pads[b] = in.padPresses[b] != p.padPresses[b];
    std::copy(std::begin(in.keyPresses), std::end(in.keyPresses), std::begin(p.keyPresses));
    std::copy(std::begin(in.padPresses), std::end(in.padPresses), std::begin(p.padPresses));
    const bool click = in.buttonPresses[0] != p.clicks;
    p.clicks = in.buttonPresses[0];
    int x = 0, y = 0;
    pl->GetPointer(&x, &y);
    const bool moved = x != p.pointerX || y != p.pointerY;
    p.pointerX = x, p.pointerY = y;

    const Page page = p.page;
    const int row = p.row;
    const bool capturing = p.capturing;
    const Controls before = CurrentControls();
    int effects = 0, music = 0;
    GetSoundVolumes(&effects, &music);
    const bool muted = SoundMuted();
    const DisplayChoices shown = display;

    if (p.capturing) {
        Capture(keys, pads);
    } else {
        bool menu[kMenuInputs] = {
            keys[kScanUp] || pads[platform::kPadUp],
            keys[kScanDown] || pads[platform::kPadDown],
            keys[kScanLeft] || pads[platform::kPadLeft],
            keys[kScanRight] || pads[platform::kPadRight],
            ((keys[28] || keys[156]) && !AltHeld(in)) || keys[kScanSpace] || pads[platform::kPadA],  // Enter
            keys[kScanEscape] || pads[platform::kPadB],
            keys[14] || keys[211],  // Backspace, Delete
        };
        const int rows = int(Rows(p.page).size());
        if (moved) {
            if (const int at = RowAt(y, rows); at >= 0) p.row = at;
        }
        if (menu[kMenuUp]) p.row = (p.row + rows - 1) % rows;
        if (menu[kMenuDown]) p.row = (p.row + 1) % rows;
        auto onValue = [&p] { return p.page == kOptionsPage && p.row <= 5; };
        if (onValue() && (menu[kMenuLeft] || menu[kMenuRight])) Change(p.row, menu[kMenuLeft] ? -1 : +1);
        if (click && RowAt(y, rows) >= 0) {
            p.row = RowAt(y, rows);
            // On a value, a click left of its middle lowers it, right of it raises it.
            if (onValue())
                Change(p.row, x < kValueLeft + 48 ? -1 : +1);
            else
                Choose();
        } else if (menu[kMenuChoose]) {
            Choose();
        } else if (menu[kMenuBack]) {
            Back();
        } else if (menu[kMenuClear] && (p.page == kKeysPage || p.page == kPadPage) && p.row < kActionCount) {
            Controls c = CurrentControls();
            if (p.page == kKeysPage) c.bindings.keys[p.row][0] = c.bindings.keys[p.row][1] = 0;
            if (p.page == kPadPage) c.bindings.pads[p.row] = -1;
            SetControls(c);
        }
    }
    int effectsNow = 0, musicNow = 0;
    GetSoundVolumes(&effectsNow, &musicNow);
    const DisplayChoices now = display;
    const bool changed = page != p.page || row != p.row || capturing != p.capturing || !p.paused ||
                         !(before.bindings == CurrentControls().bindings) ||
                         before.sensitivity != CurrentControls().sensitivity || effects != effectsNow ||
                         music != musicNow || muted != SoundMuted() ||
                         shown.integerScale != now.integerScale ||
                         shown.windowModeChosen != now.windowModeChosen || shown.windowed != now.windowed;
    if (changed) ++p.generation;
    return changed;
}

uint64_t PauseGeneration() { return P().generation * 2 + (P().paused ? 1 : 0); }

void SetOverlayFont(const int* chosenGlyphs, const int* otherGlyphs) {
    PauseState& p = P();
    std::memcpy(p.glyphs[0], chosenGlyphs, sizeof p.glyphs[0]);
    std::memcpy(p.glyphs[1], otherGlyphs, sizeof p.glyphs[1]);
    p.hasFont = true;
}

void DrawPauseOverlay(Surface& s) {
    for (int row = 0; row < s.height; ++row) {
        uint32_t* line = s.pixels + size_t(row) * size_t(s.pitch);
        for (int col = 0; col < s.width; ++col) line[col] = 0xFF000000u | ((line[col] >> 2) & 0x3F3F3Fu);
    }
    const PauseState& p = P();
    const int cx = s.width / 2;
    if (!p.hasFont) {
        Fill(s, cx - 18, s.height / 2 - 20, 12, 40, 0xFFFFFFFFu);  // the pause sign alone
        Fill(s, cx + 6, s.height / 2 - 20, 12, 40, 0xFFFFFFFFu);
        return;
    }
    const Layout layout = LayoutOf(p.page);
    Write(s, Title(p.page), cx, layout.titleTop, true, true);
    const std::vector<Row> rows = Rows(p.page);
    for (int i = 0; i < int(rows.size()); ++i) {
        const int top = layout.firstRowTop + i * layout.rowHeight;
        const bool chosen = i == p.row;
        if (chosen)
            Fill(s, kCaptionLeft - 16, top, s.width - 2 * (kCaptionLeft - 16), layout.rowHeight, 0x60FFFFFFu);
        if (p.page == kPausePage) {
            Write(s, rows[i].caption, cx, top, chosen, true);
            continue;
        }
        Write(s, rows[i].caption, kCaptionLeft, top, chosen);
        if (rows[i].value.empty()) continue;
        const bool stepped = p.page == kOptionsPage;
        Write(s, stepped ? "< " + rows[i].value + " >" : rows[i].value, kValueLeft, top, chosen);
    }
    const uint8_t* pauseKeys = CurrentControls().bindings.keys[kActionPause];
    const std::string playOn = KeyName(pauseKeys[0]   ? pauseKeys[0]
                                       : pauseKeys[1] ? pauseKeys[1]
                                                      : kScanEscape);
    const std::string hint = p.page == kPausePage ? playOn + ": play on"
                             : p.capturing        ? "Escape: keep   Delete: none"
                                                  : "Escape: back";
    Write(s, hint, cx, s.height - 36, false, true);
}

void SetDisplayChoices(const DisplayChoices& choices) { display = choices; }

void FollowWindowKeys() {
    platform::Platform* pl = platform::Current();
    if (!pl) return;
    const platform::InputState& in = pl->Input();
    PauseState& p = P();
    const bool pressed = in.keyPresses[28] != p.enterSeen[0] || in.keyPresses[156] != p.enterSeen[1];
    // An Alt held at the last pump or pressed since counts as held: the keys of a quick Alt+Enter may
    // fall into different pumps, Alt's release into the same one as Enter's press.
    const bool alt = AltHeld(in) || p.altWasHeld || in.keyPresses[56] != p.altSeen[0] ||
                     in.keyPresses[184] != p.altSeen[1];
    p.altWasHeld = AltHeld(in);
    p.enterSeen[0] = in.keyPresses[28], p.enterSeen[1] = in.keyPresses[156];
    p.altSeen[0] = in.keyPresses[56], p.altSeen[1] = in.keyPresses[184];
    if (p.enterCounted && pressed && alt) {
        SwitchWindowMode();
        ++p.generation;
    }
    p.enterCounted = true;
}
DisplayChoices CurrentDisplayChoices() { return display; }

void ResetPause() { P() = PauseState{}; }

}  // namespace engine
