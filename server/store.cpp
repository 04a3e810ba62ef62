#include "store.h"

namespace hiscored {

bool IsPostgresSpec(const std::string& spec) {
    return spec.rfind("postgres://", 0) == 0 || spec.rfind("postgresql://", 0) == 0 ||
           spec.find('=') != std::string::npos;
}

std::unique_ptr<Store> OpenStore(const std::string& spec, std::string& error) {
    return IsPostgresSpec(spec) ? OpenPostgresStore(spec, error) : OpenSqliteStore(spec, error);
}

}  // namespace hiscored
