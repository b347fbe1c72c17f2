#pragma once
// The in-place split every cut uses: a front index skips items that stay low,
// a back index skips items that go high, the two misplaced items are exchanged
// whole, until the indices meet. Order inside each part is not kept.
#include <utility>

namespace kelp {

// Returns the first item of the high part of items[first, last).
template <class TItem, class TGoesLow>
int TwoIndexPartition(TItem *items, int first, int last, TGoesLow goesLow)
{
    int front = first, back = last - 1;
    for (;;) {
        while (front <= back && goesLow(items[front]))
            ++front;
        while (front <= back && !goesLow(items[back]))
            --back;
        if (front >= back)
            return front;
        std::swap(items[front], items[back]);
        ++front;
        --back;
    }
}

} // namespace kelp
