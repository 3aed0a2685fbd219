// The game's screens by name: the screen states of game_state and the pages of
// menu_page.
#pragma once

namespace zorby::game {

// Screen states (game_state).
inline constexpr double kStatePlaying = 10;
inline constexpr double kStateGameOver = 20;
inline constexpr double kStateIntro = 30;
inline constexpr double kStateMenu = 90;
inline constexpr double kStateQuit = 99;

// Menu pages (menu_page), shown while game_state is kStateMenu.
namespace page {
inline constexpr double kMainMenu = 1;
inline constexpr double kHowToPlay = 2;  // the index of the four explanations
inline constexpr double kCredits = 3;
inline constexpr double kHighScores = 4;
inline constexpr double kOptions = 5;
inline constexpr double kNameEntry = 6;
inline constexpr double kExplainTimeAttack = 7;
inline constexpr double kExplainLostFound = 8;
inline constexpr double kExplainLabyrinth = 9;
inline constexpr double kExplainMasked = 10;
}  // namespace page

}  // namespace zorby::game
