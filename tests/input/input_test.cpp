// Keyboard, mouse, joystick and typed-character reading: through synthetic SDL
// events on the SDL platform, and through scripted input on the deterministic one.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "input/input_state.h"
#include "platform/replay/event_injection.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "runtime/wait_commands.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using Kind = platform::ScriptEvent::Kind;

// An engine on the real SDL platform (offscreen video, real clock).
class SdlEngine {
public:
    SdlEngine() {
        set_current_engine(&engine_);
        engine_.exit_hook = [](int status) { throw ProgramEnded{status}; };
        // The window at the frame's own size: window pixels are game pixels here.
        engine_.settings.window_scale = 1;
        started_ = engine_start(platform::make_sdl_platform(), 1, "zorby");
    }
    ~SdlEngine() {
        if (engine_.started && !engine_.cleaned_up) engine_cleanup();
        engine_.platform.reset();
        set_current_engine(nullptr);
    }
    bool started() const { return started_; }
    Engine& engine() { return engine_; }

private:
    Engine engine_;
    bool started_ = false;
};

// Every key the engine numbers: the scan codes of the key table.
std::set<int> named_keys() {
    std::set<int> codes;
    for (int c = 1; c <= 83; ++c) codes.insert(c);
    for (int c : {86,  87,  88,  156, 157, 181, 184, 199, 200, 201,
                  203, 205, 207, 208, 209, 210, 211, 219, 220, 221}) {
        codes.insert(c);
    }
    return codes;
}

TEST(SdlKeyboard, EveryNamedKeyReadsOneWhileHeldAndZeroAfter) {
    SdlEngine e;
    ASSERT_TRUE(e.started());
    for (int code : named_keys()) {
        if (code == 87) continue;  // F11 switches full screen and never reaches the game
        ASSERT_TRUE(platform::push_key_event(code, true)) << "no key sends code " << code;
        EXPECT_EQ(key_down(code), 1.0) << code;
        EXPECT_EQ(key_down(code + 256), 1.0) << "codes are taken modulo 256: " << code;
        ASSERT_TRUE(platform::push_key_event(code, false));
        EXPECT_EQ(key_down(code), 0.0) << code;
    }
}

// Keys of other layouts through the SDL platform: the symbol a key event carries and
// the text the system makes of a press reach the typed line as Latin-1 bytes; the
// keypad types its characters; text outside Latin-1 types nothing.
TEST(SdlKeyboard, Latin1AndKeypadCharactersReachTheTypedLine) {
    SdlEngine e;
    ASSERT_TRUE(e.started());
    using platform::push_key_event;
    struct Press {
        std::vector<int> codes;
        int symbol;        // -1: the key's own symbol
        const char* text;  // nullptr: no text event
    };
    const std::vector<Press> presses = {
        {{39}, 0xF6, "\xC3\xB6"},   // o with diaeresis (German layout)
        {{26}, -1, "\xC3\xA9"},     // e acute, made by a dead key
        {{42, 40}, 0xE4, nullptr},  // Shift + a with diaeresis: its capital
        {{71}, -1, nullptr},        // keypad 7, point, +, *, /
        {{83}, -1, nullptr},
        {{78}, -1, nullptr},
        {{55}, -1, nullptr},
        {{181}, -1, nullptr},
        {{18}, -1, "\xE2\x82\xAC"},  // the euro sign: outside Latin-1,
                                     // nothing
        {{12}, 0xDF, nullptr},       // sharp s (no capital to take)
        {{28}, -1, nullptr},         // Enter
    };
    size_t step = 0;
    e.engine().frame_hook = [&] {
        // Even frames press, odd frames release.
        const size_t n = step / 2;
        if (n < presses.size()) {
            const Press& press = presses[n];
            const bool down = step % 2 == 0;
            for (int code : press.codes) {
                if (press.symbol >= 0 && code == press.codes.back()) {
                    push_key_event(code, down, press.symbol);
                } else {
                    push_key_event(code, down);
                }
            }
            if (down && press.text) platform::push_text_event(press.text);
        }
        ++step;
    };
    const EngineString line = read_typed_line(0, 0);
    e.engine().frame_hook = nullptr;
    EXPECT_EQ(line.str(),
              "\xF6\xE9\xC4"
              "7.+*/\xDF");
}

