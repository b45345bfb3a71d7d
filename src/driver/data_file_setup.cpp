#include "driver/data_file_setup.hpp"

#include <algorithm>
#include <utility>

#include "driver/batch_detail.hpp"
#include "driver/input_guard.hpp"
#include "driver/start_dialogue.hpp"
#include "options/batch_file.hpp"
#include "options/option_block.hpp"
#include "shared/console.hpp"
#include "shared/files.hpp"
#include "shared/generic_files.hpp"
#include "shared/output_names.hpp"
#include "shared/stop.hpp"
#include "shared/text_helpers.hpp"

namespace kov {

namespace {

// The batch command file of the data file in work, read by rdbatch.
TextIn& command_file() {
    static TextIn f;
    return f;
}

// The slots of optval that the driver's phase tests read.
constexpr std::pair<int, int> snapshot_slots[] = {
    {2, 1},  {2, 2},  {3, 1},  {3, 2},  {4, 1},  {4, 3},  {5, 1},  {5, 2},  {5, 3},  {6, 1},  {7, 1},  {8, 1},
    {9, 1},  {9, 2},  {9, 3},  {10, 1}, {10, 2}, {12, 1}, {12, 2}, {12, 3}, {12, 4}, {13, 1}, {14, 1}, {14, 2},
    {16, 1}, {16, 2}, {16, 3}, {17, 1}, {18, 1}, {19, 1}, {20, 1}, {20, 2}, {20, 3}, {20, 4}, {20, 5}};

void take_optsnap() {
    auto& snap = optsnap();
    snap = OptionBlock{};
    for (auto [k, j] : snapshot_slots) snap(k, j) = shared().optval(k, j);
}

std::string name60(const std::string& name) { return name.size() < 60 ? padded(name, 60) : name; }

void derive_modes() {
    auto& s = shared();
    const std::string mode = read_mode(s.optval(1, 1));
    if (mode.empty()) return;
    s.dtype = mode;
    s.wmode = mode == "cr" ? "cr" : "iw";
}

bool batch_run() { return shared().batmod == "y" || shared().batmod == "Y"; }

}  // namespace

std::string read_mode(int data_type) {
    switch (data_type) {
        case 1: return "mr";
        case 2: return "cr";
        case 3: return "ir";
        case 4: return "cd";
        default: return "";
    }
}

DriverState& driver_state() {
    static DriverState d;
    return d;
}

OptionBlock& optsnap() { return driver_state().snap; }

bool open_outputs_and_inputs() {
    auto& s = shared();
    auto& st = streams();
    auto& d = driver_state();
    const bool batch = batch_run();
    const std::string data_name = rtrim(s.datfil);
    // Names are formed in the order the files are opened: the later chronology
    // identifier of a short prefix is taken from the name formed last.
    const std::string prefix = output_prefix(s.datfil);
    const std::string command_name = prefix + std::string(suffix::batch_commands);
    guard_data_file(data_name, command_name, batch ? prefix + std::string(suffix::batch_detail) : std::string());
    batch_detail_state() = BatchDetailState{};

    const std::string out_name = output_name(suffix::listing);
    const std::string tab_name = output_name(suffix::tab_table);
    const std::string crn_name = output_name(suffix::chronologies);
    const std::string err_name = output_name(suffix::chronology_errors);
    // One of them that cannot be created is named (in the listing too, after
    // its head, when that was made) and the data file goes on with the
    // others, as with every other output.
    create_output(st.luout, out_name);
    write_listing_head();
    create_output(st.lutab, tab_name);
    create_output(st.lucrn, crn_name);
    create_output(st.luerr, err_name);

    if (!st.ludata.open(data_name)) {
        con().write("(/1x,'data file not found:  ',a)", s.datfil);
        con().write("(/1x,'check file names in:  ',a)", d.list_name);
        return false;
    }
    st.luout.write("(t2,'data file processed: ',t35,a)", s.datfil);

    // The command file's name counts as formed here, as output_name would
    // record it: the chronologies' identifier is taken from the name formed
    // last, and this one stands until a later step forms another.
    s.last_output_name = command_name;
    if (!command_file().open(command_name)) {
        con().write("(/1x,'*** log file not found:  'a)", name60(command_name));
        con().write("(t2,'*** re-run program in interactive mode'/t2,'*** to create the proper log file.')");
        for (OutFile* f : {&st.luout, &st.lutab, &st.lucrn, &st.luerr}) {
            if (!f->is_open()) continue;  // not created: there is nothing of this run to delete
            const std::string n = f->name();
            f->discard();
            delete_file(n);
        }
        return false;
    }
    st.luout.write("(t2,'log file processed: ',t35,a/)", name60(command_name));
    return true;
}

bool read_file_options() {
    auto& s = shared();
    auto& d = driver_state();
    const bool batch = batch_run();
    if (rdbatch(command_file(), d.processed, s.datfil) >= 1) return false;

    d.mask_copy = padded(s.stcmask, 8);
    ++d.processed;
    mark_generic_files(d.processed - 1);
    reset_series_table();
    if (batch) read_batch_detail();
    derive_modes();
    take_optsnap();
    s.sumplt = optsnap()(19, 1);
    write_option_listing();
    return true;
}

void write_listing_head() {
    auto& out = streams().luout;
    const auto& d = driver_state();
    out.line("");
    for (const auto& l : program_box("***     Program KOVRIN_v48     ***", "***          03/17/16          ***"))
        out.write("(t25,a)", l);
    out.write("(/t2,'|==================================','============================================|')");
    out.write("(/1x,'overall run title: ',a)", d.run_title);
    out.write("(/t2,'file names file processed: ',t35,a)", d.list_name);
}

void write_option_listing() {
    auto& out = streams().luout;
    const OptionBlock& o = shared().optval;
    auto desc = [&o](int line) { return option_description(o, line); };
    out.write("('                       opt          plt')");
    out.write("(t2,'tree-ring data type',t21,i5,t42,a)", o(1, 1), desc(1));
    out.write("(t2,'missing data in gaps',t21,i5,i13,t42,a)", o(2, 1), o(2, 2), desc(2));
    out.write("(t2,'data transformation',t21,i5,i13,t42,a)", o(3, 1), o(3, 2), desc(3));
    out.write("(t2,'first detrending',t21,i5,i7,i6,t42,a)", o(4, 1), o(4, 2), o(4, 3), desc(4));
    out.write("(t2,'second detrending',t21,i5,i7,i6,t42,a)", o(5, 1), o(5, 2), o(5, 3), desc(5));
    out.write("(t2,'robust detrending',t21,i5,t42,a)", o(6, 1), desc(6));
    out.write("(t2,'interactive detrend',t21,i5,t42,a)", o(7, 1), desc(7));
    out.write("(t2,'index calculation',t21,i5,t42,a)", o(8, 1), desc(8));
    out.write("(t2,'ar modeling method',t21,i5,i7,i6,t42,a)", o(9, 1), o(9, 2), o(9, 3), desc(9));
    out.write("(t2,'pooled ar order',t21,i5,i13,t42,a39)", o(10, 1), o(10, 2), desc(10));
    out.write("(t2,'series ar order',t21,i5,t42,a)", o(11, 1), desc(11));
    out.write("(t2,'mean chronology',t22,2i4,i5,i4,t42,a)", o(12, 1), o(12, 3), o(12, 4), o(12, 2), desc(12));
    out.write("(t2,'stabilize variance',t21,i5,t42,a)", o(13, 1), desc(13));
    out.write("(t2,'common period years',t25,2i5,t42,a)", o(14, 1), o(14, 2), desc(14));
    out.write("(t2,'site-tree-core mask',t24,4x,a,t42,a)", driver_state().mask_copy, desc(15));
    out.write("(t2,'running rbar',t25,2i5,i4,t42,a)", o(16, 1), o(16, 2), o(16, 3), desc(16));
    out.write("(t2,'printout option',t21,i5,t42,a)", o(17, 1), desc(17));
    out.write("(t2,'core series save',t21,i5,t42,a)", o(18, 1), desc(18));
    out.write("(t2,'summary plot displays',t24,i2,t42,a)", o(19, 1), desc(19));
    out.write("(/t2,'stand dynamics stuff',t21,i5,i13,t42,a)", o(20, 1), o(20, 5), desc(20));
    out.write("(t2,'running mean window',t21,i5,t42,a)", o(20, 2), desc(21));
    // The threshold runs to 200, beyond its field of two columns: a value that
    // needs three stands one column further right, after a blank.
    if (o(20, 3) >= -9 && o(20, 3) <= 99)
        out.write("(t2,'percent growth change',t24,i2,t42,a)", o(20, 3), desc(22));
    else
        out.write("(t2,'percent growth change',t24,i3,t42,a)", o(20, 3), desc(22));
    out.write("(t2,'std error threshold',t21,i5,t42,a)", o(20, 4), desc(23));
}

void reset_series_table() {
    auto& s = shared();
    const int itn_code = s.optval(3, 1);
    for (int row = 1; row <= mxs; ++row) {
        for (int c = 1; c <= 10; ++c) s.sertbl(row, c) = 0;
        s.sertbl(row, icu) = 1;
        s.sertbl(row, ics) = 1;
        s.sertbl(row, cpa) = row;
        s.sertbl(row, itn) = itn_code;
        s.serids[row] = std::string(8, ' ');
        s.ips_from_record[static_cast<size_t>(row)] = false;
    }
    std::fill(s.pithoff.begin(), s.pithoff.end(), 0);
    std::fill(s.fdyears.begin(), s.fdyears.end(), 0);
}

void write_closing_line() {
    streams().luout.write(
        "(/t2,'|================ as sam pelliton ','would say, \"this is the end\" ================|')");
}

void end_of_run_block() {
    command_file().close();
    // The generic files stay when two or more data files were processed;
    // every other file is closed and kept.
    if (driver_state().processed < 2) delete_generic_files();
    streams().close_all();
    clear_protected();
    // An output file that failed ends the run as a failure: the files are
    // named as the program ends, in place of the closing lines.
    if (!failed_outputs().empty()) throw Stop("", exit_failure);
    con().write("(/t2,'|====== as Sam Pelliton would say, \"THIS IS THE END.\" ======|'/)");
    con().line(" hit return to quit");
    con().wait();
}

}  // namespace kov
