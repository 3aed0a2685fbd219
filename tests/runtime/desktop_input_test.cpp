// Playing on a desktop through the SDL platform: quick presses that no read saw, the
// full-screen keys, and game controllers driving the game as keys (recorded, so a
// replay is exact).
// Headless: SDL's offscreen video driver and its virtual controllers.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <utility>
#include <vector>

#include "audio/music.h"
#include "engine/numbers.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/sprite_store.h"
#include "input/input_state.h"
#include "platform/replay/event_injection.h"
#include "platform/replay/recording_platform.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "runtime/replay.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby {
namespace {

namespace fs = std::filesystem;
using platform::PadButton;
using testing::LiveEngine;

TEST(DesktopInput, AQuickPressIsReadOnceAndRecordedAsATap) {
    std::ostringstream script;
    platform::RecordingOptions ro;
    ro.realtime = false;
    platform::RecordingPlatform rec(platform::make_sdl_platform(), script, ro);
    platform::WindowConfig c;
    c.hidden = true;
    ASSERT_TRUE(rec.create_window(c));
    std::array<uint8_t, 256> keys{};
    rec.keyboard_state(keys);
    rec.sample_mouse();
    // Down and up between two reads.
    ASSERT_TRUE(platform::push_key_event(45, true));
    ASSERT_TRUE(platform::push_key_event(45, false));
    ASSERT_TRUE(platform::push_mouse_button(1, true));
    ASSERT_TRUE(platform::push_mouse_button(1, false));
    rec.keyboard_state(keys);
    EXPECT_EQ(keys[45], 0x40);
    EXPECT_TRUE(rec.sample_mouse().left);
    rec.keyboard_state(keys);
    EXPECT_EQ(keys[45], 0);
    EXPECT_FALSE(rec.sample_mouse().left);
    // A held key is unchanged.
    ASSERT_TRUE(platform::push_key_event(44, true));
    rec.keyboard_state(keys);
    rec.keyboard_state(keys);
    EXPECT_EQ(keys[44], 0x80);
    rec.finish();
    const std::string text = script.str();
    // Reads 0 and 1 before the press, 2 and 3 see it, 4 and 5 after it.
    EXPECT_NE(text.find("0:2 key 45 tap"), std::string::npos) << text;
    EXPECT_NE(text.find("0:3 button 1 down"), std::string::npos) << text;
    EXPECT_NE(text.find("0:5 button 1 up"), std::string::npos) << text;
    // The script answers the same reads.
    platform::InputScript parsed;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(text, parsed, error)) << error;
    platform::ScriptedInputState state;
    for (const auto& e : parsed.events) {
        if (e.at == platform::ScriptPosition{0, 2, 0}) state.apply(e);
    }
    EXPECT_EQ(state.take_keys()[45], 0x40);
    EXPECT_EQ(state.take_keys()[45], 0);
    rec.destroy_window();
}