TEST(SdlKeyboard, CodesNoKeySendsReadZeroWhileEveryKeyIsHeld) {
    SdlEngine e;
    ASSERT_TRUE(e.started());
    for (int code : named_keys()) platform::push_key_event(code, true);
    for (int code : {0, 84, 85, 129, 150, 255}) EXPECT_EQ(key_down(code), 0.0) << code;
    EXPECT_EQ(key_down(44), 1.0);
}

// The hidden pointer follows where the system pointer is (positions only, as an
// absolute device reports them): past the window's edge it stays at the edge, and
// coming back moves it at once.
TEST(SdlMouse, HiddenPointerClampsAtTheEdgesAndMovesBackAtOnce) {
    SdlEngine e;
    ASSERT_TRUE(e.started());
    double x, y, left, right;
    platform::push_mouse_motion(-5000, -5000);
    present_frame();
    mouse_state(x, y, left, right);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    platform::push_mouse_motion(5, 7);
    present_frame();
    mouse_state(x, y, left, right);
    EXPECT_EQ(x, 5.0);
    EXPECT_EQ(y, 7.0);
    platform::push_mouse_motion(5000, 5000);
    platform::push_mouse_button(1, true);
    present_frame();
    mouse_state(x, y, left, right);
    EXPECT_EQ(x, 319.0);
    EXPECT_EQ(y, 239.0);
    EXPECT_EQ(left, 1.0);
    EXPECT_EQ(right, 0.0);
    platform::push_mouse_motion(310, 5000);
    platform::push_mouse_button(1, false);
    platform::push_mouse_button(2, true);
    present_frame();
    mouse_state(x, y, left, right);
    EXPECT_EQ(x, 310.0);
    EXPECT_EQ(left, 0.0);
    EXPECT_EQ(right, 1.0);
}

class InputTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(te.start()); }
    void move(int dx, int dy) { te.platform().apply({Kind::Move, dx, dy}); }
    InputState& input() { return *te.engine().input; }
    testing::TestEngine te;
};

TEST_F(InputTest, MovementIsSampledOncePerFrame) {
    double x0, y0, x, y, l, r;
    mouse_state(x0, y0, l, r);
    present_frame();
    move(10, 4);
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, x0 + 10);
    EXPECT_EQ(mouse_axis(0), 10.0);
    // A second read in the same frame repeats the movement without adding it again.
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, x0 + 10);
    EXPECT_EQ(y, y0 + 4);
    EXPECT_EQ(mouse_axis(0), 10.0);
    EXPECT_EQ(mouse_axis(1), 4.0);
    // Motion arriving after the frame's sample is not lost: it joins the next frame.
    move(3, 0);
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, x0 + 10);
    present_frame();
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, x0 + 13);
    EXPECT_EQ(mouse_axis(0), 3.0);
}

TEST_F(InputTest, ButtonsAndWheelThroughTheAxes) {
    te.platform().apply({Kind::Button, 3, 1});
    te.platform().apply({Kind::Wheel, -3});
    present_frame();
    EXPECT_EQ(mouse_axis(2), -1.0);
    EXPECT_EQ(mouse_axis(3), 0.0);
    EXPECT_EQ(mouse_axis(5), 1.0);
    EXPECT_EQ(mouse_axis(6), 0.0);
    EXPECT_EQ(mouse_axis(-1), 0.0);
    EXPECT_TRUE(any_mouse_button(input()));
    te.platform().apply({Kind::Button, 3, 0});
    EXPECT_FALSE(any_mouse_button(input()));
    // any_mouse_button samples afresh: movement since is consumed by it.
    move(2, 2);
    any_mouse_button(input());
    EXPECT_EQ(mouse_axis(0), 2.0);
}

TEST_F(InputTest, VisiblePointerIsReadWhereItIs) {
    show_pointer(1);
    EXPECT_TRUE(te.platform().pointer_visible());
    te.platform().apply({Kind::MouseTo, 400, 30});
    present_frame();
    double x, y, l, r;
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, 319.0);  // clamped and stored clamped
    EXPECT_EQ(y, 30.0);
    te.platform().apply({Kind::MouseTo, 200, 31});
    present_frame();
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, 200.0);
    EXPECT_EQ(mouse_axis(0), -119.0);
    // Hiding and showing again puts the system pointer at the engine's position.
    show_pointer(0);
    EXPECT_FALSE(te.platform().pointer_visible());
    te.platform().apply({Kind::Move, 7, 0});
    present_frame();
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, 207.0);
    te.platform().apply({Kind::MouseTo, 5, 5});  // the system pointer wanders meanwhile
    show_pointer(1);
    present_frame();
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, 207.0);
    EXPECT_EQ(y, 31.0);
}

