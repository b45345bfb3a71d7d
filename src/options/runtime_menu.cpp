#include "options/runtime_menu.hpp"

#include <set>

#include "options/batch_file.hpp"
#include "options/option_block.hpp"
#include "options/option_entry.hpp"
#include "options/option_questions.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

void show_runmenu(OptionBlock& o, const std::string& stcmask) {
    const bool regional = o(4, 1) == -2;
    if (regional) {
        o(5, 1) = -6;
        o(5, 2) = 10;
    }
    // The description of line k, as every listing of options shows it (line
    // 4 marked "1st-", line 5 "2nd-" or, with the regional curve, "rcs-").
    auto d = [&](int k) { return option_description(o, k); };
    Console& c = con();
    c.line("");
    c.write("(t2,a)", "|************** kovrin run time menu and current options settings **************|");
    c.line("");
    c.write("(t29,'opt',t42,'plt')");
    c.write("(t2,' [1] tree-ring data type',t26,i5,t47,a)", o(1, 1), d(1));
    c.write("(t2,' [2] missing data in gaps',t26,i5,i13,t47,a)", o(2, 1), o(2, 2), d(2));
    c.write("(t2,' [3] data transformation',t26,i5,i13,t47,a)", o(3, 1), o(3, 2), d(3));
    c.write("(t2,' [4] first detrending',t26,i5,i7,i6,t47,a)", o(4, 1), o(4, 2), o(4, 3), d(4));
    if (regional)
        c.write("(t2,' [5] rcs detrending',t26,i5,i7,i6,t47,a)", o(5, 1), o(5, 2), o(5, 3), d(5));
    else
        c.write("(t2,' [5] second detrending',t26,i5,i7,i6,t47,a)", o(5, 1), o(5, 2), o(5, 3), d(5));
    c.write("(t2,' [6] robust detrending',t26,i5,t47,a)", o(6, 1), d(6));
    c.write("(t2,' [7] interactive detrend',t26,i5,t47,a)", o(7, 1), d(7));
    c.write("(t2,' [8] index calculation',t26,i5,t47,a)", o(8, 1), d(8));
    c.write("(t2,' [9] ar modeling method',t26,i5,i7,i6,t47,a)", o(9, 1), o(9, 2), o(9, 3), d(9));
    c.write("(t2,'[10] pooled ar order',t26,i5,i13,t47,a39)", o(10, 1), o(10, 2), d(10));
    c.write("(t2,'[11] series ar order',t26,i5,t47,a)", o(11, 1), d(11));
    c.write("(t2,'[12] mean chronology',t27,2i4,i5,i4,t47,a)", o(12, 1), o(12, 3), o(12, 4), o(12, 2), d(12));
    c.write("(t2,'[13] stabilize variance',t26,i5,t47,a)", o(13, 1), d(13));
    c.write("(t2,'[14] common period years',t27,3x,2i5,t47,a)", o(14, 1), o(14, 2), d(14));
    c.write("(t2,'[15] site-tree-core mask',t27,6x,a,t47,a)", stcmask, d(15));
    c.write("(t2,'[16] running rbar',t26,4x,2i5,i4,t47,a)", o(16, 1), o(16, 2), o(16, 3), d(16));
    c.write("(t2,'[17] printout option',t26,i5,t47,a)", o(17, 1), d(17));
    c.write("(t2,'[18] core series save',t26,i5,t47,a)", o(18, 1), d(18));
    c.write("(t2,'[19] summary plots',t26,i5,t47,a)", o(19, 1), d(19));
    c.write("(t2,'[20] stand dynamics stuff',t28,i3,i13,t47,a)", o(20, 1), o(20, 5), d(20));
    c.write("(t7,'running mean window',t28,i3,t47,a)", o(20, 2), d(21));
    // the name fills the columns up to the field: a value of three columns
    // stands one column further right, after a blank
    if (o(20, 3) >= -9 && o(20, 3) <= 99)
        c.write("(t7,'percent growth change',t28,i3,t47,a)", o(20, 3), d(22));
    else
        c.write("(t7,'percent growth change',t29,i3,t47,a)", o(20, 3), d(22));
    c.write("(t7,'std error threshold',t28,i3,t47,a)", o(20, 4), d(23));
}

void runmenu(OptionBlock& optval, std::string& stcmask) {
    set_option_defaults(optval, stcmask);
    for (;;) {
        show_runmenu(optval, stcmask);
        int option = 0;
        for (;;) {
            con().line("");
            prompt_line("enter the option to change (<ret> = go)");
            const std::string a = con().answer();
            // Only an answer blank in every column ends the menu; " 5" is option 5.
            if (all_blank(a)) return;
            if (a[0] == '/') throw Stop("", exit_ok);
            const auto n = typed_integer(a, menu_answer_width);
            if (n && *n >= 0) {
                option = *n;
                break;
            }
        }
        if (option == 0) return;
        optkey(option, optval, stcmask);
    }
}

std::string batch_command_file_name(const std::string& datfil) { return output_prefix(datfil) + std::string(suffix::batch_commands); }

namespace {

// A list name: the line's first 60 characters, blank-padded.
std::string list_name(const std::string& line) { return padded(line, 60); }

bool ends_list(const std::string& name) { return blank_start(name, 10); }

}  // namespace

bool mklogs(char same_commands,
            const std::function<bool(const std::vector<std::string>&, const OptionBlock&)>& usable) {
    TextIn& list = streams().lulist;
    OutFile& log = streams().lulog;
    SharedTables& sh = shared();
    const bool menu_per_file = same_commands == 'n' || same_commands == 'N';

    std::vector<std::string> names;
    while (auto line = list.read_line()) {
        const std::string name = list_name(*line);
        if (ends_list(name)) break;
        names.push_back(name);
    }

    // Batch command files written by this call: names such as "site1" and
    // "site1.txt" share one, which must not be written over (the list file and
    // the data files are under the driver's guard).
    std::set<std::string> written;

    int count = 0;
    for (const std::string& name : names) {
        ++count;
        const std::string logname = batch_command_file_name(name);
        if (written.count(logname) || is_protected(logname)) throw FileRefused(logname);
        // The file is written only once its menu has returned: a stop the
        // user asks for inside the menu ("/", or the end of the input) leaves
        // an earlier file of that name as it was (perhaps edited by hand) and
        // creates no empty one, which the next batch run could not read.
        if (menu_per_file || count == 1) {
            runmenu(sh.optval, sh.stcmask);
            if (usable) {
                // the data files whose command files take this menu's options
                const size_t first = static_cast<size_t>(count - 1);
                const size_t last = menu_per_file ? first + 1 : names.size();
                std::vector<std::string> served;
                for (size_t k = first; k < last; ++k) served.push_back(rtrim(names[k]));
                if (!usable(served, sh.optval)) return false;
            }
        }
        // An earlier file of that name may have been edited by hand: it is
        // replaced only by a whole new one. A write that fails stops the run
        // (close throws) and leaves it as it was.
        if (!log.open_rewrite(logname)) {
            // The run ends here, and its end names the file, once: the
            // blank line closes the menu's prompt line before it.
            con().line("");
            note_output_failure(logname, OutputFailure::not_created);
            return false;
        }
        written.insert(logname);
        if (count == 1) con().line("");
        con().write("(1x,'==> writing batch commands for: ',a)", name);
        log.write("('data file #',i3,'  --  ',a)", count, name);
        wrbatch(sh.optval, sh.stcmask, log);
        log.close();
    }
    con().write("(/1x,i4,'  batch command files created')", count);
    return true;
}

}  // namespace kov
