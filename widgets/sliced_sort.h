#pragma once
// A stable sort of row numbers done a slice at a time: a list of many rows sorts without holding
// the main thread for the whole sort. Runs are sorted first, then merged pass by pass; every merge
// can stop at a deadline and go on at the next step. The order is the one std::stable_sort gives.

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace corvane {

class TSlicedSort {
public:
    using Less = std::function<bool(int a, int b)>;
    using Clock = std::chrono::steady_clock;

    // Sorts the row numbers 0 .. count-1 by less.
    TSlicedSort(int count, Less less);

    // Works until the deadline (at least a little); true once the order is complete.
    bool Step(Clock::time_point deadline);
    bool Done() const { return width_ >= order_.size(); }
    const std::vector<int>& Order() const { return order_; }

private:
    bool MergeSome(Clock::time_point deadline);

    Less less_;
    std::vector<int> order_;
    std::vector<int> merged_;
    std::size_t width_ = 0;  // of the sorted runs; 0 until the first runs are made
    std::size_t pair_ = 0;   // where the pass stands: the start of the current pair of runs
    std::size_t left_ = 0, right_ = 0, out_ = 0;  // inside the current merge
    bool merging_ = false;
};

}  // namespace corvane
