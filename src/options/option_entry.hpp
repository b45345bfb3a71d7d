#pragma once
// Keyboard entry of one run option: its questions, checks and help, storing
// the answers in the run option block.
#include <string>

#include "shared/tables.hpp"

namespace kov {

// Asks the questions of run option `option` (1 to 20; a number below 1 or
// above 20 asks the data type question and stores the answer as option 1) and
// stores the answers in `optval` and, for option 15, in `stcmask`. "/" at a
// question stops the program.
void optkey(int option, OptionBlock& optval, std::string& stcmask);
// The same on the shared option block and mask.
void optkey(int option);

}  // namespace kov
