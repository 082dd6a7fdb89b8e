// Plays an input script into an input state and a pointer, pump by pump (docs/input-script.md).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/platform.h"
#include "platform/common/input_script.h"

namespace scripted {

// What a back-end reports while a script drives it: the script's keys, buttons, pointer, focus and
// close, applied with the pumps that bring them. Headless and window replays share it so that both
// feed the game the same reads.
class ScriptFeed {
public:
    // `frameLimit`: the pump after which a close is reported (0: none).
    explicit ScriptFeed(InputScript script, int64_t frameLimit = 0);

    // Input for the first frame is in place before it starts (e.g. a key already held). Returns the
    // milliseconds of `work` the events spent.
    uint64_t Begin();
    // A frame's message pump: applies the events that arrive with it; returns their `work` time.
    uint64_t Pump();

    const platform::InputState& Input() const { return input_; }
    platform::InputState& MutableInput() { return input_; }
    void GetPointer(int* x, int* y) const { *x = pointerX_, *y = pointerY_; }
    void SetPointer(int x, int y) { pointerX_ = x, pointerY_ = y; }
    void MovePointer(double dx, double dy);
    bool Seed(uint32_t* seed) const;
    int64_t Pumps() const { return pumps_; }
    const InputScript& Script() const { return script_; }

private:
    uint64_t ApplyUpTo(int64_t pump);

    InputScript script_;
    int64_t frameLimit_;
    size_t next_ = 0;
    int64_t pumps_ = 0;
    platform::InputState input_;
    int pointerX_ = 0, pointerY_ = 0;
    double fractionX_ = 0, fractionY_ = 0;
};

// A replay in a real window: the back-end `inner` shows the pictures, plays the sound and keeps the
// clock, while the script alone supplies the input the game reads. The window's own close button
// still ends the replay.
std::unique_ptr<platform::Platform> MakeScriptedPlatform(std::unique_ptr<platform::Platform> inner,
                                                         InputScript script, int64_t frameLimit);

}  // namespace scripted
