#include "chronology/tree_numbers.hpp"

#include <algorithm>
#include <unordered_map>

#include "shared/text_helpers.hpp"

namespace kov {

void treenum(const std::vector<std::string>& ids, Table<int>& itab, int nc, std::string_view mask) {
    if (nc < 1) return;
    const std::string_view m = mask.substr(0, std::min<size_t>(8, mask.size()));
    const auto ns = std::count_if(m.begin(), m.end(), [](char c) { return c == 's' || c == 'S'; });
    const auto nt = std::count_if(m.begin(), m.end(), [](char c) { return c == 't' || c == 'T'; });
    const size_t keylen = static_cast<size_t>(ns + nt);
    // Numbering each unnumbered key in series order is the same as numbering
    // trees by their first appearance; a map keeps it linear in nc.
    std::unordered_map<std::string, int> number;
    for (int i = 1; i <= nc; ++i) {
        // the key is the identifier's first characters, not its first bytes
        const std::string key = in_columns(ids[i], keylen);
        auto [it, fresh] = number.try_emplace(key, static_cast<int>(number.size()) + 1);
        itab(i, cpa) = it->second;
    }
}

}  // namespace kov
