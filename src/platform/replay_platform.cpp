// The replay platform: answers input reads from an input script, counts frames and
// reads to place the script's events, hashes frames for comparisons.
#include "platform/replay_platform.h"

#include <SDL.h>

#include <algorithm>

#include "platform/frame_pixels.h"

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
    : PlatformDecorator(std::move(inner)), script_(std::move(script)), options_(options) {
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

void ReplayPlatform::advance() {
    const ScriptPosition now{frame_, reads_, polls_};
    apply_due();
    if (!ended_ && quiet_ >= options_.stall_reads) {
        // The program keeps asking for input within this frame while the script has
        // nothing more for it: the rest of the script moves forward to now, or, with
        // nothing left, the script has ended.
        if (next_ < script_.events.size() && script_.events[next_].at.frame > frame_) {
            const uint64_t shift = script_.events[next_].at.frame - frame_;
            for (size_t i = next_; i < script_.events.size(); ++i) {
                script_.events[i].at.frame -= shift;
            }
            if (end_at_.frame > frame_) end_at_.frame -= std::min(shift, end_at_.frame - frame_);
            apply_due();
        } else if (next_ == script_.events.size() && end_at_.frame > frame_) {
            end_script();
        }
    }
    if (!ended_ && now >= end_at_) end_script();
    ++quiet_;
}

void ReplayPlatform::apply_due() {
    const ScriptPosition now{frame_, reads_, polls_};
    while (next_ < script_.events.size() && script_.events[next_].at <= now) {
        state_.apply(script_.events[next_]);
        ++next_;
        quiet_ = 0;
    }
}

void ReplayPlatform::hash_frame() {
    if (options_.hash_every == 0 || frame_ % options_.hash_every != 0) return;
    const FramePixels frame = read_frame_pixels(inner_->window());
    if (frame.empty()) return;
    hashes_.emplace_back(frame_, fnv1a_bytes(frame.rgba.data(), frame.rgba.size()));
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

void ReplayPlatform::swap_buffers() {
    hash_frame();
    inner_->window().swap_buffers();
    ++frame_;
    reads_ = 0;
    polls_ = 0;
    quiet_ = 0;
    if (options_.watch) pump_host_window();
    if (!ended_ && ScriptPosition{frame_, 0} >= end_at_) end_script();
}

std::optional<WindowEvent> ReplayPlatform::poll_window_event() {
    advance();
    ++polls_;
    return state_.take_window_event();
}

void ReplayPlatform::keyboard_state(std::array<uint8_t, 256>& out) {
    advance();
    out = state_.take_keys();
    ++reads_;
    polls_ = 0;
}

int ReplayPlatform::key_character(int scan_code) {
    apply_due();
    return state_.character(scan_code);
}

MouseSample ReplayPlatform::sample_mouse() {
    advance();
    const MouseSample s = state_.take_mouse_sample();
    ++reads_;
    polls_ = 0;
    return s;
}

void ReplayPlatform::warp_pointer(int x, int y) {
    inner_->input().warp_pointer(x, y);
    state_.warp(x, y);
}

}  // namespace zorby::platform
