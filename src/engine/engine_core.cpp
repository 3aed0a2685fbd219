// The floor's engine state, the run-time error model and the end-of-program hook.
#include "engine/engine_core.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/current_share.h"
#include "engine/file_channels.h"
#include "engine/numbers.h"
#include "engine/packed_media.h"

namespace zorby {

namespace {
constinit CurrentShare<EngineCore> g_core;
}  // namespace

EngineCore::EngineCore() = default;

EngineCore::~EngineCore() {
    g_core.release(this);
}

EngineCore& engine_core() {
    return g_core.get();
}

EngineCore* engine_core_if_any() {
    return g_core.if_any();
}

void set_current_core(EngineCore* c) {
    g_core.set(c);
}

void request_program_end() {
    EngineCore& c = engine_core();
    if (c.end_program_hook) c.end_program_hook();
    const int code = truncate_int32(c.error.error_number);
    if (code != 0) {
        std::fprintf(stderr, "zorby: run-time error %d (%s)%s%s\n", code, error_text(code),
                     c.error_detail.empty() ? "" : ": ", c.error_detail.c_str());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(code != 0 ? 1 : 0);
}

double clock_ms() {
    return engine_core().platform->clock().now_ms();
}

// ---- errors ----

const char* error_text(int code) {
    switch (code) {
        case 3:
            return "failed file transfer";
        case kBadArgumentError:
            return "bad argument";
        case 7:
            return "bad channel or storage failure";
        case 8:
            return "bad array argument";
        case 9:
            return "index out of range";
        case 20:
            return "data list exhausted";
        default:
            return "run-time error";
    }
}

double set_error(double code) {
    EngineCore& e = engine_core();
    e.error.error_number = code;
    e.error.error_line = e.error.current_line;
    e.error_detail.clear();
    return code;
}

double set_error(double code, const std::string& what) {
    set_error(code);
    engine_core().error_detail = what;
    return code;
}

void bad_argument(const char* command, const char* parameter, double value, const char* allowed) {
    char what[200];
    std::snprintf(what, sizeof what, "%s: %s is %g (%s)", command, parameter, value, allowed);
    set_error(kBadArgumentError, what);
    request_program_end();
}

void check_coordinate(const char* command, const char* parameter, double value) {
    if (!(std::fabs(value) <= kLargestCoordinate)) {
        bad_argument(command, parameter, value, "a number from -1000000 to 1000000 wanted");
    }
}

void check_coordinates(const char* command,
                       std::initializer_list<std::pair<const char*, double>> values) {
    for (const auto& [parameter, value] : values) check_coordinate(command, parameter, value);
}

void check_factor(const char* command, const char* parameter, double value) {
    if (std::isnan(value)) bad_argument(command, parameter, value, "a number wanted");
}

void set_current_line(double position, double line) {
    EngineCore& e = engine_core();
    e.error.current_position = position;
    e.error.current_line = line;
}

}  // namespace zorby
