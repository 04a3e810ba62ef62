// The local hiscore table: the name entry of a new hiscore, its insertion, and saving.
#include "quivent.h"
#include "game/globals.h"
#include "game/hiscore_file.h"
#include "game/online.h"
#include "game/routines.h"
#include "game/screens.h"

namespace qvt::game {

namespace {

// Names hold at most this many characters.
constexpr std::uint32_t kMaxNameLength = 9;
constexpr const char* kDefaultName = "ORVELSOFT";

void drawEntryFrame(const GameGlobals& g) {
    FillRect(0, 0, kScreenWidth, kScreenHeight, kBlack);
    drawFixed("NEW HISCORE", 232, 64);
    drawFixed(NumberToString(g.Score), kScreenWidth / 2 - kCellWidth / 2 * NumberLen(g.Score), 80);
    drawFixed("ENTER YOUR NAME WINNER", 144, 160);
    drawProportionalCentred(g.EntryName, 192);
}

// Applies one typed character to the name; true when it finished the entry.
bool applyTypedKey(GameGlobals& g) {
    const RuntimeString& key = g.EntryKey;
    if (key.length() != 1) return false;
    unsigned char c = static_cast<unsigned char>(key.c_str()[0]);
    if (c == '\n') return true;
    if (c == '\b') {
        if (!g.EntryName.empty()) g.EntryName = StringMid(g.EntryName, 0, StringLen(g.EntryName) - 1);
    } else if (c >= '!' && c <= '~') {
        if (g.EntryName.length() < kMaxNameLength) g.EntryName.append(key);
    } else if (c == ' ') {
        if (g.EntryName.length() < kMaxNameLength) g.EntryName.append("_");
    }
    return false;
}

void copyEntry(GameGlobals& g, int from, int to) {
    g.LocalScore(to) = g.LocalScore(from);
    g.LocalName(to) = g.LocalName(from);
    g.LocalSent(to) = g.LocalSent(from);
}

// A score equal to an entry goes below it: the older entry keeps the higher place.
void insertEntry(GameGlobals& g) {
    for (int i = kHiscoreEntries - 1; i >= 0; --i) {
        if (!(g.Score > g.LocalScore(i))) continue;
        for (int j = 0; j < i; ++j) copyEntry(g, j + 1, j);
        g.LocalScore(i) = g.Score;
        if (g.EntryName.empty()) g.EntryName = kDefaultName;
        g.LocalName(i) = g.EntryName;
        g.LocalSent(i) = 0;
        return;
    }
}

}  // namespace

void NewHiScore() {
    GameGlobals& g = G();
    SelectFont(0);
    g.EntryName = "";
    // What was typed during play is not part of the name.
    while (!InKey().empty()) continue;
    for (;;) {
        drawEntryFrame(g);
        ShowScreen();
        g.EntryKey = InKey();
        if (applyTypedKey(g)) break;
    }
    // A held Enter must not reach the title screen.
    showFramesWhileDown(kKeyEnter);
    insertEntry(g);
    SaveHiScore();
}

void SaveHiScore() {
    GameGlobals& g = G();
    UploadPendingEntries(UploadForm::Save);
    if (g.GlobalStale == 1) CheckOnlineHiScore();
    WriteHiscoreFile(g.HiscoreFileName);
}

}  // namespace qvt::game
