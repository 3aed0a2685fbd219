// The floor's share of the engine object: the run-time error record, the platform
// the engine runs on, the file channels, the random generator, the packed-media
// lookups and the clock base. The runtime's Engine builds on it; the floor reaches
// it through engine_core() and ends the program through the hook the runtime
// installs, so nothing here needs a layer above.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace zorby {

class FileChannels;
class RandomGenerator;
class PackedMediaLookup;

// The last reported run-time error and the line values.
struct ErrorRecord {
    double error_number = 0.0;
    double error_line = 0.0;
    double current_position = 0.0;
    double current_line = 0.0;
};

class EngineCore {
public:
    EngineCore();
    virtual ~EngineCore();
    EngineCore(const EngineCore&) = delete;
    EngineCore& operator=(const EngineCore&) = delete;

    ErrorRecord error;
    std::string error_detail;  // what failed, for the stderr line of an error end

    std::unique_ptr<platform::Platform> platform;
    std::unique_ptr<PackedMediaLookup> media_lookup;
    std::unique_ptr<PackedMediaLookup> music_lookup;
    std::unique_ptr<FileChannels> channels;
    std::unique_ptr<RandomGenerator> random;
    // The clock reading that timer_ms counts from.
    double clock_base = 0.0;

    // Ends the program (clean-up, exit); installed by the runtime. Must not return.
    void (*end_program_hook)() = nullptr;
};

// The current engine's floor (there is at most one). engine_core() ends the process
// with a message when there is none: every command needs it.
EngineCore& engine_core();
EngineCore* engine_core_if_any();
// Makes c the current floor (nullptr: none). The runtime calls it for its engine.
void set_current_core(EngineCore* c);

// Ends the program through the runtime's hook. Without one (a floor used on its
// own), says so on stderr and exits with 1 when an error is pending, else 0.
[[noreturn]] void request_program_end();

// ---- the error model ----
// Stores code as the error number, copies the current line into the error line,
// returns code unchanged.
double set_error(double code);
// The same, with a description of what failed for the stderr line at program end.
double set_error(double code, const std::string& what);
void set_current_line(double position, double line);
// The error number of an argument a command cannot work with.
constexpr int kBadArgumentError = 5;
// The longest wait wait_ms and sleep_ms accept, in milliseconds (one hour).
constexpr double kLongestWaitMs = 3600000.0;
// Error kBadArgumentError for a command's argument (NaN, an infinity, a value out of
// its range), with a line naming the command, the argument, its value and what is
// allowed; then the run ends.
[[noreturn]] void bad_argument(const char* command, const char* parameter, double value,
                               const char* allowed);
// The largest coordinate or size (either sign) the drawing commands take, in pixels.
constexpr double kLargestCoordinate = 1000000.0;
// bad_argument unless the value is a number within +-kLargestCoordinate.
void check_coordinate(const char* command, const char* parameter, double value);
// check_coordinate for each (parameter, value) in turn.
void check_coordinates(const char* command,
                       std::initializer_list<std::pair<const char*, double>> values);
// bad_argument when the value is NaN (a factor: pan, volume, blending strength).
void check_factor(const char* command, const char* parameter, double value);
// Text for a run-time error number ("index out of range", ...).
const char* error_text(int code);

// Raw clock reading in milliseconds (the platform clock).
double clock_ms();

}  // namespace zorby
