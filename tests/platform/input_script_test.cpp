// The platform's input scripts and the recording platform: the text form read and
// written, errors naming the line, and the recorder handing on (and writing) exactly
// what the live platform reported.
#include "platform/replay/input_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/replay/deterministic.h"
#include "platform/replay/recording_platform.h"
#include "support/file_bytes.h"

namespace zorby {
namespace {

using platform::InputScript;
using platform::ScriptEvent;
using K = ScriptEvent::Kind;

InputScript parse(const std::string& text) {
    InputScript s;
    std::string error;
    EXPECT_TRUE(platform::parse_input_script(text, s, error)) << error;
    return s;
}

// ---- the text form ----

TEST(InputScriptText, ParsesEveryEventInFileOrder) {
    const std::string text =
        "# a comment line\n"
        "seed 4000000000\n"
        "\n"
        "0 char 21 122\n"
        "120 key 45 down\n"
        "125:3 key 45 up\n"
        "125:3:2 focus lost\n"
        "130 button 1 down   # trailing comment\n"
        "130 mouse 160 120\n"
        "131 move -5 2\n"
        "131 pointer 10 10\n"
        "132 wheel -1\n"
        "133 focus gained\n"
        "140 sync\n"
        "150 close\n"
        "160 end\n";
    // A script carried between systems reads the same with CR LF line ends and
    // without a line end after its last line.
    for (const testing::LineEnds& style : testing::line_end_styles(text)) {
        SCOPED_TRACE(style.name);
        const InputScript s = parse(style.text);
        const InputScript lf = parse(text);
        EXPECT_EQ(s.seed, lf.seed);
        EXPECT_EQ(s.events, lf.events);
    }
    InputScript s;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(text, s, error)) << error;
    ASSERT_EQ(s.seed, 4000000000u);
    ASSERT_EQ(s.events.size(), 13u);
    EXPECT_EQ(s.events[0], (ScriptEvent{{0, 0, 0}, K::Char, 21, 122}));
    EXPECT_EQ(s.events[1], (ScriptEvent{{120, 0, 0}, K::Key, 45, 1}));
    EXPECT_EQ(s.events[2], (ScriptEvent{{125, 3, 0}, K::Key, 45, 0}));
    EXPECT_EQ(s.events[3], (ScriptEvent{{125, 3, 2}, K::FocusLost, 0, 0}));
    // Equal positions keep the order of the file.
    EXPECT_EQ(s.events[4], (ScriptEvent{{130, 0, 0}, K::Button, 1, 1}));
    EXPECT_EQ(s.events[5], (ScriptEvent{{130, 0, 0}, K::MouseTo, 160, 120}));
    EXPECT_EQ(s.events[6], (ScriptEvent{{131, 0, 0}, K::Move, -5, 2}));
    EXPECT_EQ(s.events[12].kind, K::End);
    // Written out and read again, the script is the same.
    InputScript again;
    ASSERT_TRUE(platform::parse_input_script(platform::format_input_script(s), again, error));
    EXPECT_EQ(again.seed, s.seed);
    EXPECT_EQ(again.events, s.events);
}

TEST(InputScriptText, ErrorsNameTheLine) {
    const std::pair<const char*, const char*> bad[] = {
        {"1 key 256 down", "line 1: key code"},
        {"\n1 key 4 pressed", "line 2: key state"},
        {"1 button 4 down", "button must be"},
        {"x key 4 down", "expected FRAME"},
        {"1:2:3:4 close", "expected FRAME"},
        {"-1 close", "expected FRAME"},
        {"1 jump", "unknown event 'jump'"},
        {"1 mouse 4", "'mouse' takes 2"},
        {"1 close now", "'close' takes 0"},
        {"1 focus away", "focus must be"},
        {"1 wheel 2", "wheel must be"},
        {"seed -4", "seed takes"},
        {"7", "missing"},
    };
    for (const auto& [text, what] : bad) {
        InputScript s;
        std::string error;
        EXPECT_FALSE(platform::parse_input_script(text, s, error)) << text;
        EXPECT_NE(error.find(what), std::string::npos) << text << " -> " << error;
    }
    InputScript s;
    std::string error;
    EXPECT_FALSE(platform::load_input_script("/nonexistent/script.txt", s, error));
}

// A live platform whose every mouse sample is kept, to compare with what the
// recorder hands on.
class MouseWitness : public platform::DeterministicPlatform {
public:
    MouseWitness() : DeterministicPlatform(platform::DeterministicOptions{}) {}
    platform::MouseSample sample_mouse() override {
        last = DeterministicPlatform::sample_mouse();
        return last;
    }
    platform::MouseSample last;
};

TEST(Recording, TheProgramAndTheScriptGetThePointerTheLivePlatformReported) {
    auto inner = std::make_unique<MouseWitness>();
    MouseWitness* live = inner.get();
    std::ostringstream out;
    platform::RecordingOptions ro;
    ro.realtime = false;
    platform::RecordingPlatform rec(std::move(inner), out, ro);
    // Motion and positions that disagree (a hidden, captured pointer), so that the
    // recorder must write where the pointer is; x and y differ everywhere.
    const std::vector<std::vector<ScriptEvent>> steps = {
        {{K::MouseTo, 100, 50}},
        {{K::Move, -30, 4}, {K::Pointer, 211, 17}},
        {{K::Pointer, 9, 230}},
        {{K::Move, 3, 0}, {K::Button, 1, 1}},
    };
    for (const auto& step : steps) {
        for (const ScriptEvent& e : step) live->apply(e);
        const platform::MouseSample got = rec.sample_mouse();
        EXPECT_EQ(got.x, live->last.x);
        EXPECT_EQ(got.y, live->last.y);
        EXPECT_EQ(got.dx, live->last.dx);
        EXPECT_EQ(got.dy, live->last.dy);
        EXPECT_EQ(got.left, live->last.left);
    }
    rec.finish();
    const std::string text = out.str();
    EXPECT_NE(text.find("pointer 211 17"), std::string::npos) << text;
    EXPECT_NE(text.find("pointer 9 230"), std::string::npos) << text;
    // The script replays to the same samples.
    platform::DeterministicPlatform replayed(platform::DeterministicOptions{});
    for (const ScriptEvent& e : parse(text).events) replayed.apply(e);
    const platform::MouseSample end = replayed.sample_mouse();
    EXPECT_EQ(end.x, live->last.x);
    EXPECT_EQ(end.y, live->last.y);
}

}  // namespace
}  // namespace zorby
