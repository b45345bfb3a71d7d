#include "driver/start_dialogue.hpp"

#include <optional>
#include <vector>

#include "driver/help_pages.hpp"
#include "driver/input_guard.hpp"
#include "driver/run_inputs.hpp"
#include "options/runtime_menu.hpp"
#include "shared/capacities.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/generic_files.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/tables.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

constexpr size_t name_length = 60;
constexpr int most_names_counted = 5001;  // the count shown; the loop reads every name

std::string framed_note(std::string_view text) { return "*** " + padded(text, 60) + " ***"; }

// "b" (or "h") followed by four blanks in the first five characters
bool is_word(const std::string& answer, char lower) {
    const std::string s = padded(answer, 5);
    return (s[0] == lower || s[0] == lower - 'a' + 'A') && s.substr(1) == "    ";
}

bool too_long(const std::string& answer) { return rtrim(answer).size() > name_length; }

void refuse_long_name() {
    con().write("(/1x,'*** a file name has at most 60 characters: enter it again')");
}

enum class Step { start_first, start_second, start_third, list_file, typed_names, count, title, batch, same, proceed };

class Dialogue {
public:
    // A stop anywhere in the dialogue leaves the generic files of an earlier
    // run as they are: they are emptied only at the hand-over to the data
    // files. The one file a stop writes is the list of the names typed before
    // it, kept as the list would have held them.
    DialogueResult run() {
        try {
            return steps();
        } catch (const Stop&) {
            if (step_ == Step::typed_names && !typed_.empty()) store_typed_names();
            throw;
        }
    }

private:
    Step step_ = Step::start_first;
    DialogueResult res_;
    std::vector<std::string> typed_;  // data-file names typed so far

    DialogueResult steps() {
        for (;;) {
            switch (step_) {
                case Step::start_first: start_first(); break;
                case Step::start_second: start_second(false); break;
                case Step::start_third: start_second(true); break;
                case Step::list_file: list_file(); break;
                case Step::typed_names: typed_names(); break;
                case Step::count:
                    streams().lulist.rewind();
                    con().write("(/1x,'number of files to be processed: ',i5)", res_.run.count);
                    step_ = Step::title;
                    break;
                case Step::title: title(); break;
                case Step::batch:
                    if (batch()) return res_;
                    break;
                case Step::same:
                    if (!same_commands()) return res_;
                    break;
                case Step::proceed:
                    if (proceed()) return res_;
                    break;
            }
        }
    }

    void bailout() { throw Stop(" <=== bailout ===>", exit_ok); }

    // The start prompt by its layout: <ret> goes on to the list file and "/"
    // ends the run; the first character of any other answer comes back.
    std::optional<char> start_answer(const char* layout) {
        con().write(layout);
        const char c = first_char(con().answer());
        if (c == ' ') {
            step_ = Step::list_file;
            return std::nullopt;
        }
        if (c == '/') bailout();
        return c;
    }

    void start_first() {
        const auto c = start_answer("(/t21,'<ret> to run, / to exit, h for more info: ',$)");
        if (!c) return;
        if (*c == 'h' || *c == 'H') hlpinfo(1);
        step_ = Step::start_second;
    }

    void start_second(bool last) {
        if (!start_answer("(/t2,'<ret> to run, / to exit, h for more info: ',$)")) return;
        if (!last) {
            hlpinfo(2);
            step_ = Step::start_third;
        } else {
            hlpinfo(3);
            step_ = Step::list_file;
        }
    }

    void list_file() {
        con().write("(/t2,'open the file listing the data file names'/t2,'type h for help or <ret> to enter them',t45,'==> ',$)");
        const std::string a = con().answer();
        if (first_char(a) == '/') bailout();
        if (is_word(a, 'b')) {
            step_ = Step::start_first;
            return;
        }
        if (is_word(a, 'h')) {
            hlpqry(2);
            return;
        }
        if (blank_start(a, 5)) {
            step_ = Step::typed_names;
            return;
        }
        if (too_long(a)) {
            refuse_long_name();
            return;
        }
        const std::string name = padded(a, name_length);
        auto& list = streams().lulist;
        if (!list.open(rtrim(name))) return;  // asked again, as the dialogue has no message for it
        res_.run.list_name = name;
        con().write("(/1x,a,' opened')", name);
        int count = 0;
        while (count < most_names_counted) {
            auto line = list.read_line();
            if (!line || blank_start(*line, 5)) break;
            ++count;
            con().write("(1x,i5,2x,a)", count, line->size() <= name_length ? padded(*line, name_length) : *line);
        }
        if (count == 0) {
            con().write("(/1x,'*** no data file names found ***')");
            list.close();
            return;
        }
        res_.run.count = count;
        step_ = Step::count;
    }

