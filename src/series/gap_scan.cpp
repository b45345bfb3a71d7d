#include "series/gap_filling.hpp"

#include "shared/text_helpers.hpp"

namespace kov {

std::vector<Gap> group_gaps(std::span<const int> years) {
    std::vector<Gap> gaps;
    for (int y : years) {
        if (!gaps.empty() && y == gaps.back().last + 1)
            gaps.back().last = y;
        else
            gaps.push_back({y, y});
    }
    return gaps;
}

int gapscan(std::span<const float> x, std::string_view id, int iser, std::span<int> mask, int iyr, int itrn,
            OutFile& iunit) {
    std::vector<int> missing;
    for (size_t i = 0; i < x.size(); ++i) {
        mask[i] = 1;
        if (is_missing(x[i], itrn)) {
            mask[i] = 0;
            missing.push_back(iyr + static_cast<int>(i));
        }
    }
    const int nmiss = static_cast<int>(missing.size());
    if (nmiss == 0) return 0;

    const std::vector<Gap> gaps = group_gaps(missing);
    std::vector<int> bounds;
    bounds.reserve(2 * gaps.size());
    for (const Gap& g : gaps) {
        bounds.push_back(g.first);
        bounds.push_back(g.last);
    }
    const std::string id8 = in_columns(id, 8);
    iunit.write("(i12,7x,a8,7x,'missing values found:',i4,' in',i4,' gaps')", iser, id8, nmiss,
                static_cast<int>(gaps.size()));
    iunit.write("((13x,'/',4(i5,1x,i5,' /')))", bounds);
    iunit.write("(7x,68('-'))");
    return nmiss;
}

}  // namespace kov
