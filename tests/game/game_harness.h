// Scripted game runs for the game tests: a fresh engine on the virtual clock, the
// game's files in a private directory, an audio device that records what the game
// asks of it, and input scheduled by game frame.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "platform/platform.h"
#include "support/engine_fixture.h"

namespace zorby::game {

// Failed expectations show screen states and menu pages by their numbers and name
// the stages.
inline void PrintTo(Screen screen, std::ostream* os) {
    *os << static_cast<int>(screen);
}
inline void PrintTo(MenuPage page, std::ostream* os) {
    *os << static_cast<int>(page);
}
inline void PrintTo(Stage stage, std::ostream* os) {
    *os << stage_name(stage);
}
inline void PrintTo(const StageSet& set, std::ostream* os) {
    *os << '{';
    for (Stage s :
         {Stage::time_attack, Stage::lost_and_found, Stage::labyrinth, Stage::masked_smileys}) {
        if (set.contains(s)) *os << ' ' << stage_name(s);
    }
    *os << " }";
}

}  // namespace zorby::game

namespace zorby::testing {

// What the game asked of the audio device, in order.
struct AudioCall {
    enum class Kind { Sound, Music, StopMusic, Volume };
    Kind kind;
    double value = 0;            // sound slot / volume
    double pan = 0, volume = 0;  // of a sound
    std::string file;            // music file name (without directory)
};

class RecordingAudio;

class GameRun {
public:
    // Key codes of the intro's question.
    static constexpr int kKeyboardCursor = 44;  // Z
    static constexpr int kMouse = 45;           // X

    // hc_txt: the bytes of "hc.txt" to start with; none when nullptr.
    explicit GameRun(const std::string* hc_txt = nullptr);
    ~GameRun();
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    // Answers the intro's question with key code (Z, X, A or B).
    void answer_intro(int key);
    // Input that takes effect in game frame n (0 is the first frame after the intro).
    void at(uint64_t frame, const platform::ScriptEvent& event);
    void key_down(uint64_t frame, int code);
    void key_up(uint64_t frame, int code);
    void mouse_to(uint64_t frame, int x, int y);
    void button_down(uint64_t frame);
    void button_up(uint64_t frame);
    // A click: button down at frame, up at the next frame.
    void click(uint64_t frame, int x, int y);
    // Input written in the record-and-replay format ("12 mouse 40 197", "12 button 1
    // down", "30 key 201 down", ...), its frames counted from the first game frame.
    // A seed line seeds the random generator. Fails the test on a malformed script.
    void script(const std::string& text);

    // Runs game_main until frames game frames have been presented (or the game ends).
    // after_frame is called after each game frame with its number. Returns the exit
    // status when the program ended, kStopped when the run was stopped after its
    // frames, kReturned when game_main returned.
    static constexpr int kStopped = -1;
    static constexpr int kReturned = -2;
    int run(uint64_t frames, const std::function<void(uint64_t)>& after_frame = {});

    // Called with the game frame's number just before the frame is shown, while it
    // can be read back (read_pixel, read_frame).
    std::function<void(uint64_t)> before_show;

    game::GameState& state() { return game::game(); }
    TestEngine& engine() { return te_; }
    const std::string& dir() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Bytes of a file in the run's directory (empty when missing).
    std::string read_file(const std::string& name) const;
    void write_file(const std::string& name, const std::string& bytes) const;

    // Audio calls so far; clear_audio forgets them.
    const std::vector<AudioCall>& audio() const;
    void clear_audio();
    // Sound slots played, in order.
    std::vector<int> sounds() const;
    int count_sound(int slot) const;
    int count_music_starts() const;
    int count_music_stops() const;
    // The last music volume set (-1 when none).
    double last_volume() const;
    // Milliseconds on the engine clock.
    double now() const;

private:
    TestEngine te_;
    TempDir dir_;
    RecordingAudio* audio_ = nullptr;
    std::string old_cwd_;
    uint64_t base_frame_ = 0;
};

// The bytes of "hc.txt" for three records (score, name), lowest first.
std::string table_bytes(const std::vector<std::pair<uint32_t, std::string>>& records);

}  // namespace zorby::testing
