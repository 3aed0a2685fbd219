// Devices that come and go during a game, driven through the SDL platform's own
// events (headless: the dummy audio driver, the offscreen video driver and SDL's
// virtual controllers): the audio device lost and another appearing, a controller
// unplugged and plugged back, the window minimised and restored, the display
// changing under the window.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "audio/wav_bytes.h"
#include "platform/platform.h"
#include "platform/replay/event_injection.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using platform::PadButton;
using platform::WindowChange;
using testing::LiveEngine;

// Takes every waiting event, as the engine does between frames.
void pump(platform::Platform& p) {
    while (p.input().poll_window_event()) {
    }
}

std::unique_ptr<platform::Platform> sdl_platform_with_window(int scale) {
    auto p = platform::make_sdl_platform();
    platform::WindowConfig config;
    config.hidden = true;
    config.scale = scale;
    if (!p->window().create_window(config)) return nullptr;
    return p;
}

TEST(Devices, AudioDeviceLostMidGameGoesOnSilentlyAndANewOneTakesTheMusicUp) {
    auto p = sdl_platform_with_window(1);
    ASSERT_TRUE(p);
    platform::AudioDevice& a = p->audio();
    ASSERT_TRUE(a.available());
    testing::TempDir dir;
    const std::string music = dir.file("music.wav");
    testing::write_bytes(music, testing::wav_bytes({}, testing::tone16(22050, 2.0, 8000)));
    const std::vector<uint8_t> beep = testing::tone16(22050, 0.2, 8000, 880);
    ASSERT_EQ(a.allocate_channels(8), 8);
    const int sound = a.load_chunk(beep.data(), beep.size(), 1, 22050, 16);
    ASSERT_GT(sound, 0);
    ASSERT_TRUE(a.play_music(music));
    const double length = a.music_length_ms();
    EXPECT_NEAR(length, 2000, 1);
    a.set_music_volume(0.25);
    ASSERT_TRUE(a.play_chunk(0, sound, 1, 1));

    // Unplugged: nothing plays, every call is harmless, and the music still counts
    // as the game's piece (its engine-side repeats go on silently).
    ASSERT_TRUE(platform::push_audio_device_event(false));
    pump(*p);
    EXPECT_FALSE(a.available());
    EXPECT_FALSE(a.music_playing());
    EXPECT_FALSE(a.channel_playing(0));
    EXPECT_FALSE(a.play_chunk(1, sound, 1, 1));
    a.halt_all();
    EXPECT_EQ(a.music_length_ms(), length);
    EXPECT_TRUE(a.restart_music(false));
    int rate = 0, channels = 0;
    EXPECT_FALSE(a.open_stream(rate, channels));
    // Sounds loaded meanwhile are kept for the next device.
    const int later = a.load_chunk(beep.data(), beep.size(), 1, 22050, 16);
    EXPECT_GT(later, sound);

    // Another device appears: opened, the sounds play, the music starts again.
    ASSERT_TRUE(platform::push_audio_device_event(true));
    pump(*p);
    ASSERT_TRUE(a.available());
    EXPECT_TRUE(a.music_playing());
    EXPECT_NEAR(a.music_length_ms(), length, 1);
    EXPECT_TRUE(a.play_chunk(0, sound, 1, 1));
    EXPECT_TRUE(a.play_chunk(7, later, 0.5, 0.5));
    EXPECT_TRUE(a.channel_playing(7));
    EXPECT_TRUE(a.open_stream(rate, channels));
    a.close_stream();

    // Music the game stopped while there was no device stays stopped; music it
    // started then plays on the device that comes.
    ASSERT_TRUE(platform::push_audio_device_event(false));
    pump(*p);
    a.stop_music();
    ASSERT_TRUE(platform::push_audio_device_event(true));
    pump(*p);
    EXPECT_TRUE(a.available());
    EXPECT_FALSE(a.music_playing());
    ASSERT_TRUE(platform::push_audio_device_event(false));
    pump(*p);
    EXPECT_TRUE(a.play_music(music));
    EXPECT_FALSE(a.music_playing());
    ASSERT_TRUE(platform::push_audio_device_event(true));
    pump(*p);
    EXPECT_TRUE(a.music_playing());
    a.free_chunk(sound);
    a.free_chunk(later);
    p->window().destroy_window();
}

TEST(Devices, AControllerUnpluggedAndPluggedBackPlaysAgainWithNoKeyLeftHeld) {
    auto p = sdl_platform_with_window(1);
    ASSERT_TRUE(p);
    std::array<uint8_t, 256> keys{};
    const int pad = platform::attach_virtual_gamepad();
    ASSERT_GE(pad, 0) << "no virtual controller";
    p->input().keyboard_state(keys);
    ASSERT_TRUE(platform::set_virtual_gamepad_button(pad, PadButton::A, true));
    ASSERT_TRUE(platform::set_virtual_gamepad_button(pad, PadButton::DpadRight, true));
    p->input().keyboard_state(keys);
    EXPECT_EQ(keys[44] & 0x80, 0x80);   // A is Z
    EXPECT_EQ(keys[205] & 0x80, 0x80);  // right
    // Pulled out with both held: nothing stays down.
    ASSERT_TRUE(platform::detach_virtual_gamepad(pad));
    p->input().keyboard_state(keys);
    p->input().keyboard_state(keys);
    EXPECT_EQ(keys[44], 0);
    EXPECT_EQ(keys[205], 0);
    // Plugged back in (a new device to the system): it plays as before.
    const int again = platform::attach_virtual_gamepad();
    ASSERT_GE(again, 0);
    p->input().keyboard_state(keys);
    EXPECT_EQ(keys[44], 0);
    ASSERT_TRUE(platform::set_virtual_gamepad_button(again, PadButton::DpadLeft, true));
    p->input().keyboard_state(keys);
    EXPECT_EQ(keys[203] & 0x80, 0x80);
    ASSERT_TRUE(platform::set_virtual_gamepad_button(again, PadButton::DpadLeft, false));
    ASSERT_TRUE(platform::set_virtual_gamepad_button(again, PadButton::A, true));
    p->input().keyboard_state(keys);
    EXPECT_EQ(keys[203], 0);
    EXPECT_EQ(keys[44] & 0x80, 0x80);
    ASSERT_TRUE(platform::set_virtual_gamepad_button(again, PadButton::A, false));
    p->input().keyboard_state(keys);
    EXPECT_EQ(keys[44] & 0x80, 0);
    ASSERT_TRUE(platform::detach_virtual_gamepad(again));
    p->window().destroy_window();
}