    // The names are kept until the last one is typed: only then is it known
    // whether one of them is the file that is to hold them, which must not be
    // emptied.
    void typed_names() {
        res_.run.list_name = padded(typed_list_file, name_length);
        con().write("(/1x,'okay, so enter your data file name(s)'/1x,'which will be stored in the new file: ',a/1x,'when done, hit <ret> to process the data file(s).'/)",
                    res_.run.list_name);
        typed_.clear();
        for (;;) {
            con().write("(1x,'file name #',i2,': ',$)", static_cast<int>(typed_.size()) + 1);
            const std::string a = con().answer();
            if (is_word(a, 'b')) {
                if (typed_.empty()) {
                    step_ = Step::list_file;
                    return;
                }
                typed_.pop_back();  // the next name replaces it
                continue;
            }
            if (blank_start(a, 5)) {
                if (typed_.empty()) {
                    con().write("(/1x,'*** no data file names entered ***')");
                    step_ = Step::list_file;
                    return;
                }
                break;
            }
            if (too_long(a)) {
                refuse_long_name();
                continue;
            }
            typed_.push_back(rtrim(a));
        }
        if (!store_typed_names()) {
            typed_.clear();
            step_ = Step::list_file;
            return;
        }
        streams().lulist.open(rtrim(res_.run.list_name));
        res_.run.count = static_cast<int>(typed_.size());
        typed_.clear();
        step_ = Step::count;
    }

    // Whether one of the typed names is the file `name` (under any spelling).
    bool typed_as_data_file(const std::string& name) const {
        for (const auto& t : typed_)
            if (same_file(t, name)) return true;
        return false;
    }

    // Writes the typed names to "kovrin_files.txt", or, when that is one of
    // the data files typed, to the first "kovrin_files_N.txt" that does not
    // exist yet, with a message. false: the file cannot be created, which
    // the console says (the list-file question then comes again).
    bool store_typed_names() {
        std::string name = typed_list_file;
        if (typed_as_data_file(name)) {
            for (int n = 1;; ++n) {
                name = "kovrin_files_" + std::to_string(n) + ".txt";
                if (!path_exists(name) && !typed_as_data_file(name)) break;
            }
            con().write("(/1x,'*** ',a,' is a data file of the run: the names are stored in the new file: ',a)",
                        typed_list_file, name);
        }
        OutFile out;
        try {
            if (!out.open_fresh(name)) {
                con().line("");
                con().line(failed_output_line({name, OutputFailure::not_created}));
                return false;
            }
        } catch (const FileRefused& r) {
            con().line("");
            con().line(std::string(" ") + r.what());
            return false;
        }
        for (const auto& n : typed_) out.line(n);
        out.close();
        res_.run.list_name = padded(name, name_length);
        return true;
    }

    void title() {
        con().write("(/1x,'okay, enter your overall run title:'/1x,'==> ',$)");
        const std::string a = con().answer();
        if (is_word(a, 'b')) {
            streams().lulist.close();
            clear_protected();
            step_ = Step::list_file;
            return;
        }
        if (is_word(a, 'h')) {
            hlpqry(3);
            step_ = Step::count;
            return;
        }
        res_.run.run_title = padded(a, 80);
        step_ = Step::batch;
    }

    // The run ends before its first data file, with nothing written.
    void refuse() {
        res_.go = false;
        res_.status = exit_failure;
    }

    // The run goes on to its data files: only now are the generic files of
    // an earlier run emptied, for this run's chronologies. The names of the
    // list were put under guard when the run mode was answered.
    void hand_over() {
        guard_for_generic_files();
        try {
            create_generic_files();
        } catch (const FileRefused& r) {
            con().line("");
            con().line(std::string(" ") + r.what());
            refuse();
            return;
        }
        streams().lulist.rewind();
    }

    // Two names of the list with one output prefix would share a command
    // file and every output, the later writing over the earlier (or, in an
    // interactive run, over the command file the run-time menu just wrote).
    bool names_apart(const std::vector<std::string>& names) {
        const auto same = names_sharing_a_prefix(names);
        if (!same) return true;
        con().write("(/1x,'*** data files ',a,' and ',a,' share the output prefix ',a)", same->first, same->second,
                    output_prefix(same->second));
        return false;
    }

    // Before the run writes anything (the command files of an interactive
    // run, the generic files, the outputs of its first data file) the names
    // of the list are checked, and in a batch run every command file is read
    // as the run would read it, and every data file in the read mode its
    // command file gives. A run that could not finish is refused here, naming
    // all that stops it, rather than at the first data file that fails, with
    // the outputs of the files before it written over and later files not
    // run. An interactive run writes its command files itself, and reads its
    // data files once their menu has given the read mode (same_commands).
    bool inputs_usable(const std::vector<std::string>& names, bool batch_mode) {
        bool ok = names_apart(names);
        ok = data_files_readable(names) && ok;
        if (!ok) con().write("(/1x,'check file names in:  ',a)", res_.run.list_name);
        if (batch_mode) {
            std::vector<int> data_types;
            ok = command_files_usable(names, &data_types) && ok;
            ok = data_files_hold_series(names, data_types, true) && ok;
        }
        if (!ok) refuse();
        return ok;
    }

