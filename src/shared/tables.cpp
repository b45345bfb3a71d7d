#include "shared/tables.hpp"

namespace kov {

SharedTables& shared() {
    static SharedTables t;
    return t;
}

}  // namespace kov
