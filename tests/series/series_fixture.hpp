#pragma once
// What the series tests share: a temporary folder with the main listing open
// on streams().luout, and small text files opened for reading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/files.hpp"
#include "support/test_support.hpp"

namespace kovtest {

class ListingFixture {
public:
    ListingFixture() { kov::streams().luout.open_fresh((dir_ / "listing.txt").string()); }
    ~ListingFixture() {
        kov::streams().luout.close();
        kov::streams().luscr.close();
        kov::streams().ludata.close();
    }
    // Everything written to the listing so far.
    std::string listing() {
        kov::streams().luout.flush();
        return dir_.read("listing.txt");
    }
    std::vector<std::string> listing_lines() { return split_lines(listing()); }
    // Writes `text` to a file of the folder and opens it on `in`.
    void open_text(kov::TextIn& in, const std::string& text, const std::string& name = "data.txt") {
        dir_.write(name, text);
        ASSERT_TRUE(in.open((dir_ / name).string()));
    }
    // Opens streams().luscr on a fresh file of the folder; read it back with saved().
    void open_save(const std::string& name = "save.txt") {
        save_name_ = name;
        ASSERT_TRUE(kov::streams().luscr.open_fresh((dir_ / name).string()));
    }
    std::string saved() {
        kov::streams().luscr.close();
        return dir_.read(save_name_);
    }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string save_name_;
};

// Counts the lines of `text` that hold `needle`.
inline int count_lines_with(const std::string& text, const std::string& needle) {
    int n = 0;
    for (const auto& l : split_lines(text))
        if (l.find(needle) != std::string::npos) ++n;
    return n;
}

}  // namespace kovtest
