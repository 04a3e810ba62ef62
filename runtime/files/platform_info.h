// Platform information by key, and the process environment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/strings.h"

namespace qvt {

// The answer for key (compared in upper case; the name after "GLEXT:" keeps its case):
//   ""           "LINUX"
//   "DEVICE"     "DESKTOP"
//   "GLEXT:name" "1" when the GL driver gives an entry point for name, else "0" (always
//                "0" without a window). Mesa gives one for any name that starts with
//                "gl", so on Mesa "1" means only that the name is well formed.
//   "ID"         the machine id folded to 32 bits, mixed with a fixed mask, as 8 upper-case
//                hex digits, least significant byte first
//   "TIME"       local time "YYYY-MM-DD hh:mm:ss"; "UTCTIME" the same in UTC
//   "BATTERY"    charge in percent, 0..100; "100" without a battery
//   "COMPILED"   build date and time, "Mmm dd yyyy-hh:mm:ss"
//   "HOSTID"     the 8-character build identifier
//   "VERSION"    the program's version ("000.001" unless set)
//   "LOCALE"     a two-letter language code from LC_ALL, LC_MESSAGES or LANG
//   "DOCUMENTS"  the user's documents folder, no trailing "/"
//   "APPDATA"    the user's data folder + "/Quivent" (created when missing)
//   "TEMP"       the runtime's private temporary folder, with a trailing "/"
// Unknown keys, and folders the system cannot give, answer "NO_DATA". Sets no error.
RuntimeString QueryPlatformInfo(const RuntimeString& key);

// The variable's value, "" when unset. An empty name gives every "name=value" entry of
// the environment, each followed by a line feed.
RuntimeString GetEnvironment(const RuntimeString& name);
// Sets the variable to value in the process environment.
void SetEnvironment(const RuntimeString& name, const RuntimeString& value);

// What "VERSION" answers.
void SetProgramVersion(const RuntimeString& version);

// ---- Pieces of the answers (tests) -----------------------------------------------------

inline constexpr std::uint32_t kMissingMachineSerial = 0x00FA17ED;
// The language identifier of a POSIX locale name ("de_DE.UTF-8" -> 0x0407); 0 for "C",
// "POSIX", "" and languages without one.
std::uint16_t LocaleLanguageId(std::string_view locale);
// The two-letter code of a language identifier, by the runtime's table and its rules.
RuntimeString LanguageCode(std::uint16_t languageId);
// "BATTERY" for a charge in percent (-1: no battery; above 100 is 100).
RuntimeString BatteryKey(int percent);
// "YYYY-MM-DD hh:mm:ss".
RuntimeString FormatPlatformTime(int year, int month, int day, int hour, int minute, int second);
// The machine id text (32 hex digits) folded to 32 bits; kMissingMachineSerial when it is
// not one.
std::uint32_t MachineSerial(std::string_view idText);
// "ID" for a serial.
RuntimeString MachineIdKey(std::uint32_t serial);
// The documents folder named in a user-dirs.dirs text ($HOME stands for home), "" when
// the text names none.
std::string DocumentsFromUserDirs(std::string_view text, const std::string& home);

}  // namespace qvt