    // true: the dialogue is over
    bool batch() {
        con().write("(/t2,'run in batch mode from log file? y/<n>/h',t45,'==> ',$)");
        const std::string a = con().answer();
        const char c = first_char(a);
        switch (c) {
            case '/': throw Stop("", exit_ok);
            case 'b': case 'B': step_ = Step::count; return false;
            case 'h': case 'H': hlpqry(4); return false;
            case ' ': case 'n': case 'N': case 'y': case 'Y': break;
            default: return false;
        }
        shared().batmod = std::string(1, c == ' ' ? 'n' : c);
        const std::string list = rtrim(res_.run.list_name);
        const std::vector<std::string> names = list_names(list);
        guard_run_inputs(list, names);
        if (!inputs_usable(names, c == 'y' || c == 'Y')) return true;
        if (c == 'y' || c == 'Y') {
            hand_over();
            return true;
        }
        step_ = Step::same;
        return false;
    }

    // false: the dialogue is over
    bool same_commands() {
        char c = 'y';
        if (res_.run.count >= 2) {
            con().write("(t2,'use same commands for all runs? <y>/n/h ',t45,'==> ',$)");
            const std::string a = con().answer();
            c = first_char(a);
            switch (c) {
                case '/': throw Stop("", exit_ok);
                case ' ': c = 'y'; break;
                case 'b': case 'B': step_ = Step::batch; return true;
                case 'h': case 'H': hlpqry(5); return true;
                case 'y': case 'Y': case 'n': case 'N': break;
                default: return true;
            }
        }
        res_.run.same_commands = c;
        streams().lulist.rewind();
        guard_for_command_files();
        bool written = false;
        // The data files a menu serves are read in the read mode it chose
        // before their command files are written.
        auto hold_series = [](const std::vector<std::string>& names, const OptionBlock& options) {
            return data_files_hold_series(names, std::vector<int>(names.size(), options(1, 1)), false);
        };
        try {
            written = mklogs(c, hold_series);
        } catch (const FileRefused& r) {
            con().line("");
            con().line(std::string(" ") + r.what());
        }
        if (!written) {
            refuse();
            return false;
        }
        step_ = Step::proceed;
        return true;
    }

    // true: the dialogue is over
    bool proceed() {
        streams().lulist.rewind();
        con().write("(/t2,'the log files have been created now.'/t2,'continue with run? <y>/n/h',t45,'==> ',$)");
        const std::string a = con().answer();
        switch (first_char(a)) {
            case '/': throw Stop("", exit_ok);
            case ' ': case 'y': case 'Y': hand_over(); return true;
            case 'b': case 'B': step_ = Step::same; return false;
            case 'h': case 'H': hlpqry(6); return false;
            case 'n': case 'N': throw Stop("", exit_ok);
            default: return false;
        }
    }

};

}  // namespace

std::vector<std::string> program_box(std::string_view name_line, std::string_view date_line) {
    const std::string stars(34, '*');
    return {
        stars,
        stars,
        "***                            ***",
        std::string(name_line),
        "***                            ***",
        "***       Creation Date:       ***",
        std::string(date_line),
        "***                            ***",
        "***       Programmed by:       ***",
        "***     the kovrin project     ***",
        "***        contributors        ***",
        "***                            ***",
        stars,
        stars,
    };
}

void write_banner() {
    con().line("");
    for (const auto& l : program_box("***      Program KOVRIN        ***", "***          11/09/18          ***"))
        con().write("(t26,a)", l);

    const std::string vt(vertag);
    const std::string wide(68, '*');
    const std::string notice[] = {
        "KOVRIN Version: " + vt + " adds the Melvin age-dependent",
        "spline to the detrending options (curve fit option -6)",
        "and uses it as the default detrending method.",
        "",
        "it also adds three user-selected thresholds for detecting",
        "and, optionally, removing autoregressive outliers.",
        "",
        "64-bit builds: this version runs as a 64-bit program and",
        "needs a 64-bit operating system; the capacities below",
        "hold for every build.",
        "",
        "the detrending and outlier options are described in the",
        "option help texts of the run-time menu and in the notes",
        "on the new options, a text file",
        "included in the version " + vt + " distribution folder.",
    };
    con().line("");
    con().write("(t9,a/t9,a)", wide, wide);
    for (const auto& l : notice) con().write("(t9,a)", framed_note(l));
    con().write("(t9,a/t9,a)", wide, wide);

    con().write("(/t18,'MAXIMUM tree-ring chronology length: ',t65,i5)", mxy);
    con().write("(t18,'MAXIMUM number of tree-ring series:  ',t65,i5)", mxs);
}

DialogueResult start_dialogue() { return Dialogue().run(); }

}  // namespace kov
