// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

// The two array helpers the tree code leans on: identity membership and ordered insertion.
template<typename T, typename U>
bool containsObjectIdenticalTo(const std::vector<std::shared_ptr<T>> &array, const U *object)
{
    return std::any_of(array.begin(), array.end(), [object](const auto &item) { return item.get() == object; });
}

// Inserts `objects` one after another starting at `index` (clamped to the end).
template<typename T>
void insertObjectsFromArray(std::vector<T> &array, const std::vector<T> &objects, std::size_t index)
{
    index = std::min(index, array.size());
    array.insert(array.begin() + static_cast<std::ptrdiff_t>(index), objects.begin(), objects.end());
}
