/// @file engine.h
/// @brief Every area of the engine in one include (the test kit apart: zorby/testing.h).
#pragma once

#include "zorby/files.h"
#include "zorby/graphics.h"
#include "zorby/input.h"
#include "zorby/media.h"
#include "zorby/music.h"
#include "zorby/pathfinding.h"
#include "zorby/runtime.h"
#include "zorby/sound.h"
#include "zorby/text.h"
#include "zorby/values.h"
#include "zorby/version.h"
#include "zorby/video.h"
