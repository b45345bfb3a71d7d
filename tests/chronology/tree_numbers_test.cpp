#include "chronology/tree_numbers.hpp"

#include <gtest/gtest.h>

#include "shared/text_helpers.hpp"

namespace {

std::vector<int> numbers(const std::vector<std::string>& ids, const std::string& mask) {
    std::vector<std::string> padded{std::string(8, ' ')};
    for (const auto& id : ids) padded.push_back(kov::in_columns(id, 8));
    kov::Table<int> itab(kov::mxs + 2, 10, -7);
    kov::treenum(padded, itab, static_cast<int>(ids.size()), mask);
    std::vector<int> v;
    for (size_t i = 1; i <= ids.size(); ++i) v.push_back(itab(static_cast<int>(i), kov::cpa));
    return v;
}

TEST(Treenum, GroupsBySiteAndTreeCharacters) {
    struct Case {
        std::string mask;
        std::vector<std::string> ids;
        std::vector<int> expected;
    } cases[] = {
        {"SSSTTCC ", {"ABC01A", "ABC01B", "ABC02A", "ABC01C"}, {1, 1, 2, 1}},
        {" none   ", {"ABC01A", "XYZ02B", "Q"}, {1, 1, 1}},
        {"TTSSSCC ", {"ABC01A", "ABC02A", "ABC01B"}, {1, 2, 1}},  // only the counts matter
        {"sssTtcc ", {"abc01A", "ABC01B", "abc01 "}, {1, 2, 1}},  // case and blanks count
        {"SSSTcc  ", {"XYZ1A", "ABC1A", "XYZ2A", "XYZ1B", "ABC2A"}, {1, 2, 3, 1, 4}},
        // the mask lies over characters: Á and ä are one site letter each
        // (their first five bytes, Áä8, would make one tree of all three)
        {"SSSTTCC ", {"Áä801A", "Áä801B", "Áä802A"}, {1, 1, 2}},
    };
    for (const auto& c : cases) EXPECT_EQ(numbers(c.ids, c.mask), c.expected) << c.mask;
}

TEST(Treenum, NoSeriesChangesNothing) {
    kov::Table<int> itab(kov::mxs + 2, 10, -7);
    std::vector<std::string> ids(2, std::string(8, ' '));
    kov::treenum(ids, itab, 0, "SSSTTCC ");
    EXPECT_EQ(itab(1, kov::cpa), -7);
}

}  // namespace
