#pragma once
#include <stdexcept>
#include <string>
#include <utility>

namespace kov {

// Exit statuses of the program.
inline constexpr int exit_ok = 0;         // normal end, or a stop the user asked for
inline constexpr int exit_failure = 1;    // fatal stop, or a run ended at a data file
inline constexpr int exit_end_of_input = 2;  // console input ended at a question

// Stopping the program: thrown anywhere, caught only in main, which prints the
// message (when not empty), closes every open stream (keeping the files) and
// exits with the status.
struct Stop : std::runtime_error {
    int status;
    // What the stopping procedure wrote on the console just before it (empty
    // when it does not say): a check that reads a data file before the run
    // shows it with the file's name, and the series reader repeats it in the
    // listing.
    std::string said;
    explicit Stop(const std::string& message, int status_ = exit_failure, std::string said_ = {})
        : std::runtime_error(message), status(status_), said(std::move(said_)) {}
};

// An output file was about to be created over a file the run reads (the data
// file, the list file, a batch command or detail file). The driver ends the run
// at that data file through its end-of-run block.
struct FileRefused : std::runtime_error {
    std::string name;
    explicit FileRefused(const std::string& file)
        : std::runtime_error("*** output file would overwrite an input file: " + file), name(file) {}
};

// Writing an output file failed (a full disk, a file size limit): the file is
// incomplete. A fatal stop with exit status 1, keeping the files as far as
// they were written; main names every such file as the run ends (see
// failed_outputs in files.hpp), so the stop carries no message of its own.
struct WriteFailed : Stop {
    std::string name;
    explicit WriteFailed(const std::string& file) : Stop("", exit_failure), name(file) {}
};

}  // namespace kov
