// Input scripts: parsing and writing the text form, and the input state a replay
// presents.
#include "platform/replay/input_script.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/portable/keys.h"

namespace zorby::platform {

namespace {

constexpr long long kCoordinateLimit = 1 << 24;
// Positions beyond this (about 190 days of frames at 60 per second) are refused, so
// that moving a script forward can never overflow.
constexpr uint64_t kPositionLimit = 1'000'000'000;
// No event line comes near this length; a longer line is damage, and is not read
// further into memory.
constexpr size_t kLineLimit = 4096;

// A word of the script as an error message shows it: at most 24 bytes, anything
// that is not printable ASCII shown as '?'.
std::string shown(std::string_view word) {
    constexpr size_t kShown = 24;
    std::string out;
    for (size_t i = 0; i < word.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    if (word.size() > kShown) out += "...";
    return "'" + out + "'";
}

// Reads one line (without its LF) of at most kLineLimit bytes. False at the end of
// the input; too_long is set (and the line left unread) when the line is longer.
bool read_line(std::istream& in, std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr || !in) return false;
    bool any = false;
    while (true) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        if (c == '\n') return true;
        if (line.size() == kLineLimit) {
            too_long = true;
            return true;
        }
        line += static_cast<char>(c);
    }
}

// Sums of many motions stay in a range where nothing overflows.
int add_clamped(int a, long long b) {
    return static_cast<int>(std::clamp<long long>(a + b, -(1LL << 30), 1LL << 30));
}

std::vector<std::string_view> split_words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

template <typename T>
bool parse_number(std::string_view word, T& out) {
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool parse_int(std::string_view word, long long lo, long long hi, int& out) {
    long long v = 0;
    if (!parse_number(word, v) || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool parse_position(std::string_view word, ScriptPosition& at) {
    at = ScriptPosition{};
    uint64_t* parts[3] = {&at.frame, &at.read, &at.poll};
    for (int i = 0; i < 3; ++i) {
        const size_t colon = word.find(':');
        if (!parse_number(word.substr(0, colon), *parts[i]) || *parts[i] > kPositionLimit) {
            return false;
        }
        if (colon == std::string_view::npos) return true;
        word = word.substr(colon + 1);
    }
    return false;  // more than three parts
}

bool parse_state(std::string_view word, int& down) {
    if (word == "down") {
        down = 1;
    } else if (word == "up") {
        down = 0;
    } else {
        return false;
    }
    return true;
}

// Parses the words after the position; error says what is wrong.
bool parse_event(const std::vector<std::string_view>& w, ScriptEvent& e, std::string& error) {
    using K = ScriptEvent::Kind;
    const std::string_view kind = w[1];
    const size_t args = w.size() - 2;
    auto want = [&](size_t n) {
        if (args == n) return true;
        error = shown(kind) + " takes " + std::to_string(n) + " value(s)";
        return false;
    };
    auto fail = [&](const char* what) {
        error = what;
        return false;
    };
    if (kind == "key") {
        e.kind = K::Key;
        if (!want(2)) return false;
        if (!parse_int(w[2], 0, 255, e.a)) return fail("key code must be 0 to 255");
        if (w[3] == "tap") {
            e.b = 2;
        } else if (!parse_state(w[3], e.b)) {
            return fail("key state must be 'down', 'up' or 'tap'");
        }
    } else if (kind == "mouse" || kind == "move" || kind == "pointer") {
        e.kind = kind == "mouse" ? K::MouseTo : (kind == "move" ? K::Move : K::Pointer);
        if (!want(2)) return false;
        if (!parse_int(w[2], -kCoordinateLimit, kCoordinateLimit, e.a) ||
            !parse_int(w[3], -kCoordinateLimit, kCoordinateLimit, e.b)) {
            return fail("mouse values must be whole numbers");
        }
    } else if (kind == "button") {
        e.kind = K::Button;
        if (!want(2)) return false;
        if (!parse_int(w[2], 1, 3, e.a)) return fail("button must be 1, 2 or 3");
        if (!parse_state(w[3], e.b)) return fail("button state must be 'down' or 'up'");
    } else if (kind == "wheel") {
        e.kind = K::Wheel;
        if (!want(1)) return false;
        if (!parse_int(w[2], -1, 1, e.a)) return fail("wheel must be -1, 0 or 1");
    } else if (kind == "focus") {
        if (!want(1)) return false;
        if (w[2] == "lost") {
            e.kind = K::FocusLost;
        } else if (w[2] == "gained") {
            e.kind = K::FocusGained;
        } else {
            return fail("focus must be 'lost' or 'gained'");
        }
    } else if (kind == "char") {
        e.kind = K::Char;
        if (!want(2)) return false;
        if (!parse_int(w[2], 0, 255, e.a) || !parse_int(w[3], 0, 255, e.b)) {
            return fail("char takes a key code and a character, 0 to 255 each");
        }
    } else if (kind == "late") {
        e.kind = K::Late;
        if (!want(1)) return false;
        if (!parse_int(w[2], 1, kPositionLimit, e.a)) {
            return fail("late takes milliseconds from 1 to 1000000000");
        }
    } else if (kind == "close" || kind == "sync" || kind == "end") {
        e.kind = kind == "close" ? K::Close : (kind == "sync" ? K::Sync : K::End);
        if (!want(0)) return false;
    } else {
        error = "unknown event " + shown(kind);
        return false;
    }
    return true;
}

}  // namespace

bool parse_input_script(std::istream& in, InputScript& script, std::string& error) {
    script = InputScript{};
    std::string line;
    bool too_long = false;
    for (uint64_t number = 1; read_line(in, line, too_long); ++number) {
        const std::string where = "line " + std::to_string(number) + ": ";
        if (too_long) {
            error = where + "longer than " + std::to_string(kLineLimit) + " bytes";
            return false;
        }
        std::string_view text(line);
        if (const size_t hash = text.find('#'); hash != std::string_view::npos) {
            text = text.substr(0, hash);
        }
        const auto words = split_words(text);
        if (words.empty()) continue;
        if (words[0] == "recording") {
            if (words.size() < 2) {
                error = where + "recording takes a key and its value";
                return false;
            }
            RecordingField field;
            field.key = std::string(words[1]);
            for (size_t i = 2; i < words.size(); ++i) {
                if (i > 2) field.value += ' ';
                field.value += words[i];
            }
            script.header.push_back(std::move(field));
            continue;
        }
        if (words[0] == "seed") {
            uint32_t seed = 0;
            if (words.size() != 2 || !parse_number(words[1], seed)) {
                error = where + "seed takes one number from 0 to 4294967295";
                return false;
            }
            script.seed = seed;
            continue;
        }
        ScriptEvent e;
        if (!parse_position(words[0], e.at)) {
            error = where + "expected FRAME, FRAME:READ or FRAME:READ:POLL (each 0 to " +
                    std::to_string(kPositionLimit) + "), got " + shown(words[0]);
            return false;
        }
        if (words.size() < 2) {
            error = where + "an event is missing after the position";
            return false;
        }
        std::string what;
        if (!parse_event(words, e, what)) {
            error = where + what;
            return false;
        }
        if (!script.events.empty() && e.at < script.events.back().at) {
            error = where + "the position " + shown(words[0]) +
                    " lies before the previous event's (events must come in time order)";
            return false;
        }
        script.events.push_back(e);
    }
    return true;
}

bool parse_input_script(const std::string& text, InputScript& script, std::string& error) {
    std::istringstream in(text);
    return parse_input_script(in, script, error);
}

bool load_input_script(const std::string& path, InputScript& script, std::string& error) {
    std::ifstream in(native_path(path));
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    if (!parse_input_script(in, script, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string format_script_event(const ScriptEvent& e) {
    using K = ScriptEvent::Kind;
    std::string s = std::to_string(e.at.frame);
    if (e.at.read != 0 || e.at.poll != 0) s += ":" + std::to_string(e.at.read);
    if (e.at.poll != 0) s += ":" + std::to_string(e.at.poll);
    auto pair = [&](const char* word) {
        return s + " " + word + " " + std::to_string(e.a) + " " + std::to_string(e.b);
    };
    switch (e.kind) {
        case K::Key:
            return s + " key " + std::to_string(e.a) +
                   (e.b == 2 ? " tap" : (e.b ? " down" : " up"));
        case K::MouseTo:
            return pair("mouse");
        case K::Move:
            return pair("move");
        case K::Pointer:
            return pair("pointer");
        case K::Button:
            return s + " button " + std::to_string(e.a) + (e.b ? " down" : " up");
        case K::Wheel:
            return s + " wheel " + std::to_string(e.a);
        case K::FocusLost:
            return s + " focus lost";
        case K::FocusGained:
            return s + " focus gained";
        case K::Close:
            return s + " close";
        case K::Char:
            return pair("char");
        case K::Sync:
            return s + " sync";
        case K::End:
            return s + " end";
        case K::Late:
            return s + " late " + std::to_string(e.a);
    }
    return s + " sync";
}

std::string InputScript::header_value(const std::string& key) const {
    for (const RecordingField& f : header) {
        if (f.key == key) return f.value;
    }
    return {};
}

std::string InputScript::header_values_joined(const std::string& key) const {
    std::string joined;
    for (const RecordingField& f : header) {
        if (f.key == key) joined += f.value;
    }
    return joined;
}

std::string format_input_script(const InputScript& script) {
    std::string out;
    for (const RecordingField& f : script.header) {
        out += "recording " + f.key + (f.value.empty() ? "" : " " + f.value) + "\n";
    }
    if (script.seed) out += "seed " + std::to_string(*script.seed) + "\n";
    for (const ScriptEvent& e : script.events) out += format_script_event(e) + "\n";
    return out;
}

// ---- ScriptedInputState ----

ScriptedInputState::ScriptedInputState() {
    for (int code = 0; code < 256; ++code) chars_[code] = us_layout_character(code);
}

void ScriptedInputState::apply(const ScriptEvent& e) {
    using K = ScriptEvent::Kind;
    switch (e.kind) {
        case K::Key:
            if (e.b == 2) {
                keys_[e.a & 0xFF] |= 0x40;
            } else {
                keys_[e.a & 0xFF] = e.b ? 0x80 : 0;
            }
            break;
        case K::MouseTo:
            mouse_.dx = add_clamped(mouse_.dx, static_cast<long long>(e.a) - mouse_.x);
            mouse_.dy = add_clamped(mouse_.dy, static_cast<long long>(e.b) - mouse_.y);
            mouse_.x = e.a;
            mouse_.y = e.b;
            break;
        case K::Move:
            mouse_.dx = add_clamped(mouse_.dx, e.a);
            mouse_.dy = add_clamped(mouse_.dy, e.b);
            mouse_.x = add_clamped(mouse_.x, e.a);
            mouse_.y = add_clamped(mouse_.y, e.b);
            break;
        case K::Pointer:
            mouse_.x = e.a;
            mouse_.y = e.b;
            break;
        case K::Button:
            if (e.a == 1) mouse_.left = e.b != 0;
            if (e.a == 2) mouse_.right = e.b != 0;
            if (e.a == 3) mouse_.middle = e.b != 0;
            if (e.a >= 1 && e.a <= 3 && e.b != 0) pressed_since_sample_[e.a - 1] = true;
            break;
        case K::Wheel:
            mouse_.wheel = e.a > 0 ? 1 : (e.a < 0 ? -1 : 0);
            break;
        case K::FocusLost:
            window_events_.push_back({WindowEventType::FocusLost});
            break;
        case K::FocusGained:
            window_events_.push_back({WindowEventType::FocusGained});
            break;
        case K::Close:
            window_events_.push_back({WindowEventType::Close});
            break;
        case K::Char:
            chars_[e.a & 0xFF] = e.b;
            break;
        case K::Sync:
        case K::End:
        case K::Late:  // the clock's concern (the replay platform)
            break;
    }
}

std::array<uint8_t, 256> ScriptedInputState::take_keys() {
    const std::array<uint8_t, 256> out = keys_;
    for (uint8_t& k : keys_) k &= 0x80;
    return out;
}

int ScriptedInputState::character(int code) const {
    return code >= 0 && code < 256 ? chars_[code] : 0;
}

MouseSample ScriptedInputState::peek_mouse_sample() const {
    MouseSample s = mouse_;
    s.left = s.left || pressed_since_sample_[0];
    s.right = s.right || pressed_since_sample_[1];
    s.middle = s.middle || pressed_since_sample_[2];
    return s;
}

MouseSample ScriptedInputState::take_mouse_sample() {
    const MouseSample s = peek_mouse_sample();
    mouse_.dx = mouse_.dy = mouse_.wheel = 0;
    pressed_since_sample_ = {};
    return s;
}

void ScriptedInputState::warp(int x, int y) {
    mouse_.x = x;
    mouse_.y = y;
}

std::optional<WindowEvent> ScriptedInputState::take_window_event() {
    if (window_events_.empty()) return std::nullopt;
    const WindowEvent e = window_events_.front();
    window_events_.pop_front();
    return e;
}

}  // namespace zorby::platform