TEST(DesktopInput, FullScreenKeysSwitchWithoutReachingTheGameAndKeepTexturesAndMusic) {
    LiveEngine le(platform::make_sdl_platform(), 2);
    ASSERT_TRUE(le.started());
    Engine& e = le.engine();
    ASSERT_EQ(load_sprite(EngineString(ZORBY_ASSET_DIR "/smilie.png"), 5), 1.0);
    play_music(EngineString(ZORBY_ASSET_DIR "/music.mp3"));
    const bool music = e.platform->audio().available();
    auto draw_and_read = [] {
        clear_screen();
        draw_sprite(5, 100, 80);
        return testing::read_frame(320, 240);
    };
    const std::vector<uint8_t> before = draw_and_read();
    present_frame();
    EXPECT_FALSE(current_fullscreen());
    EXPECT_EQ(current_window_scale(), 2);

    ASSERT_TRUE(platform::push_key_event(87, true));  // F11
    ASSERT_TRUE(platform::push_key_event(87, false));
    present_frame();
    EXPECT_TRUE(current_fullscreen());
    EXPECT_EQ(e.display->is_fullscreen(), 1.0);
    EXPECT_EQ(key_down(87), 0.0);
    int w = 0, h = 0;
    e.platform->window().client_size(w, h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(draw_and_read(), before);
    if (music) {
        EXPECT_TRUE(e.platform->audio().music_playing());
    }

    // Alt+Enter, with either Alt and either Enter, switches back and forth; Enter never
    // reaches the game, Alt does.
    bool full = true;
    for (const auto& [alt, enter] : {std::pair{184, 156}, {56, 156}, {184, 28}, {56, 28}}) {
        ASSERT_TRUE(platform::push_key_event(alt, true));
        ASSERT_TRUE(platform::push_key_event(enter, true));
        ASSERT_TRUE(platform::push_key_event(enter, false));
        present_frame();
        full = !full;
        EXPECT_EQ(current_fullscreen(), full) << alt << " + " << enter;
        EXPECT_EQ(key_down(enter), 0.0) << enter;
        EXPECT_EQ(key_down(alt), 1.0) << alt;
        ASSERT_TRUE(platform::push_key_event(alt, false));
    }
    ASSERT_TRUE(platform::push_key_event(87, true));  // F11 back to the window
    ASSERT_TRUE(platform::push_key_event(87, false));
    present_frame();
    EXPECT_FALSE(current_fullscreen());
    EXPECT_EQ(current_window_scale(), 2);
    EXPECT_EQ(draw_and_read(), before);
    if (music) {
        EXPECT_TRUE(e.platform->audio().music_playing());
    }
    // A tapped Escape still ends the program, normally.
    ASSERT_TRUE(platform::push_key_event(1, true));
    ASSERT_TRUE(platform::push_key_event(1, false));
    int status = -1;
    try {
        present_frame();
    } catch (const ProgramEnded& ended) {
        status = ended.exit_status;
    }
    EXPECT_EQ(status, 0);
}

// The game played with a controller alone on the live platform, recorded, and the
// recording replayed: the same cursor path, strike and typed name.
TEST(DesktopInput, AControllerPlaysTheGameAndTheRecordingReplaysIt) {
    testing::TempDir dir;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
        testing::link_or_copy(entry.path(), dir.file(entry.path().filename().string()));
    }
    const fs::path old_cwd = fs::current_path();
    // What the game showed at some frames: cursor, page, typed name.
    using Trace = std::vector<std::string>;
    struct Stop {};
    // The scene both runs share: at frame 60 the name-entry page opens with the
    // cursor on the letter A (as after a high score).
    auto scene = [](uint64_t frame, Trace& trace) {
        game::GameState& g = game::game();
        if (frame == 60) {
            g.game_state = game::Screen::menu;
            g.menu_page = game::MenuPage::name_entry;
            g.cursor_x = 20;
            g.cursor_y = 108;
        }
        if (frame % 10 == 0) {
            trace.push_back(std::to_string(frame) + ": " +
                            std::to_string(static_cast<int>(g.input_device)) + " " +
                            std::to_string(static_cast<int>(g.cursor_x)) + "," +
                            std::to_string(static_cast<int>(g.cursor_y)) + " page " +
                            std::to_string(static_cast<int>(g.menu_page)) + " name '" +
                            g.typed_name.str() + "'");
        }
        // The replay ends as frame 121 is shown, before its hook.
        if (frame == 121) throw Stop{};
    };

    Trace live;
    std::string recording;
    {
        const int pad = platform::attach_virtual_gamepad();
        ASSERT_GE(pad, 0) << "no virtual controller";
        std::ostringstream out;
        platform::RecordingOptions ro;
        ro.realtime = false;
        auto rec =
            std::make_unique<platform::RecordingPlatform>(platform::make_sdl_platform(), out, ro);
        auto* r = rec.get();
        LiveEngine le(std::move(rec), 1);
        ASSERT_TRUE(le.started());
        r->record_seed(7);
        seed_random(7);
        fs::current_path(dir.path());
        game::reset_game_state();
        // A is held as the question comes: cursor play.
        platform::set_virtual_gamepad_button(pad, PadButton::A, true);
        uint64_t frame = 0;
        le.engine().frame_hook = [&] {
            ++frame;
            using platform::PadAxis;
            if (frame == 3) platform::set_virtual_gamepad_button(pad, PadButton::A, false);
            if (frame == 20) platform::set_virtual_gamepad_button(pad, PadButton::DpadRight, true);
            if (frame == 30) platform::set_virtual_gamepad_button(pad, PadButton::DpadRight, false);
            if (frame == 35) platform::set_virtual_gamepad_axis(pad, PadAxis::LeftY, -30000);
            if (frame == 45) platform::set_virtual_gamepad_axis(pad, PadAxis::LeftY, 0);
            if (frame == 70) platform::set_virtual_gamepad_button(pad, PadButton::A, true);
            if (frame == 71) platform::set_virtual_gamepad_button(pad, PadButton::A, false);
            if (frame == 90) platform::set_virtual_gamepad_button(pad, PadButton::DpadDown, true);
            if (frame == 95) platform::detach_virtual_gamepad(pad);
            scene(frame, live);
        };
        try {
            game::game_main();
        } catch (const Stop&) {
        } catch (const ProgramEnded&) {
        }
        le.engine().frame_hook = nullptr;
        r->finish();
        recording = out.str();
        fs::current_path(old_cwd);
    }
    // Entry i is frame 10 (i + 1). Cursor play; the d-pad moves the cursor right
    // (frames 20 to 30), the stick up (35 to 45), A strikes the letter, and the pad
    // unplugged while its d-pad is held down (frame 95) moves nothing any more.
    ASSERT_EQ(live.size(), 12u) << recording;
    EXPECT_EQ(live[0].substr(0, 6), "10: 0 ") << live[0];
    EXPECT_NE(live[1].substr(4), live[2].substr(4));
    EXPECT_NE(live[3].substr(4), live[4].substr(4));
    EXPECT_NE(live[7].find("name 'A"), std::string::npos) << live[7];
    EXPECT_NE(live[8].substr(4), live[9].substr(5));
    EXPECT_EQ(live[9].substr(5), live[10].substr(5));
    EXPECT_EQ(live[10].substr(5), live[11].substr(5));

    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(recording, script, error)) << error;
    Trace replayed;
    ReplayRunOptions o;
    run_replay(script, o, [&] {
        fs::current_path(dir.path());
        game::reset_game_state();
        uint64_t frame = 0;
        engine().frame_hook = [&] { scene(++frame, replayed); };
        try {
            game::game_main();
        } catch (const Stop&) {
        }
    });
    fs::current_path(old_cwd);
    EXPECT_EQ(replayed, live) << recording;
}

}  // namespace
}  // namespace zorby
