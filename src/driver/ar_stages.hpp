#pragma once
// The autoregressive phases of one data file: the pooled and per-series
// models with the prewhitened series, then the residual and kovrin
// chronologies made from them.
namespace kov {

// Pooled model, per-series models (sermat then holds the prewhitened series),
// the "_res.txt" save and the residuals plot.
void autoregression_stage();

// The residual chronology of the prewhitened series into crnmat column 6,
// prewhitened once more with the pooled order, with its tables and files.
void residual_chronology_stage();

// The kovrin chronology into column 7: the residual chronology rewhitened with
// the pooled model, its errors and limits scaled by the variance inflation,
// its tables and files.
void kovrin_chronology_stage();

}  // namespace kov
