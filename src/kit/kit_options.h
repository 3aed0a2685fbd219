// The kit's run options as the engine's start-up settings (shared by run and the
// test kit; not part of the public commands).
#pragma once

#include "runtime/engine.h"
#include "zorby/runtime.h"

namespace zorby {

ProjectSettings project_settings_for(const RunOptions& options);
// Why the options cannot start an engine; nullptr when they can.
const char* run_options_problem(const RunOptions& options);

}  // namespace zorby
