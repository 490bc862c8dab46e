#pragma once
// A per-cell array over the whole grid, border ring included, laid out by cellNumber.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <vector>

#include "sim/Geometry.h"

template <class T>
class Field {
public:
    Field(uint32_t resI, uint32_t resJ) : mResI(resI), mResJ(resJ) {
        const uint64_t count = (uint64_t(resI) + 2) * (uint64_t(resJ) + 2);
        // Cell numbers are 32-bit: a grid whose arrays cannot be addressed that way
        // is refused as an allocation that cannot be met.
        if (count * sizeof(T) > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
        mCells.assign(count, T{});
    }

    T& operator()(uint32_t i, uint32_t j) { return mCells[cellNumber(i, j, mResI)]; }
    const T& operator()(uint32_t i, uint32_t j) const { return mCells[cellNumber(i, j, mResI)]; }
    T& operator[](uint32_t cell) { return mCells[cell]; }
    const T& operator[](uint32_t cell) const { return mCells[cell]; }

    // Clearing to all-zero bytes (+0, not −0) is a byte fill: the solver clears its
    // sources every step, and storing the value cell by cell took several times as long.
    void fill(T value) {
        if (isZeroBytes(value)) {
            std::memset(static_cast<void*>(mCells.data()), 0, mCells.size() * sizeof(T));
        } else {
            std::fill(mCells.begin(), mCells.end(), value);
        }
    }
    T* data() { return mCells.data(); }
    const T* data() const { return mCells.data(); }
    uint32_t size() const { return uint32_t(mCells.size()); }
    uint32_t resI() const { return mResI; }
    uint32_t resJ() const { return mResJ; }

private:
    static_assert(std::is_trivially_copyable_v<T>, "a field's cells are cleared byte by byte");
    static bool isZeroBytes(const T& value) {
        const T zero{};
        return std::memcmp(&value, &zero, sizeof(T)) == 0;
    }

    uint32_t mResI;
    uint32_t mResJ;
    std::vector<T> mCells;
};

using VectorField = Field<Vec2>;
using ScalarField = Field<float>;
