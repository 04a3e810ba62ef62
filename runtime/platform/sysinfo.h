// Facts about the machine and the process for the platform queries: calendar time, the
// battery, the machine id, the home folder and the environment.
#pragma once

#include <string>
#include <vector>

namespace qvt::platform {

// Where the kernel lists batteries and chargers.
inline constexpr const char* kPowerSupplyRoot = "/sys/class/power_supply";

struct CalendarTime {
    int year = 0;    // e.g. 2024
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..60
};
// The wall clock now, in the local time zone or in UTC.
CalendarTime calendarNow(bool utc);

// Charge in percent of the batteries under root (their mean when there are several; a
// battery marked absent does not count), or -1 when there is none.
int batteryPercent(const std::string& root = kPowerSupplyRoot);

// The text of /etc/machine-id (else /var/lib/dbus/machine-id), empty when neither reads.
std::string machineIdText();

// $HOME when set and absolute, else the home folder of the user database; empty when none.
std::string homeDirectory();

// The variable's value; false when it is not set.
bool environmentValue(const char* name, std::string& value);
// Sets (replaces) the variable; false when the name is empty or holds "=".
bool setEnvironmentValue(const char* name, const char* value);
// Every "name=value" entry of the process environment, in its order.
std::vector<std::string> environmentEntries();

}  // namespace qvt::platform
