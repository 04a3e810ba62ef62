#include "store.h"

namespace hiscored {

bool IsPostgresDatabase(const std::string& database) {
    return database.rfind("postgres://", 0) == 0 || database.rfind("postgresql://", 0) == 0 ||
           database.find('=') != std::string::npos;
}

std::unique_ptr<Store> OpenStore(const std::string& database, std::string& error) {
    return IsPostgresDatabase(database) ? OpenPostgresStore(database, error) : OpenSqliteStore(database, error);
}

}  // namespace hiscored
