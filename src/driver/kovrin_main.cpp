#include "driver/kovrin_main.hpp"

#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"

namespace kov {

int run_program() {
    try {
        con().line(" kovrin");
    } catch (const Stop& s) {
        if (*s.what()) con().line(s.what());
        streams().close_all();
        return s.status;
    }
    streams().close_all();
    return exit_ok;
}

}  // namespace kov
