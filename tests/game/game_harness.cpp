// Scripted game runs: engine, private directory, recording audio, scheduled input.
#include "game/game_harness.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "audio/sound.h"
#include "engine/numbers.h"
#include "game/game_main.h"
#include "input/input_state.h"
#include "platform/replay/input_script.h"
#include "support/file_bytes.h"

namespace zorby::testing {

namespace fs = std::filesystem;
using Kind = platform::ScriptEvent::Kind;

namespace {

// Thrown from the frame hook to end a run after its last frame.
struct StopRun {};

}  // namespace

// An audio device that plays nothing and records what the music asks of it; the
// sound requests are recorded from the sound system.
class RecordingAudio : public platform::AudioDevice {
public:
    std::vector<AudioCall> calls;

    bool available() const override { return true; }
    int allocate_channels(int count) override { return count; }
    int load_chunk(const uint8_t*, size_t, int, int, int) override { return ++chunks_; }
    void free_chunk(int) override {}
    bool play_chunk(int, int, double, double) override { return true; }
    bool channel_playing(int) override { return false; }
    void halt_channel(int) override {}
    void halt_all() override {}
    bool play_music(const std::string& path) override {
        calls.push_back({AudioCall::Kind::Music, 0, 0, 0, fs::path(path).filename().string()});
        return true;
    }
    double music_length_ms() override { return 60000; }
    void set_music_volume(double volume) override {
        calls.push_back({AudioCall::Kind::Volume, volume, 0, 0, {}});
    }
    void stop_music() override { calls.push_back({AudioCall::Kind::StopMusic, 0, 0, 0, {}}); }
    bool music_playing() override { return false; }

private:
    int chunks_ = 0;
};

GameRun::GameRun(const std::string* hc_txt) {
    auto audio = std::make_unique<RecordingAudio>();
    audio_ = audio.get();
    te_.platform().set_audio(std::move(audio));
    // The game's files from the asset folder, except the high-score table, which
    // each test chooses, and the music, which the recording device stands in for.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "hc.txt" || name == "music.mp3") continue;
        link_or_copy(entry.path(), dir_.file(name));
    }
    write_file("music.mp3", "stand-in");
    if (hc_txt != nullptr) write_file("hc.txt", *hc_txt);

    EXPECT_TRUE(te_.start());
    te_.engine().sound->on_play = [this](double slot, double pan, double volume, double) {
        audio_->calls.push_back({AudioCall::Kind::Sound, slot, pan, volume, {}});
    };
    // Start-up makes the program's directory current; the run's files are here.
    old_cwd_ = fs::current_path().string();
    fs::current_path(dir_.path());
    game::reset_game_state();
    base_frame_ = te_.platform().frames_presented();
    // The hidden pointer moves by relative motion from where the input object keeps
    // it: start it at the origin, where the platform's pointer starts, so moves to a
    // position land there.
    te_.engine().input->mouse_x = 0;
    te_.engine().input->mouse_y = 0;
}

GameRun::~GameRun() {
    te_.engine().frame_hook = nullptr;
    te_.engine().before_swap_hook = nullptr;
    std::error_code ec;
    fs::current_path(old_cwd_, ec);
}

void GameRun::answer_intro(int key) {
    // Down before the question is asked, up after the second intro picture.
    te_.platform().schedule(base_frame_, {Kind::Key, key, 1});
    te_.platform().schedule(base_frame_ + 2, {Kind::Key, key, 0});
}

void GameRun::at(uint64_t frame, const platform::ScriptEvent& event) {
    // The intro presents three pictures before the first game frame.
    te_.platform().schedule(base_frame_ + 3 + frame, event);
}

void GameRun::key_down(uint64_t frame, int code) {
    at(frame, {Kind::Key, code, 1});
}
void GameRun::key_up(uint64_t frame, int code) {
    at(frame, {Kind::Key, code, 0});
}
void GameRun::mouse_to(uint64_t frame, int x, int y) {
    at(frame, {Kind::MouseTo, x, y});
}
void GameRun::button_down(uint64_t frame) {
    at(frame, {Kind::Button, 1, 1});
}
void GameRun::button_up(uint64_t frame) {
    at(frame, {Kind::Button, 1, 0});
}
void GameRun::click(uint64_t frame, int x, int y) {
    mouse_to(frame, x, y);
    button_down(frame);
    button_up(frame + 1);
}

void GameRun::script(const std::string& text) {
    platform::InputScript parsed;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(text, parsed, error)) << error;
    if (parsed.seed) seed_random(*parsed.seed);
    // Events take effect at the first read of their frame (read and poll positions
    // are a replay's business).
    for (const platform::ScriptEvent& e : parsed.events) {
        if (e.at.read != 0 || e.at.poll != 0) {
            ADD_FAILURE() << "not supported here: " << platform::format_script_event(e);
        }
        at(e.at.frame, e);
    }
}

int GameRun::run(uint64_t frames, const std::function<void(uint64_t)>& after_frame) {
    uint64_t presented = 0;
    te_.engine().frame_hook = [&] {
        ++presented;
        if (presented <= 3) return;  // the intro's pictures
        const uint64_t frame = presented - 4;
        if (after_frame) after_frame(frame);
        if (frame + 1 >= frames) throw StopRun{};
    };
    uint64_t drawn = 0;
    te_.engine().before_swap_hook = [&] {
        ++drawn;
        if (drawn > 3 && before_show) before_show(drawn - 4);
    };
    int status = kStopped;
    try {
        status = te_.run_until_end([] { game::game_main(); });
        if (status == -1) status = kReturned;
    } catch (const StopRun&) {
        status = kStopped;
    }
    te_.engine().frame_hook = nullptr;
    te_.engine().before_swap_hook = nullptr;
    return status;
}

std::string GameRun::read_file(const std::string& name) const {
    std::ifstream in(dir_.file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void GameRun::write_file(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_.file(name), std::ios::binary) << bytes;
}

const std::vector<AudioCall>& GameRun::audio() const {
    return audio_->calls;
}
void GameRun::clear_audio() {
    audio_->calls.clear();
}

std::vector<int> GameRun::sounds() const {
    std::vector<int> out;
    for (const AudioCall& c : audio_->calls) {
        if (c.kind == AudioCall::Kind::Sound) out.push_back(static_cast<int>(c.value));
    }
    return out;
}

int GameRun::count_sound(int slot) const {
    const std::vector<int> s = sounds();
    return static_cast<int>(std::count(s.begin(), s.end(), slot));
}

int GameRun::count_music_starts() const {
    return static_cast<int>(std::count_if(audio_->calls.begin(), audio_->calls.end(), [](auto& c) {
        return c.kind == AudioCall::Kind::Music && c.file == "music.mp3";
    }));
}

int GameRun::count_music_stops() const {
    return static_cast<int>(std::count_if(audio_->calls.begin(), audio_->calls.end(), [](auto& c) {
        return c.kind == AudioCall::Kind::StopMusic;
    }));
}

double GameRun::last_volume() const {
    for (auto it = audio_->calls.rbegin(); it != audio_->calls.rend(); ++it) {
        if (it->kind == AudioCall::Kind::Volume) return it->value;
    }
    return -1;
}

double GameRun::now() const {
    return timer_ms();
}

std::string table_bytes(const std::vector<std::pair<uint32_t, std::string>>& records) {
    std::string out;
    for (const auto& [score, name] : records) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((score >> (8 * i)) & 0xFF));
        out += name;
        out.push_back('\n');
    }
    return out;
}

}  // namespace zorby::testing
