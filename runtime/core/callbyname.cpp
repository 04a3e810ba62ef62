#include "core/callbyname.h"

#include <cstring>

#include "core/errors.h"

namespace qvt {

namespace {
const NamedRoutine* callTable = nullptr;
}

void SetCallByNameTable(const NamedRoutine* table) { callTable = table; }

Routine FindByName(const RuntimeString& name) {
    if (callTable == nullptr) return nullptr;
    for (const NamedRoutine* e = callTable; e->routine != nullptr; ++e) {
        if (std::strcmp(e->name, name.c_str()) == 0) return e->routine;
    }
    return nullptr;
}

double CallByName(const RuntimeString& name) {
    if (Routine r = FindByName(name)) {
        r();
        return 1.0;
    }
    if (std::strcmp(name.c_str(), "QVT_ON_QUIT") != 0 &&
        std::strcmp(name.c_str(), "QVT_WIN32_MSG") != 0) {
        RuntimeString msg("CALLBYNAME \"");
        msg.append(name);
        msg.append("\" *** failed ***\n");
        DebugOut(msg);
    }
    return 0.0;
}

}  // namespace qvt
