// The options page: difficulty boxes and the countdown preset they lead to, sound
// on and off with the music, and the volume keys of every frame.
#include <gtest/gtest.h>

#include "audio/music.h"
#include "game/game_harness.h"
#include "game/game_state.h"

namespace zorby::testing {
namespace {

using game::GameState;

// A run that opens the options page in frame 0.
void open_options(GameRun& run) {
    run.answer_intro(GameRun::kMouse);
    run.click(0, 220, 110);
}

TEST(Options, DifficultyBoxesSetTheDifficultyAndTheMenuCountdown) {
    GameRun run;
    open_options(run);
    run.click(2, 264, 150);                 // 2
    run.click(4, 290, 150);                 // 3
    run.click(6, 258, 150);                 // on the bound of box 2: nothing
    run.click(8, 240, 150);                 // 1
    std::vector<std::pair<int, int>> seen;  // difficulty, countdown
    run.run(10,
            [&](uint64_t) { seen.emplace_back(run.state().difficulty, run.state().countdown); });
    EXPECT_EQ(seen[0], std::make_pair(1, 250));
    EXPECT_EQ(seen[2].first, 2);
    EXPECT_EQ(seen[3], std::make_pair(2, 400));  // the preset follows a frame later
    EXPECT_EQ(seen[5], std::make_pair(3, 600));
    EXPECT_EQ(seen[7], std::make_pair(3, 600));
    EXPECT_EQ(seen[9], std::make_pair(1, 250));
    EXPECT_EQ(run.state().menu_page, game::MenuPage::options);
}

TEST(Options, HeldDifficultyBoxChimesEveryFrame) {
    GameRun run;
    open_options(run);
    run.mouse_to(2, 240, 150);
    run.button_down(2);
    run.button_up(7);  // held over frames 2..6
    int chimes_before = 0;
    run.run(9, [&](uint64_t f) {
        if (f == 1) chimes_before = run.count_sound(2);
    });
    EXPECT_EQ(run.count_sound(2) - chimes_before, 5);
}

TEST(Options, SoundOffStopsTheMusicEveryFrameAndSoundOnRestartsItWhileHeld) {
    GameRun run;
    open_options(run);
    run.click(2, 55, 148);  // off
    run.mouse_to(10, 24, 148);
    run.button_down(10);  // on, held for three frames
    run.button_up(13);
    int starts_at_2 = 0, stops_at_2 = 0, stops_at_9 = 0, starts_at_9 = 0;
    run.run(20, [&](uint64_t f) {
        if (f == 2) starts_at_2 = run.count_music_starts(), stops_at_2 = run.count_music_stops();
        if (f == 9) starts_at_9 = run.count_music_starts(), stops_at_9 = run.count_music_stops();
        if (f >= 3 && f < 10) {
            EXPECT_EQ(run.state().sound_on, 0) << f;
            EXPECT_FALSE(run.engine().engine().music->open()) << f;
        }
    });
    EXPECT_EQ(starts_at_2, 1) << "the menu music of the first frame";
    // Off from frame 3 on (frame 2 drew the page before its box was pressed).
    EXPECT_EQ(stops_at_2, 0);
    EXPECT_EQ(stops_at_9, 1);
    EXPECT_EQ(starts_at_9, 1);
    // On, held over frames 10..12: each held frame clears music_playing, so the music
    // starts anew in frames 11, 12 and 13.
    EXPECT_EQ(run.count_music_starts() - starts_at_9, 3);
    EXPECT_EQ(run.state().sound_on, 1);
    EXPECT_EQ(run.state().music_playing, 1);
}

TEST(Options, SoundOffSilencesTheGamesSounds) {
    GameRun run;
    open_options(run);
    run.click(2, 55, 148);   // off
    run.click(4, 240, 150);  // difficulty 1: no chime now
    run.run(6, [&](uint64_t f) {
        if (f == 3) run.clear_audio();
    });
    EXPECT_EQ(run.count_sound(2), 0);
}

TEST(VolumeKeys, StepsClampAndTheFirstFrameSetsFourTenths) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.script(R"(
        # Page Up held for 10 frames, then Page Down for 14
        1 key 201 down
        11 key 201 up
        11 key 209 down
        25 key 209 up
    )");
    std::vector<std::pair<int, double>> seen;  // step, volume set
    run.run(26, [&](uint64_t) { seen.emplace_back(run.state().volume_step, run.last_volume()); });
    EXPECT_EQ(seen[0], std::make_pair(5, 0.4));
    EXPECT_EQ(seen[1].first, 6);
    EXPECT_DOUBLE_EQ(seen[1].second, 0.5);
    EXPECT_EQ(seen[6], std::make_pair(11, 1.0));
    EXPECT_EQ(seen[10], std::make_pair(11, 1.0)) << "held at the top";
    // The step never went past 11, so the first Page Down frame gives 10.
    EXPECT_EQ(seen[11].first, 10);
    EXPECT_DOUBLE_EQ(seen[11].second, 0.9);
    EXPECT_EQ(seen[20], std::make_pair(1, 0.0));
    EXPECT_EQ(seen[21], std::make_pair(0, 0.0));
    EXPECT_EQ(seen[24], std::make_pair(0, 0.0)) << "held at the bottom";
}

}  // namespace
}  // namespace zorby::testing
