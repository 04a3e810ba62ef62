#include "game/routines.h"

namespace qvt::game {

namespace {

const NamedRoutine kCallTable[] = {
    {CheckOnlineHiScore, "CheckOnlineHiScore"},
    {GameOver, "GameOver"},
    {MainGame, "MainGame"},
    {NewGameInit, "NewGameInit"},
    {NewHiScore, "NewHiScore"},
    {PauseGame, "PauseGame"},
    {SaveHiScore, "SaveHiScore"},
    {TitleScreen, "TitleScreen"},
    {nullptr, nullptr},
};

}  // namespace

const NamedRoutine* CallTable() { return kCallTable; }

}  // namespace qvt::game
