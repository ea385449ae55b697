// A list of at most Capacity items stored in place: a patch holds its units
// without allocating, and copying it copies them.
#pragma once

#include <array>

template <typename T, int Capacity> class FixedList {
public:
    // Appends a copy; nullptr when the list is full.
    T* add(const T& item) {
        if (count == Capacity) {
            return nullptr;
        }
        items[count] = item;
        return &items[count++];
    }

    int size() const { return count; }
    bool empty() const { return count == 0; }

    T& operator[](int index) { return items[index]; }
    const T& operator[](int index) const { return items[index]; }

    T* begin() { return items.data(); }
    T* end() { return items.data() + count; }
    const T* begin() const { return items.data(); }
    const T* end() const { return items.data() + count; }

private:
    std::array<T, Capacity> items{};
    int count = 0;
};
