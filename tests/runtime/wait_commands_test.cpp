// The waiting and typing commands on the virtual clock with scripted input.
#include "runtime/wait_commands.h"

#include <gtest/gtest.h>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using Kind = platform::ScriptEvent::Kind;

class WaitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(te.start()); }
    platform::DeterministicPlatform& p() { return te.platform(); }
    // Runs fn after the waiting loop has waited at least ms.
    void after_waiting(double ms, std::function<void()> fn) {
        const double until = p().slept_ms() + ms;
        p().sleep_hook = [this, until, fn, done = false](double) mutable {
            if (!done && p().slept_ms() >= until) {
                done = true;
                fn();
            }
        };
    }
    // Types the keys one per two frames from the next frame on (down, then up).
    void type_keys(std::initializer_list<int> codes) {
        uint64_t f = p().frames_presented() + 1;
        for (int code : codes) {
            p().schedule(f, {Kind::Key, code, 1});
            p().schedule(f + 1, {Kind::Key, code, 0});
            f += 2;
        }
    }
    testing::TestEngine te;
};

TEST_F(WaitTest, WaitForKeyReturnsWhenAKeyIsTyped) {
    after_waiting(300, [this] { p().set_key(44, true); });
    const double before = p().now_ms();
    wait_for_key();
    EXPECT_GE(p().now_ms() - before, 300.0);
    EXPECT_LT(p().now_ms() - before, 320.0);
}

TEST_F(WaitTest, KeysWithoutCharactersDoNotEndTheKeyWait) {
    after_waiting(100, [this] {
        p().set_key(200, true);  // Up arrow: no character
        after_waiting(100, [this] { p().set_key(28, true); });
    });
    const double before = p().now_ms();
    wait_for_key();
    EXPECT_GE(p().now_ms() - before, 200.0);
}

TEST_F(WaitTest, EscapeOrClosingTheWindowEndsTheWaits) {
    after_waiting(50, [this] { p().set_key(1, true); });
    EXPECT_EQ(te.run_until_end([] { wait_for_key(); }), 0);
}

TEST_F(WaitTest, ClosingTheWindowEndsTheMouseWait) {
    after_waiting(50, [this] { p().apply({Kind::Close}); });
    EXPECT_EQ(te.run_until_end([] { wait_for_mouse(); }), 0);
}

TEST_F(WaitTest, WaitForMouseReturnsOnMovementOrAClick) {
    after_waiting(40, [this] { p().apply({Kind::Move, 1, 0}); });
    const double t0 = p().now_ms();
    wait_for_mouse();
    EXPECT_GE(p().now_ms() - t0, 40.0);
    after_waiting(60, [this] { p().apply({Kind::Button, 1, 1}); });
    const double t1 = p().now_ms();
    wait_for_mouse();
    EXPECT_GE(p().now_ms() - t1, 60.0);
}

// The pause behind the game's busy_wait: exactly the asked time on the virtual clock,
// no frame presented, and the quit keys read afresh while it waits.
TEST_F(WaitTest, PauseTakesTheAskedTimeAndEndsOnTheQuitKeys) {
    const uint64_t frames = p().frames_presented();
    const double before = p().now_ms();
    wait_ms(2500);
    EXPECT_DOUBLE_EQ(p().now_ms() - before, 2500.0);
    EXPECT_EQ(p().frames_presented(), frames);

    // Escape is ignored while it does not end the program; Alt+F4 still does.
    set_escape_ends_program(0);
    after_waiting(30, [this] { p().set_key(1, true); });
    wait_ms(100);
    set_escape_ends_program(1);
    EXPECT_EQ(te.run_until_end([] { wait_ms(100); }), 0);
}

TEST_F(WaitTest, AltF4EndsAPause) {
    after_waiting(30, [this] {
        p().set_key(56, true);
        p().set_key(62, true);
    });
    const double before = p().now_ms();
    EXPECT_EQ(te.run_until_end([] { wait_ms(1000); }), 0);
    EXPECT_LT(p().now_ms() - before, 1000.0);
}

TEST_F(WaitTest, TypedLineWithBackspaceEndsOnEnter) {
    type_keys({35, 23, 14, 24, 57, 2, 28});  // h i Backspace o Space 1 Enter
    const uint64_t f0 = p().frames_presented();
    const EngineString line = read_typed_line(10, 10);
    EXPECT_EQ(line.str(), "ho 1");
    EXPECT_EQ(p().frames_presented() - f0, 13u);  // one frame per step until Enter
}

TEST_F(WaitTest, BackspaceOnAnEmptyLineAndShiftedLetters) {
    p().schedule(p().frames_presented() + 1, {Kind::Key, 42, 1});
    type_keys({14, 30, 28});
    EXPECT_EQ(read_typed_line(0, 0).str(), "A");
}

TEST_F(WaitTest, TypedLineIsDrawnOverTheScreenItStartedOn) {
    // What the caller drew before the command: a green row under the text and a red
    // one through the text's row, right of where the text goes.
    draw_line(0, 200, 319, 200, 0x00FF00);
    draw_line(200, 14, 319, 14, 0x0000FF);
    std::vector<std::pair<testing::Rgba, testing::Rgba>> seen;
    te.engine().before_swap_hook = [&] {
        seen.emplace_back(testing::read_pixel(100, 200), testing::read_pixel(300, 14));
    };
    p().schedule(p().frames_presented() + 10, {Kind::Key, 30, 1});
    p().schedule(p().frames_presented() + 11, {Kind::Key, 30, 0});
    p().schedule(p().frames_presented() + 35, {Kind::Key, 28, 1});
    EXPECT_EQ(read_typed_line(10, 10).str(), "a");
    te.engine().before_swap_hook = nullptr;
    ASSERT_GE(seen.size(), 30u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, (testing::Rgba{0, 255, 0, 255})) << "frame " << i;
        EXPECT_EQ(seen[i].second, (testing::Rgba{255, 0, 0, 255})) << "frame " << i;
    }
}

TEST_F(WaitTest, TypedNumberTakesTheLeadingNumber) {
    type_keys({3, 52, 6, 28});  // 2 . 5 Enter
    EXPECT_DOUBLE_EQ(read_typed_number(0, 0), 2.5);
    type_keys({30, 3, 28});  // a 2 Enter
    EXPECT_EQ(read_typed_number(0, 0), 0.0);
}

TEST_F(WaitTest, ScreenModeChangePresentsFiveFramesAndKeepsThePointerMode) {
    const uint64_t f0 = p().frames_presented();
    set_screen_mode(400, 300, 0);
    EXPECT_EQ(p().frames_presented() - f0, 5u);
    double w = 0, h = 0;
    te.engine().display->screen_size(w, h);
    EXPECT_EQ(w, 400.0);
    EXPECT_EQ(h, 300.0);
    EXPECT_FALSE(p().pointer_visible());
}

}  // namespace
}  // namespace zorby
