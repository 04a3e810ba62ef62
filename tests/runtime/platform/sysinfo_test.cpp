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

TEST(SysinfoTest, BatteryPercentFromPowerSupplies) {
    struct Supply {
        const char *name, *type, *capacity, *present;  // null: no such file
    };
    const std::pair<std::vector<Supply>, int> cases[] = {
        {{}, -1},
        {{{"AC", "Mains", nullptr, nullptr}, {"BAT0", "Battery", "40\n", "1"},
          {"BAT1", "Battery", "81", nullptr}},
         60},
        {{{"BAT0", "Battery", "0", "0"}, {"BAT1", "Battery", "90", "1"}}, 90},  // BAT0 is absent
        {{{"BAT0", "Battery", "full", nullptr}}, -1},
    };
    for (const auto& [supplies, percent] : cases) {
        test::ScratchFolder root;
        for (const Supply& s : supplies) {
            std::filesystem::create_directories(root / s.name);
            test::writeBytes(root / s.name + "/type", std::string(s.type) + "\n");
            if (s.capacity != nullptr) test::writeBytes(root / s.name + "/capacity", s.capacity);
            if (s.present != nullptr) test::writeBytes(root / s.name + "/present", s.present);
        }
        EXPECT_EQ(batteryPercent(root.path().string()), percent) << supplies.size() << " supplies";
    }
    EXPECT_EQ(batteryPercent("/nonexistent/qvt-power"), -1);
}

}  // namespace
}  // namespace qvt::platform
