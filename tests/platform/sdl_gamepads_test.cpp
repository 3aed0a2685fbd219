// Game controllers on the SDL platform, headless (SDL's virtual controllers): every
// button and each stick direction holds its own key and no other, the stick with its
// two thresholds, and Back held for a second is Escape.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <thread>
#include <utility>

#include "platform/platform.h"
#include "platform/replay/event_injection.h"

namespace zorby {
namespace {

using platform::PadAxis;
using platform::PadButton;

class SdlGamepad : public ::testing::Test {
protected:
    void SetUp() override {
        platform::WindowConfig c;
        c.hidden = true;
        ASSERT_TRUE(p_->window().create_window(c));
        pad_ = platform::attach_virtual_gamepad();
        ASSERT_GE(pad_, 0) << "no virtual controller";
        held();  // the controller arrives
    }
    void TearDown() override {
        if (pad_ >= 0) platform::detach_virtual_gamepad(pad_);
    }
    // The engine key codes held now.
    std::set<int> held() {
        std::array<uint8_t, 256> keys{};
        p_->input().keyboard_state(keys);
        std::set<int> codes;
        for (int code = 0; code < 256; ++code) {
            if ((keys[code] & 0x80) != 0) codes.insert(code);
        }
        return codes;
    }

    std::unique_ptr<platform::Platform> p_ = platform::make_sdl_platform();
    int pad_ = -1;
};

TEST_F(SdlGamepad, EveryButtonHoldsItsOwnKeyAlone) {
    struct Button {
        PadButton button;
        std::set<int> keys;
    };
    const Button buttons[] = {
        {PadButton::A, {44}},               // Z: strike
        {PadButton::B, {45}},               // X
        {PadButton::Start, {28}},           // Enter
        {PadButton::LeftShoulder, {209}},   // Page Down: music quieter
        {PadButton::RightShoulder, {201}},  // Page Up: music louder
        {PadButton::DpadUp, {200}},
        {PadButton::DpadDown, {208}},
        {PadButton::DpadLeft, {203}},
        {PadButton::DpadRight, {205}},
        {PadButton::Back, {}},  // Escape only once held for a second
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(static_cast<int>(b.button));
        ASSERT_TRUE(platform::set_virtual_gamepad_button(pad_, b.button, true));
        EXPECT_EQ(held(), b.keys);
        ASSERT_TRUE(platform::set_virtual_gamepad_button(pad_, b.button, false));
        EXPECT_EQ(held(), std::set<int>{});
    }
}

// Each direction of the stick turns on past 16000 and off again at 10000 or less.
TEST_F(SdlGamepad, StickDirectionsTurnOnAndOffAtTheirThresholds) {
    struct Direction {
        PadAxis axis;
        int sign, key;
    };
    for (const Direction d :
         {Direction{PadAxis::LeftX, -1, 203}, Direction{PadAxis::LeftX, 1, 205},
          Direction{PadAxis::LeftY, -1, 200}, Direction{PadAxis::LeftY, 1, 208}}) {
        SCOPED_TRACE(d.key);
        const std::pair<int, bool> steps[] = {{16000, false}, {16001, true},  {10001, true},
                                              {10000, false}, {16000, false}, {32767, true},
                                              {0, false}};
        for (const auto& [deflection, on] : steps) {
            ASSERT_TRUE(platform::set_virtual_gamepad_axis(pad_, d.axis, d.sign * deflection));
            EXPECT_EQ(held(), on ? std::set<int>{d.key} : std::set<int>{}) << deflection;
        }
    }
}

TEST_F(SdlGamepad, BackHeldForASecondIsEscape) {
    ASSERT_TRUE(platform::set_virtual_gamepad_button(pad_, PadButton::Back, true));
    EXPECT_EQ(held(), std::set<int>{});
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(held(), std::set<int>{1});
    ASSERT_TRUE(platform::set_virtual_gamepad_button(pad_, PadButton::Back, false));
    EXPECT_EQ(held(), std::set<int>{});
    // Pressed again, it waits its second afresh.
    ASSERT_TRUE(platform::set_virtual_gamepad_button(pad_, PadButton::Back, true));
    EXPECT_EQ(held(), std::set<int>{});
}

}  // namespace
}  // namespace zorby