TEST(Devices, AMinimisedWindowPausesTheGameAsFocusLossDoesUntilItIsBack) {
    LiveEngine le(platform::make_sdl_platform());
    ASSERT_TRUE(le.started());
    Engine& e = le.engine();
    const std::string title = e.platform->window().title();
    auto minimise = [] {
        // Some window managers take the focus too, some do not.
        ASSERT_TRUE(platform::push_window_change(WindowChange::Minimised));
    };
    // Focus loss, the reference.
    ASSERT_TRUE(platform::push_window_change(WindowChange::FocusLost));
    drain_messages();
    ASSERT_TRUE(e.paused);
    const std::string paused_title = e.platform->window().title();
    EXPECT_NE(paused_title, title);
    ASSERT_TRUE(platform::push_window_change(WindowChange::FocusGained));
    drain_messages();
    ASSERT_FALSE(e.paused);
    EXPECT_EQ(e.platform->window().title(), title);

    for (const bool focus_goes_too : {false, true}) {
        SCOPED_TRACE(focus_goes_too ? "minimised and unfocused" : "minimised");
        minimise();
        if (focus_goes_too) {
            ASSERT_TRUE(platform::push_window_change(WindowChange::FocusLost));
        }
        drain_messages();
        EXPECT_TRUE(e.paused);
        EXPECT_EQ(e.platform->window().title(), paused_title);
        // A focus event while still minimised does not resume play.
        ASSERT_TRUE(platform::push_window_change(WindowChange::FocusGained));
        drain_messages();
        EXPECT_TRUE(e.paused);

        // Frames stop while paused: the next frame is shown only after the window is
        // restored and has the keyboard (pushed from another thread meanwhile).
        std::atomic<bool> restored{false};
        int frames = 0;
        e.frame_hook = [&] { ++frames; };
        std::thread restorer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            restored = true;
            platform::push_window_change(WindowChange::Restored);
            platform::push_window_change(WindowChange::FocusGained);
        });
        present_frame();
        restorer.join();
        e.frame_hook = nullptr;
        EXPECT_TRUE(restored) << "a frame was shown while minimised";
        EXPECT_EQ(frames, 1);
        EXPECT_FALSE(e.paused);
        EXPECT_EQ(e.platform->window().title(), title);
    }
}

TEST(Devices, TheDisplayChangingGivesTheWindowTheRightWholeFactor) {
    // The automatic factor for this display, as the window opened with it.
    auto p = sdl_platform_with_window(0);
    ASSERT_TRUE(p);
    const int automatic = p->window().window_scale();
    ASSERT_GE(automatic, 2) << "the display is too small for this test";
    int w = 0, h = 0;
    p->window().client_size(w, h);
    // The window was squeezed (a smaller display): the largest whole factor that
    // fits, centred.
    ASSERT_TRUE(platform::resize_current_window(w * automatic - 1, h * automatic - 1));
    pump(*p);
    EXPECT_EQ(p->window().window_scale(), automatic - 1);
    // The display changes (a new mode, a display plugged in): the window takes the
    // automatic factor for the display it is on again, and the pointer maps to it.
    ASSERT_TRUE(platform::push_display_change());
    pump(*p);
    pump(*p);
    EXPECT_EQ(p->window().window_scale(), automatic);
    ASSERT_TRUE(platform::push_mouse_motion(automatic * 100 + automatic - 1, automatic * 50));
    platform::MouseSample s = p->input().sample_mouse();
    EXPECT_EQ(s.x, 100);
    EXPECT_EQ(s.y, 50);
    // Moved to another display: the same.
    ASSERT_TRUE(platform::resize_current_window(w, h));
    pump(*p);
    EXPECT_EQ(p->window().window_scale(), 1);
    ASSERT_TRUE(platform::push_window_change(WindowChange::MovedToDisplay));
    pump(*p);
    EXPECT_EQ(p->window().window_scale(), automatic);
    p->window().destroy_window();

    // A factor the player chose stays whatever the display does.
    auto chosen = sdl_platform_with_window(1);
    ASSERT_TRUE(chosen);
    ASSERT_TRUE(platform::push_display_change());
    pump(*chosen);
    EXPECT_EQ(chosen->window().window_scale(), 1);
    chosen->window().destroy_window();
}

}  // namespace
}  // namespace zorby
