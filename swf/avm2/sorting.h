// A merge sort that stays within bounds whatever the comparison answers:
// scripts supply comparison functions that need not be consistent.
#pragma once

#include <vector>

namespace swf::avm2 {

template <typename T, typename Less> void mergeSort(std::vector<T> &items, Less less)
{
    const size_t n = items.size();
    std::vector<T> buf(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buf[k++] = less(items[j], items[i]) ? items[j++] : items[i++];
            while (i < mid)
                buf[k++] = items[i++];
            while (j < hi)
                buf[k++] = items[j++];
        }
        items.swap(buf);
    }
}

} // namespace swf::avm2
