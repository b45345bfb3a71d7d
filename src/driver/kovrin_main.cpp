#include "driver/kovrin_main.hpp"

#include <exception>
#include <string>

#include "driver/data_file_loop.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/stop.hpp"

namespace kov {

int run_program() {
    try {
        return rundrv();
    } catch (const Stop& s) {
        if (*s.what()) con().line(s.what());
        streams().close_all();
        return s.status;
    } catch (const std::exception& e) {
        // nothing is meant to get here; end as a fatal stop, keeping the files
        con().line(std::string(" *** ") + e.what());
        streams().close_all();
        return exit_failure;
    }
}

}  // namespace kov
