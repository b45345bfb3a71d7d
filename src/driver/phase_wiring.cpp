#include "driver/data_file_loop.hpp"

namespace kov {

// Each phase goes in here once it is built, one line each, for example
//     p.raw_series = [] { series_stage_raw(); };
// The loop tests the entry conditions; a phase does only its own work.
void wire_phases() {
    Phases& p = phases();
    (void)p;
}

}  // namespace kov
