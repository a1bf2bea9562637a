#include "widgets/sliced_sort.h"

#include <algorithm>
#include <numeric>

namespace corvane {
namespace {

constexpr std::size_t kRun = 64;            // rows sorted at once before the merging starts
constexpr std::size_t kCheckEvery = 256;    // merged rows between two looks at the clock

}  // namespace

TSlicedSort::TSlicedSort(int count, Less less) : less_(std::move(less)), order_(static_cast<std::size_t>(std::max(count, 0))) {
    std::iota(order_.begin(), order_.end(), 0);
    merged_.resize(order_.size());
}

bool TSlicedSort::Step(Clock::time_point deadline) {
    if (Done()) return true;
    if (width_ == 0) {
        // Short runs, each sorted whole.
        for (; pair_ < order_.size(); pair_ += kRun) {
            const auto first = order_.begin() + static_cast<std::ptrdiff_t>(pair_);
            std::stable_sort(first, first + static_cast<std::ptrdiff_t>(std::min(kRun, order_.size() - pair_)),
                             [this](int a, int b) { return less_(a, b); });  // the keys are not copied
            if (Clock::now() >= deadline) {
                pair_ += kRun;
                return false;
            }
        }
        width_ = kRun;
        pair_ = 0;
        if (Done()) return true;
    }
    while (!Done()) {
        if (!MergeSome(deadline)) return false;
    }
    return true;
}

// Goes on with the current pass until it ends (true) or the deadline passes (false).
bool TSlicedSort::MergeSome(Clock::time_point deadline) {
    const std::size_t n = order_.size();
    std::size_t since_check = 0;
    while (pair_ < n) {
        const std::size_t mid = std::min(pair_ + width_, n), end = std::min(pair_ + 2 * width_, n);
        if (!merging_) {
            left_ = pair_;
            right_ = mid;
            out_ = pair_;
            merging_ = true;
        }
        // Equal rows are taken from the left run first, which keeps the sort stable.
        while (left_ < mid && right_ < end) {
            merged_[out_++] = less_(order_[right_], order_[left_]) ? order_[right_++] : order_[left_++];
            if (++since_check == kCheckEvery) {
                since_check = 0;
                if (Clock::now() >= deadline) return false;
            }
        }
        out_ = std::copy(order_.begin() + static_cast<std::ptrdiff_t>(left_), order_.begin() + static_cast<std::ptrdiff_t>(mid),
                         merged_.begin() + static_cast<std::ptrdiff_t>(out_)) - merged_.begin();
        std::copy(order_.begin() + static_cast<std::ptrdiff_t>(right_), order_.begin() + static_cast<std::ptrdiff_t>(end),
                  merged_.begin() + static_cast<std::ptrdiff_t>(out_));
        merging_ = false;
        pair_ = end;
    }
    order_.swap(merged_);
    width_ *= 2;
    pair_ = 0;
    return true;
}

}  // namespace corvane
