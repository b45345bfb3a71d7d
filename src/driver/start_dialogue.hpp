#pragma once
// The opening of a run: the banner and the start-up questions that lead to the
// list of data files, the run title and the run mode.
#include <string>
#include <string_view>
#include <vector>

namespace kov {

// What the dialogue hands to the data-file loop.
struct RunList {
    std::string list_name = std::string(60, ' ');  // list file or "kovrin_files.txt", 60 characters
    std::string run_title = std::string(80, ' ');  // overall run title, 80 characters
    int count = 0;                                 // names counted in (typed into) the list file
    char same_commands = 'y';                      // answer to "use same commands for all runs?"
};

struct DialogueResult {
    RunList run;
    // true: go on with the data-file loop (the list file open on lulist at its
    // first line, batmod set); false: the run ends through the end-of-run block
    bool go = true;
    int status = 0;  // exit status when the run ends here
};

// The star box that names the program and its date, one line each, on the
// console banner and at the head of every listing.
std::vector<std::string> program_box(std::string_view name_line, std::string_view date_line);

// The banner with the version tag and the two capacity limits.
void write_banner();

// The whole start-up dialogue. A stop ("/", "n" at the continue question, end
// of console input) leaves by the Stop exception. The generic files are
// created (emptied) only when the dialogue hands over to the data-file loop:
// a stop or a refused run leaves those of an earlier run as they were.
DialogueResult start_dialogue();

}  // namespace kov
