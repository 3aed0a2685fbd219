// The replay platform: answers input reads from an input script, counts frames and
// reads to place the script's events, hashes frames for comparisons.
#include "platform/replay/replay_platform.h"

#include <SDL.h>

#include <algorithm>

namespace zorby::platform {

namespace {

uint64_t fnv1a_bytes(const uint8_t* p, size_t n) {
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace

ReplayPlatform::ReplayPlatform(std::unique_ptr<Platform> inner, InputScript script,
                               const ReplayOptions& options)
    : ScriptedInputDecorator(std::move(inner)), script_(std::move(script)), options_(options) {
    std::stable_sort(script_.events.begin(), script_.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.at < b.at; });
    // The end line, or else the end of the frame of the last event; a script without
    // events runs until the program ends (or waits for input that never comes).
    end_at_ = {script_.events.empty() ? UINT64_MAX : script_.events.back().at.frame + 1, 0, 0};
    for (const ScriptEvent& e : script_.events) {
        if (e.kind == ScriptEvent::Kind::End) {
            end_at_ = e.at;
            break;
        }
    }
}

ReplayPlatform::~ReplayPlatform() = default;

void ReplayPlatform::end_script() {
    if (ended_) return;
    ended_ = true;
    if (on_end) on_end();
}

void ReplayPlatform::begin_input_call() {
    const ScriptPosition now = position();
    const uint64_t frame = now.frame;
    apply_due();
    if (!ended_ && quiet() >= options_.stall_reads) {
        // The program keeps asking for input within this frame while the script has
        // nothing more for it: the rest of the script moves forward to now, or, with
        // nothing left, the script has ended.
        if (next_ < script_.events.size() && script_.events[next_].at.frame > frame) {
            const uint64_t shift = script_.events[next_].at.frame - frame;
            for (size_t i = next_; i < script_.events.size(); ++i) {
                script_.events[i].at.frame -= shift;
            }
            if (end_at_.frame > frame) end_at_.frame -= std::min(shift, end_at_.frame - frame);
            apply_due();
        } else if (next_ == script_.events.size() && end_at_.frame > frame) {
            end_script();
        }
    }
    if (!ended_ && now >= end_at_) end_script();
}

void ReplayPlatform::apply_due() {
    const ScriptPosition now = position();
    while (next_ < script_.events.size() && script_.events[next_].at <= now) {
        apply_event(script_.events[next_]);
        ++next_;
        event_taken();
    }
}

void ReplayPlatform::apply_event(const ScriptEvent& e) {
    // A recorded run that fell behind real time: the clock moves on as it did there.
    if (e.kind == ScriptEvent::Kind::Late) inner_->clock().sleep_ms(e.a);
    state_.apply(e);
}

void ReplayPlatform::hash_frame() {
    const uint64_t n = frames();
    if (options_.hash_every == 0 || n % options_.hash_every != 0) return;
    const FramePixels frame = read_frame_pixels(inner_->window());
    if (frame.empty()) return;
    hashes_.emplace_back(n, fnv1a_bytes(frame.rgba.data(), frame.rgba.size()));
    if (options_.on_hashed_frame) options_.on_hashed_frame(n, frame);
}

void ReplayPlatform::pump_host_window() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_PumpEvents();
    SDL_Event ev;
    bool closed = false;
    while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        if (ev.type == SDL_QUIT ||
            (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_CLOSE)) {
            closed = true;
        }
    }
    if (closed) end_script();
}

void ReplayPlatform::after_swap() {
    // The recorder moves its clock on right after the swap, before the frame reads
    // anything: so does the replay.
    const ScriptPosition frame_start{frames(), 0, 0};
    while (next_ < script_.events.size() && script_.events[next_].at == frame_start &&
           script_.events[next_].kind == ScriptEvent::Kind::Late) {
        apply_event(script_.events[next_]);
        ++next_;
        event_taken();
    }
    if (options_.watch) pump_host_window();
    if (!ended_ && ScriptPosition{frames(), 0} >= end_at_) end_script();
}

int ReplayPlatform::key_character(int scan_code) {
    apply_due();
    return state_.character(scan_code);
}

}  // namespace zorby::platform
