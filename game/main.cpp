// RAYVAULTER's process entry: the call-by-name table, then the runtime's start-up around
// the game's main program.
#include "quivent.h"
#include "game/routines.h"

int main(int argc, char** argv) {
    qvt::SetCallByNameTable(qvt::game::CallTable());
    return qvt::ProgramMain(argc, argv, qvt::game::GameSettings, qvt::game::MainProgram);
}
