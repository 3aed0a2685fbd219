// The clock concern of the platform: the time the engine paces frames and waits by.
// The real clock passes in real time; the virtual one (tests, replays, recordings)
// moves only when a frame is shown or the engine waits.
#pragma once

namespace zorby::platform {

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic clock (fractional).
    virtual double now_ms() = 0;
    // Waits the given time (virtual clocks advance by exactly that much).
    virtual void sleep_ms(double ms) = 0;
    // Waits until the clock reads at least deadline_ms (absolute, so oversleeping in
    // one wait does not push later deadlines back).
    virtual void sleep_until_ms(double deadline_ms) = 0;
    // True for the virtual clock: waits advance time instead of passing it.
    virtual bool is_virtual() const = 0;
};

}  // namespace zorby::platform
