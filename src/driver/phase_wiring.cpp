#include "driver/ar_stages.hpp"
#include "driver/chronology_stages.hpp"
#include "driver/data_file_loop.hpp"
#include "driver/end_of_file_outputs.hpp"
#include "driver/endogenous_outliers.hpp"
#include "driver/series_stages.hpp"
#include "driver/statistics_block.hpp"

namespace kov {

// Each phase goes in here once it is built; the loop tests the entry
// conditions, a phase does only its own work.
void wire_phases() {
    Phases& p = phases();
    p.raw_series = [] { series_stage_raw(); };
    p.transformation = [] { series_stage_transformed(); };
    p.raw_chronology = [] { raw_chronology_stage(); };
    p.standard_chronology = [] { standard_chronology_stage(); };
    p.autoregression = [] { autoregression_stage(); };
    p.residual_chronology = [] { residual_chronology_stage(); };
    p.kovrin_chronology = [] { kovrin_chronology_stage(); };
    p.endogenous_outliers = [] { endogenous_outliers(); };
    p.end_of_file_outputs = [] { end_of_file_outputs(); };
    p.statistics = [](Stage stage) { statistics_block(stage); };
}

}  // namespace kov
