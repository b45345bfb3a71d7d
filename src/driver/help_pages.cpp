#include "driver/help_pages.hpp"

#include "shared/console.hpp"

namespace kov {

void hlpinfo(int which) {
    if (which == 2) {
        help_page({
            "every output file of a data file carries a prefix taken from",
            "the data file name (the name less a final \".txt\"). for a data",
            "file \"myfile.txt\" the program writes:",
            "",
            "  myfile_out.txt     the general listing of all analyses",
            "  myfile_crns.txt    the chronologies in decade form",
            "  myfile_tabs.txt    the chronologies, tab-delimited",
            "  myfile_log.txt     the log (batch command) file",
            "  myfile_detail.txt  the batch detail file (per-series settings)",
            "",
            "the generic files crns_raw.txt, crns_std.txt, crns_res.txt,",
            "crns_kov.txt and crns_rcs.txt (with their _err companions)",
            "collect the chronologies of one kind over all data sets of a run.",
            "",
            "the tab-delimited table holds per year the sample size, the mean",
            "tree age, the mean segment length, the chronologies and, with",
            "outlier analyses, the counts and frequencies of negative and",
            "positive outliers.",
        });
        con().put(" <ret> to see more: ");
        con().wait();
        help_page({
            "with a running rbar window, each stage of the series gets its",
            "running rbar and eps file: myfile_raw_rbar.txt, _trn_rbar.txt,",
            "_ind_rbar.txt and _res_rbar.txt.",
            "",
            "with the core series save option, each stage of the series is",
            "saved in the format chosen: myfile_raw.txt (raw), _gap.txt (gaps",
            "filled), _trn.txt (transformed), _ind1.txt and _ind2.txt",
            "(indices) and _res.txt (residuals).",
            "",
            "without autoregressive modeling no residual files are written.",
        });
        return;
    }
    if (which == 3) {
        help_page({
            "an interactive run writes two files for every data set: a batch",
            "command (log) file and a batch detail file.",
            "",
            "the batch command file holds the settings that apply to all",
            "series of the data set; the batch detail file holds the settings",
            "of each series.",
            "",
            "both files can be used unchanged for a batch run, or edited",
            "first: the detail file lets you treat series one by one or drop",
            "some of them from the analyses.",
            "",
            "in batch mode the detail settings override some settings of the",
            "command file, such as the transformation and the detrending.",
        });
        return;
    }
    help_page({
        "************************************************",
        "***          welcome to program kovrin       ***",
        "************************************************",
        "",
        "the program needs a file that lists the names of the data files",
        "to process, one name per line. with such a list the program runs",
        "through many data sets in sequence on its own.",
        "",
        "hit <ret> at the next prompt and you can type the names of the",
        "data files instead; they are stored in a list file for you.",
    });
}

void hlpqry(int query) {
    switch (query) {
        case 2:
            help_page({
                "the data file names are held in a file so that the program",
                "can cycle through the data sets on its own, one after another.",
                "type the name of that file, or hit <ret> to type the data file",
                "names one by one.",
            });
            return;
        case 3:
            help_page({
                "the overall run title applies to all data sets of this run;",
                "it heads the listing of every data set.",
            });
            return;
        case 4:
            help_page({
                "batch mode runs from the batch command (log) files that an",
                "interactive run created. with them a run can be repeated with",
                "identical settings, and further data sets can be run the same",
                "way. the log files are plain text and can be edited.",
            });
            return;
        case 5:
            help_page({
                "y: every data set is processed with the same commands.",
                "n: a new set of commands is read for each data set.",
            });
            return;
        case 6:
            help_page({
                "the batch command (log) files are written now. if you only",
                "wanted these files, you may stop here.",
            });
            return;
        case 7:
            help_page({
                "the batch detail file holds options for each series. it is",
                "written automatically in interactive runs, named after the",
                "data file with the suffix \"_detail\". batch runs look for it",
                "under the data file name plus that suffix. edit it to treat",
                "series individually, or to use and save only a subset.",
            });
            return;
        default:
            help_page({
                "on operating systems that allow only short file names the",
                "output file names must be shortened: keep data file names",
                "short, so that the name and the longest suffix (such as",
                "\"_detail.txt\") still form a valid file name.",
            });
            return;
    }
}

}  // namespace kov
