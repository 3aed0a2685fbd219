// Fuzz target: input scripts, the record-and-replay text. Any text must either be
// refused with "line N: ..." (one short line, whatever the input) or give a script
// that writes out and reads back the same, and that the replay's input state takes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/replay/input_script.h"

using zorby::platform::InputScript;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    InputScript script;
    std::string error;
    if (!zorby::platform::parse_input_script(text, script, error)) {
        // One line that a player can read: it names the line and stays short.
        if (error.rfind("line ", 0) != 0 || error.size() > 200) std::abort();
        for (const char c : error) {
            if (c < 0x20 || c >= 0x7F) std::abort();
        }
        return 0;
    }
    for (size_t i = 1; i < script.events.size(); ++i) {
        if (script.events[i].at < script.events[i - 1].at) std::abort();
    }
    InputScript again;
    if (!zorby::platform::parse_input_script(zorby::platform::format_input_script(script), again,
                                             error) ||
        again.header != script.header || again.seed != script.seed ||
        again.events != script.events) {
        std::abort();
    }
    zorby::platform::ScriptedInputState state;
    for (const auto& event : script.events) {
        state.apply(event);
        if (event.at.read % 3 == 0) state.take_mouse_sample();
        while (state.take_window_event()) {
        }
    }
    return 0;
}
