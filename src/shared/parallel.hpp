#pragma once
// Work shared among the machine's cores: the standard parallel algorithms
// (their threads and work stealing come from TBB). Every caller gives each
// index work of its own and combines the results in a fixed order afterwards,
// so that no result depends on the number of threads or the order in which
// they run; loops of such loops nest freely.
#include <algorithm>
#include <execution>
#include <numeric>
#include <vector>

namespace kov {

// body(i) for every i = 0 .. n - 1, on any thread, in any order.
template <class Body>
void parallel_for(int n, Body&& body) {
    if (n <= 0) return;
    if (n == 1) {
        body(0);
        return;
    }
    std::vector<int> index(static_cast<size_t>(n));
    std::iota(index.begin(), index.end(), 0);
    std::for_each(std::execution::par, index.begin(), index.end(), [&body](int i) { body(i); });
}

}  // namespace kov
