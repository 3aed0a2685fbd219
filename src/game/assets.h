// The game's media by name: the sprite, font and sound slots the game draws and plays
// from, and the one table of files that game_main loads into them. Everything else
// in the game refers to media through these names only.
#pragma once

#include <cstddef>

namespace zorby::game {

namespace sprite {
inline constexpr double kFrame = 0;  // the frame picture of every screen
inline constexpr double kGoodFace = 1;
// Slot 2 stays empty.
inline constexpr double kLogo = 3;
inline constexpr double kText = 4;  // loaded, never drawn
inline constexpr double kGameOverCard = 5;
inline constexpr double kBadFace = 6;
inline constexpr double kBonusFace = 7;
inline constexpr double kHowToPlay = 8;  // loaded, never drawn
inline constexpr double kCredits = 9;
inline constexpr double kHighScoreTitle = 10;
inline constexpr double kMainMenu = 11;
// The ordinary faces of Lost and found (with the good, bad and bonus faces).
inline constexpr double kCalmFace = 12;
inline constexpr double kWowFace = 13;
inline constexpr double kGrinFace = 14;
inline constexpr double kLostFace = 15;
inline constexpr double kTimeAttackCard = 16;
inline constexpr double kLostFoundCard = 17;
inline constexpr double kCombo = 18;
inline constexpr double kDummy = 19;  // loaded, never drawn
inline constexpr double kKeyboard = 20;
inline constexpr double kNewHighScore = 21;
inline constexpr double kLabyrinthCard = 22;
inline constexpr double kMaze1 = 23;
inline constexpr double kMaskedCard = 24;
inline constexpr double kMaskedBadFace = 25;
inline constexpr double kBlock = 26;
inline constexpr double kWalker = 27;
inline constexpr double kStar = 28;
inline constexpr double kOptions = 29;
inline constexpr double kMarker = 30;  // the options page's marker
inline constexpr double kExplainTimeAttack = 31;
inline constexpr double kExplainLostFound = 32;
inline constexpr double kExplainLabyrinth = 33;
inline constexpr double kExplainMasked = 34;
inline constexpr double kHowToPlayIndex = 35;
inline constexpr double kDevice = 36;
inline constexpr double kMaze2 = 37;
inline constexpr double kMaze3 = 38;
}  // namespace sprite

namespace font {
inline constexpr double kLarge = 1;    // score, countdown, names, the high-score table
inline constexpr double kPointer = 2;  // the pointer glyphs and the maze's "Exit"
inline constexpr double kSmall = 3;    // the version label
}  // namespace font

namespace sound {
inline constexpr double kKeyClick = 0;  // loaded, never played
inline constexpr double kBoing = 1;     // a good face struck, a letter typed
inline constexpr double kChime = 2;     // a menu choice, start, quit
inline constexpr double kZorby = 3;     // a face pops up; the intro's greeting
// Slot 4 stays empty.
inline constexpr double kGameOver = 5;
inline constexpr double kZorby2 = 6;  // a face pops up; the walker's target is set
inline constexpr double kZorby3 = 7;  // a face pops up
inline constexpr double kMistake = 8;
inline constexpr double kBonus = 9;
inline constexpr double kApplause = 10;
inline constexpr double kClock = 11;    // a stage begins
inline constexpr double kFanfare = 12;  // a stage's title card
inline constexpr double kCheer = 13;    // success
inline constexpr double kZorby4 = 14;   // loaded, never played
inline constexpr double kZorby5 = 15;   // loaded, never played
inline constexpr double kZorby6 = 16;   // loaded, never played
inline constexpr double kBeep = 17;     // loaded, never played
inline constexpr double kDrop = 18;     // a mask drops
}  // namespace sound

// One slot and the file loaded into it.
struct AssetFile {
    double slot;
    const char* file;
};

// Loaded in this order (ascending slots) at start-up.
inline constexpr AssetFile kSpriteFiles[] = {
    {sprite::kFrame, "screen.png"},
    {sprite::kGoodFace, "smilie.png"},
    {sprite::kLogo, "logo.png"},
    {sprite::kText, "text.png"},
    {sprite::kGameOverCard, "gameover.png"},
    {sprite::kBadFace, "smilie2.png"},
    {sprite::kBonusFace, "smilie3.png"},
    {sprite::kHowToPlay, "howtoplay.png"},
    {sprite::kCredits, "credits.png"},
    {sprite::kHighScoreTitle, "highscore.png"},
    {sprite::kMainMenu, "buttons.png"},
    {sprite::kCalmFace, "smilie4.png"},
    {sprite::kWowFace, "smilie5.png"},
    {sprite::kGrinFace, "smilie6.png"},
    {sprite::kLostFace, "smilie7.png"},
    {sprite::kTimeAttackCard, "timeattack.png"},
    {sprite::kLostFoundCard, "lostfound.png"},
    {sprite::kCombo, "combo.png"},
    {sprite::kDummy, "dummy.png"},
    {sprite::kKeyboard, "keyboard.png"},
    {sprite::kNewHighScore, "newhighscore.png"},
    {sprite::kLabyrinthCard, "labyrinth.png"},
    {sprite::kMaze1, "labyrinth1.png"},
    {sprite::kMaskedCard, "daboom.png"},
    {sprite::kMaskedBadFace, "smilie8.png"},
    {sprite::kBlock, "block.png"},
    {sprite::kWalker, "minismilie.png"},
    {sprite::kStar, "star.png"},
    {sprite::kOptions, "options.png"},
    {sprite::kMarker, "pointer.png"},
    {sprite::kExplainTimeAttack, "tellmetime.png"},
    {sprite::kExplainLostFound, "tellmelost.png"},
    {sprite::kExplainLabyrinth, "tellmelaby.png"},
    {sprite::kExplainMasked, "tellmemasq.png"},
    {sprite::kHowToPlayIndex, "tellme.png"},
    {sprite::kDevice, "device.png"},
    {sprite::kMaze2, "labyrinth2.png"},
    {sprite::kMaze3, "labyrinth3.png"},
};

inline constexpr AssetFile kFontFiles[] = {
    {font::kLarge, "font.png"},
    {font::kPointer, "font2.png"},
    {font::kSmall, "font3.png"},
};

inline constexpr AssetFile kSoundFiles[] = {
    {sound::kKeyClick, "keyclick.wav"}, {sound::kBoing, "boing.wav"},
    {sound::kChime, "chime.wav"},       {sound::kZorby, "zorby.wav"},
    {sound::kGameOver, "buzz.wav"},     {sound::kZorby2, "zorby2.wav"},
    {sound::kZorby3, "zorby3.wav"},     {sound::kMistake, "buzz2.wav"},
    {sound::kBonus, "halle.wav"},       {sound::kApplause, "applaus.wav"},
    {sound::kClock, "clock.wav"},       {sound::kFanfare, "fanfare.wav"},
    {sound::kCheer, "cheer.wav"},       {sound::kZorby4, "zorby4.wav"},
    {sound::kZorby5, "zorby5.wav"},     {sound::kZorby6, "zorby6.wav"},
    {sound::kBeep, "beep.wav"},         {sound::kDrop, "bloop.wav"},
};

// The loading order is part of start-up: every table runs in ascending slots.
template <size_t N>
constexpr bool ascending_slots(const AssetFile (&table)[N]) {
    for (size_t i = 1; i < N; ++i) {
        if (!(table[i - 1].slot < table[i].slot)) return false;
    }
    return true;
}
static_assert(ascending_slots(kSpriteFiles) && ascending_slots(kFontFiles) &&
              ascending_slots(kSoundFiles));

// The background pictures of the intro, loaded by file name when shown.
inline constexpr const char* kDeviceQuestionPicture = "device.png";
inline constexpr const char* kComboPicture = "combo.png";
inline constexpr const char* kLogoPicture = "logo.png";
// The menu music.
inline constexpr const char* kMenuMusic = "music.mp3";

}  // namespace zorby::game
