#pragma once
// The autoregressive phases of one data file: the pooled and per-series
// models with the prewhitened series, then the residual and kovrin
// chronologies made from them.
namespace kov {

// Pooled model, per-series models (sermat then holds the prewhitened series),
// the "_res.txt" save and the residuals plot.
void autoregression_stage();

}  // namespace kov
