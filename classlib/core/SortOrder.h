#pragma once
// The sort behind the lists' Sort and CustomSort. Comparisons see the elements where they
// stand before the sort (by their original positions), which lets a compare function look
// at a list by index while it is being sorted. The sort is stable and O(n log n), and it
// stays inside the elements whatever the compare function answers: an inconsistent one
// gives some order, never an access outside the list.

#include <algorithm>
#include <vector>

namespace ordvane {

// The original positions of count elements in sorted order; less(i, j) compares the
// elements originally at i and j.
template <class Less>
std::vector<int> StableSortOrder(int count, Less less) {
  std::vector<int> order(static_cast<std::size_t>(count > 0 ? count : 0));
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::vector<int> merged(order.size());
  // Bottom-up merge sort: runs of width 1, 2, 4, ... merged pairwise.
  for (std::size_t width = 1; width < order.size(); width *= 2) {
    for (std::size_t left = 0; left < order.size(); left += 2 * width) {
      const std::size_t middle = std::min(left + width, order.size());
      const std::size_t right = std::min(left + 2 * width, order.size());
      std::size_t a = left, b = middle, out = left;
      while (a < middle && b < right) merged[out++] = less(order[b], order[a]) ? order[b++] : order[a++];
      while (a < middle) merged[out++] = order[a++];
      while (b < right) merged[out++] = order[b++];
    }
    order.swap(merged);
  }
  return order;
}

}  // namespace ordvane
