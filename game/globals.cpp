#include "game/globals.h"

namespace qvt::game {

GameGlobals& G() {
    // Made on first use and never destroyed: the record must outlive every routine,
    // including those still running while the process exits from inside ShowScreen.
    static GameGlobals* const globals = new GameGlobals();
    return *globals;
}

void ResetGlobals() { G() = GameGlobals{}; }

void CreateHiscoreTables() {
    GameGlobals& g = G();
    DimNumbers(g.LocalScore, kHiscoreEntries);
    DimStrings(g.LocalName, kHiscoreEntries);
    DimNumbers(g.LocalSent, kHiscoreEntries);
    DimNumbers(g.GlobalScore, kHiscoreEntries);
    DimStrings(g.GlobalName, kHiscoreEntries);
    DimRecords(g.ServerRecords, 1);
}

void CreatePlayTables() {
    GameGlobals& g = G();
    for (RuntimeArray<double>* t : {&g.CrateState, &g.CrateX, &g.CrateY, &g.CrateSpeed}) {
        DimNumbers(*t, kCrateSlots);
    }
    for (RuntimeArray<double>* t : {&g.BonusState, &g.BonusX, &g.BonusY, &g.BonusSpeed}) {
        DimNumbers(*t, kBonusSlots);
    }
    for (RuntimeArray<double>* t : {&g.SparkX, &g.SparkY, &g.SparkSpeed}) {
        DimNumbers(*t, kSparkCount);
    }
}

}  // namespace qvt::game
