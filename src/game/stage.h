// The game's four stages as values: the stage that runs while a game is played, and
// sets of stages (those whose set-up has run in the current visit).
#pragma once

#include <initializer_list>

namespace zorby::game {

// The stages, after none (no game started yet) in the order the frame loop tests
// them.
enum class Stage { none, time_attack, lost_and_found, labyrinth, masked_smileys };

// The stage's name in traces and reports: "none", "time-attack", "lost-and-found",
// "labyrinth" or "masked-smileys".
constexpr const char* stage_name(Stage stage) {
    switch (stage) {
        case Stage::time_attack:
            return "time-attack";
        case Stage::lost_and_found:
            return "lost-and-found";
        case Stage::labyrinth:
            return "labyrinth";
        case Stage::masked_smileys:
            return "masked-smileys";
        case Stage::none:
            break;
    }
    return "none";
}

// A set of stages.
class StageSet {
public:
    constexpr StageSet() = default;
    constexpr StageSet(std::initializer_list<Stage> stages) {
        for (Stage s : stages) insert(s);
    }

    constexpr bool contains(Stage s) const { return (bits_ & bit(s)) != 0; }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr void insert(Stage s) { bits_ |= bit(s); }
    constexpr void erase(Stage s) { bits_ &= ~bit(s); }
    constexpr void erase(StageSet stages) { bits_ &= ~stages.bits_; }
    constexpr void clear() { bits_ = 0; }
    constexpr bool operator==(const StageSet&) const = default;

private:
    static constexpr unsigned bit(Stage s) { return 1u << static_cast<unsigned>(s); }
    unsigned bits_ = 0;
};

// The four stages.
inline constexpr StageSet kEveryStage{Stage::time_attack, Stage::lost_and_found, Stage::labyrinth,
                                      Stage::masked_smileys};

}  // namespace zorby::game
