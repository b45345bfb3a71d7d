#pragma once
namespace kov {
// The whole program: start-up dialogue, the data-file loop, the end of the run.
// Returns the exit status; every stop comes back here.
int run_program();
}  // namespace kov
