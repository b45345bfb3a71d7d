#pragma once
// Help texts of the start-up questions.
namespace kov {

// One start-up help page on the console: 2 and 3 show those pages, any other
// value page 1. Page 2 pauses between its two screens.
void hlpinfo(int page);

// The help text of one start-up question: 2 list file, 3 run title, 4 batch
// mode, 5 same commands, 6 continue, 7 batch detail file; any other number
// the page on short output file names.
void hlpqry(int query);

}  // namespace kov