TEST_F(InputTest, ReleaseGivesThePointerBack) {
    EXPECT_FALSE(te.platform().pointer_visible());
    release_input(input());
    EXPECT_TRUE(te.platform().pointer_visible());
    EXPECT_TRUE(input().pointer_visible);
}

TEST_F(InputTest, KeyCodesAreTakenModulo256) {
    te.platform().set_key(1, true);
    for (double code : {1.0, 1.9, 257.0, -255.0, 65537.0}) EXPECT_EQ(key_down(code), 1.0) << code;
    for (double code : {double(NAN), double(INFINITY), 2.0, 0.0})
        EXPECT_EQ(key_down(code), 0.0) << code;
    te.platform().set_key(255, true);
    EXPECT_EQ(key_down(-1), 1.0);
}

TEST_F(InputTest, TypedCharReportsEachNewPressOnce) {
    auto& p = te.platform();
    p.set_key(30, true);  // A
    EXPECT_EQ(typed_char(input()), 'a');
    EXPECT_EQ(typed_char(input()), 0);  // held: reported once
    p.set_key(48, true);                // B with A still held: A is found first
    EXPECT_EQ(typed_char(input()), 0);
    p.set_key(30, false);
    EXPECT_EQ(typed_char(input()), 'b');
    p.set_key(48, false);
    EXPECT_EQ(typed_char(input()), 0);
    p.set_key(48, true);  // released and pressed again: reported again
    EXPECT_EQ(typed_char(input()), 'b');
    p.set_key(48, false);
    EXPECT_FALSE(any_char_pressed(input()));
}

// Each modifier, left and right twin alike, types nothing itself; either Shift
// capitalises a letter and leaves a digit alone; Ctrl and Alt change neither.
TEST_F(InputTest, ModifierTwinsTypeNothingAndOnlyShiftCapitalises) {
    auto& p = te.platform();
    struct Modifier {
        int code;  // 0: none held
        bool shift;
    };
    for (const Modifier m :
         {Modifier{0, false}, Modifier{42, true}, Modifier{54, true}, Modifier{29, false},
          Modifier{157, false}, Modifier{56, false}, Modifier{184, false}}) {
        SCOPED_TRACE(m.code);
        if (m.code != 0) {
            p.set_key(m.code, true);
            EXPECT_EQ(typed_char(input()), 0);
        }
        p.set_key(30, true);  // A
        EXPECT_EQ(typed_char(input()), m.shift ? 'A' : 'a');
        p.set_key(30, false);
        p.set_key(3, true);  // 2
        EXPECT_EQ(typed_char(input()), '2');
        p.set_key(3, false);
        if (m.code != 0) p.set_key(m.code, false);
    }
}

TEST_F(InputTest, EnterBackspaceAndKeysWithoutCharacters) {
    auto& p = te.platform();
    p.set_key(28, true);
    EXPECT_EQ(typed_char(input()), 10);
    p.set_key(28, false);
    EXPECT_EQ(typed_char(input()), 0);  // released: the next press counts again
    p.set_key(156, true);               // keypad Enter
    EXPECT_EQ(typed_char(input()), 10);
    p.set_key(156, false);
    p.set_key(14, true);
    EXPECT_EQ(typed_char(input()), 8);
    p.set_key(14, false);
    for (int code : {1, 29, 56, 58, 69, 200, 221}) {
        p.set_key(code, true);
        EXPECT_FALSE(any_char_pressed(input())) << code;
        p.set_key(code, false);
    }
    p.set_key(200, true);  // an arrow does not hide a letter behind it
    p.set_key(16, true);
    EXPECT_EQ(typed_char(input()), 'q');
}

TEST_F(InputTest, NoJoysticksReadAsNothing) {
    EXPECT_EQ(joystick_count(), 0.0);
    EXPECT_EQ(joystick_name(0), "");
    EXPECT_EQ(joystick_axis(0, 0), 0.0);
    EXPECT_EQ(joystick_pov_vertical(0), 0.0);
    double x = 1, y = 1, b1 = 1, b2 = 1;
    joystick_read(x, y, b1, b2);
    EXPECT_EQ(x + y + b1 + b2, 0.0);
    JoystickReport r;
    EXPECT_FALSE(read_joystick(input(), 0, r));
}

}  // namespace
}  // namespace zorby
