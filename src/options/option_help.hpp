#pragma once
// Help pages of the run options, shown when "h" is typed at an option question.

namespace kov {

// Writes the help page of run option `option` on the console. Options 2 to 20
// have their own page; every other number gets the page of option 1 (data
// formats). The detrending page (option 4) is long and comes in screens, each
// ended by a wait for Return.
void opthelp(int option);

}  // namespace kov
