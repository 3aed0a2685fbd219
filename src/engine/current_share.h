// The share of the running engine that a layer's commands work on. Each layer below
// the runtime owns one share of the engine object (the floor's core, the display, the
// input state, the sound) and keeps a CurrentShare for it: the runtime points it at
// its engine, a share that goes away stops being current, and a command called while
// no share is current is a mistake of the program that ends the process.
#pragma once

namespace zorby {

// Says "zorby: an engine command was called before the engine started" on stderr and
// aborts.
[[noreturn]] void no_engine_started();

template <typename Share>
class CurrentShare {
public:
    constexpr CurrentShare() = default;
    CurrentShare(const CurrentShare&) = delete;
    CurrentShare& operator=(const CurrentShare&) = delete;

    // The current share; ends the process through no_engine_started when there is none.
    Share& get() const {
        if (!current_) no_engine_started();
        return *current_;
    }
    Share* if_any() const { return current_; }
    // Makes share the current one (nullptr: none).
    void set(Share* share) { current_ = share; }
    // Called by a share that goes away: it stops being current; another share that
    // is current stays so.
    void release(const Share* share) {
        if (current_ == share) current_ = nullptr;
    }

private:
    Share* current_ = nullptr;
};

}  // namespace zorby
