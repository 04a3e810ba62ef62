// Battery charge from a power-supply tree laid out as the kernel lays it out: chargers and
// absent batteries do not count, several batteries give their mean, none gives -1.
#include "platform/sysinfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"

namespace qvt::platform {
namespace {

struct Supply {
    const char* name;
    const char* type;
    const char* capacity;  // null: no capacity file
    const char* present;   // null: no present file
};

TEST(SysinfoTest, BatteryPercentFromPowerSupplies) {
    struct Case {
        const char* what;
        std::vector<Supply> supplies;
        int percent;
    };
    const Case cases[] = {
        {"nothing there", {}, -1},
        {"one battery", {{"BAT0", "Battery", "57\n", nullptr}}, 57},
        {"a charger only", {{"AC", "Mains", nullptr, nullptr}}, -1},
        {"charger and two batteries", {{"AC", "Mains", nullptr, nullptr}, {"BAT0", "Battery", "40", "1"}, {"BAT1", "Battery", "81", nullptr}}, 60},
        {"an absent battery", {{"BAT0", "Battery", "0", "0"}, {"BAT1", "Battery", "90", "1"}}, 90},
        {"capacity unreadable", {{"BAT0", "Battery", "full", nullptr}}, -1},
        {"over 100 stays", {{"BAT0", "Battery", "120", nullptr}}, 120},
    };
    for (const Case& c : cases) {
        test::ScratchFolder root;
        for (const Supply& s : c.supplies) {
            const std::string dir = root / s.name;
            std::filesystem::create_directories(dir);
            test::writeBytes(dir + "/type", std::string(s.type) + "\n");
            if (s.capacity != nullptr) test::writeBytes(dir + "/capacity", s.capacity);
            if (s.present != nullptr) test::writeBytes(dir + "/present", s.present);
        }
        EXPECT_EQ(batteryPercent(root.path().string()), c.percent) << c.what;
    }
    EXPECT_EQ(batteryPercent("/nonexistent/qvt-power"), -1);
}

}  // namespace
}  // namespace qvt::platform
