// qvtcrypt: the runtime's text cipher from the shell, and a reader for the local hiscore file.
//
//   qvtcrypt encrypt KEY TEXT        cipher text (lower-case hex) on one line
//   qvtcrypt decrypt KEY HEX         plain text on one line
//   qvtcrypt dump-hiscores FILE      the ten entries of a hiscore file, index 0 the lowest
//
// Exit codes: 0 done, 1 unreadable or short file, 2 wrong usage.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/cipher.h"
#include "core/strings.h"
#include "hiscore_file.h"

namespace {

using qvt::RuntimeString;
namespace ct = qvt::crypttool;

constexpr int kExitOk = 0;
constexpr int kExitBadFile = 1;
constexpr int kExitUsage = 2;

int usage() {
    std::fputs("usage: qvtcrypt encrypt KEY TEXT\n"
               "       qvtcrypt decrypt KEY HEX\n"
               "       qvtcrypt dump-hiscores FILE\n",
               stderr);
    return kExitUsage;
}

void printLine(const RuntimeString& text) {
    std::fwrite(text.c_str(), 1, text.length(), stdout);
    std::fputc('\n', stdout);
}

int runCipher(bool encrypt, const char* key, const char* text) {
    if (*key == '\0') {
        std::fputs("qvtcrypt: the key must not be empty\n", stderr);
        return kExitUsage;
    }
    printLine(encrypt ? qvt::EncryptText(key, text) : qvt::DecryptText(key, text));
    return kExitOk;
}

bool readWholeFile(const char* path, std::string& bytes) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "qvtcrypt: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(f) != 0;
    const int readErrno = errno;
    std::fclose(f);
    if (failed) {
        std::fprintf(stderr, "qvtcrypt: cannot read %s: %s\n", path, std::strerror(readErrno));
    }
    return !failed;
}

// Typed names hold only '!'..'~' (blank becomes '_'); anything else a foreign or damaged
// file may hold is shown as \xNN so the table stays one line per entry.
std::string printableName(const RuntimeString& name) {
    std::string out;
    for (char c : name.view()) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && b != '\\') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", b);
            out += escaped;
        }
    }
    return out;
}

std::string numberField(bool present, double value) {
    return present ? std::string(qvt::NumberToString(value).view()) : std::string("-");
}

// "-" marks a line missing from a short file; "" an empty name (an empty line).
std::string nameField(const ct::HiscoreEntry& e) {
    if (!e.hasName) return "-";
    return e.name.empty() ? "\"\"" : printableName(e.name);
}

void printEntry(int index, const ct::HiscoreEntry& e) {
    const std::string name = nameField(e);
    std::printf("%5d  %-9s  %10s  %s\n", index, name.c_str(),
                numberField(e.hasScore, e.score).c_str(), numberField(e.hasSent, e.sent).c_str());
}

int dumpHiscores(const char* path) {
    std::string bytes;
    if (!readWholeFile(path, bytes)) return kExitBadFile;
    const ct::HiscoreFile file = ct::parseHiscoreFile(bytes);

    std::printf("%5s  %-9s  %10s  %s\n", "index", "name", "score", "sent");
    const int entriesBegun = (file.linesRead + ct::kHiscoreFieldsPerEntry - 1) /
                             ct::kHiscoreFieldsPerEntry;
    for (int i = 0; i < entriesBegun; ++i) printEntry(i, file.entries[i]);

    if (file.linesRead < ct::kHiscoreLines) {
        std::fprintf(stderr, "qvtcrypt: %s is short: %d of %d lines, lines %d to %d missing\n",
                     path, file.linesRead, ct::kHiscoreLines, file.linesRead + 1,
                     ct::kHiscoreLines);
        return kExitBadFile;
    }
    if (file.extraLines) {
        std::fprintf(stderr, "qvtcrypt: %s: text after line %d ignored (the game never reads it)\n",
                     path, ct::kHiscoreLines);
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string_view command = argv[1];
    if ((command == "encrypt" || command == "decrypt") && argc == 4) {
        return runCipher(command == "encrypt", argv[2], argv[3]);
    }
    if (command == "dump-hiscores" && argc == 3) return dumpHiscores(argv[2]);
    return usage();
}
