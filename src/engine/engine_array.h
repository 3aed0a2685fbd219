// EngineArray: the engine's run-time dimensioned array of numbers, texts or records,
// with one to four dimensions (first index fastest) and a bounds check on every
// access. A failed check or a failed allocation ends the program through the
// engine's error model: 7 storage cannot be had, 8 bad argument to delete_record /
// append_record, 9 index out of range.
//
//   EngineArray<double> scores;            dim_numbers(scores, 6);
//   EngineArray<EngineString> names;       dim_strings(names, 6);
//   EngineArray<StarRecord> stars;         dim_records(stars, 0); append_record(stars, s);
//   number_at(scores, 2) = 40;  string_at(names, 2) = "X";  record_at(stars, 0).x += 1;
//
// Storage grows in steps (8 elements for numbers, 64 for texts and records) and never
// shrinks when an array is dimensioned again; numeric arrays of up to 16 elements
// live in a small buffer inside the array.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/engine_string.h"

namespace zorby {

// The engine's general record: six numbers.
struct EngineRecord {
    std::array<double, 6> field{};
    double& operator[](size_t i) { return field[i]; }
    double operator[](size_t i) const { return field[i]; }
};

// Element kinds: numbers, texts, or a record type of the caller's (a plain struct
// that can be copied field by field, such as six doubles).
template <typename T>
concept ArrayRecord = std::is_trivially_copyable_v<T> && std::is_default_constructible_v<T> &&
                      !std::is_arithmetic_v<T> &&
                      !std::same_as<T, EngineString>;
template <typename T>
concept ArrayElement = std::same_as<T, double> || std::same_as<T, EngineString> || ArrayRecord<T>;

namespace array_detail {
// Error stops shared by every element kind (never return).
[[noreturn]] void storage_failure(double elements);
[[noreturn]] void index_failure(int32_t i, int32_t j, int32_t k, int32_t l, const int32_t* sizes);
[[noreturn]] void bad_record_argument(const char* what, double value);

// The shape computed from the four size arguments of a dimension command.
struct Shape {
    int32_t size[4] = {0, 0, 0, 0};
    int32_t dimensions = 0;
    int64_t elements = 0;  // L: elements the storage must hold
};
// Sizes as doubles (not given: 0). Ends the program with 7 when the element count
// cannot be stored.
Shape shape_for(double a, double b, double c, double d);
// How many index values a dimension accepts: a dimension that was not given
// (size 0) accepts only index 0.
inline int32_t extent(int32_t size) {
    return size == 0 ? 1 : std::max(size, 0);
}
}  // namespace array_detail

template <ArrayElement T>
class EngineArray {
public:
    // Capacity step and the elements a numeric array keeps inline.
    static constexpr int32_t kStep = std::is_same_v<T, double> ? 8 : 64;
    static constexpr int32_t kSmall = std::is_same_v<T, double> ? 16 : 0;

    EngineArray() = default;
    EngineArray(const EngineArray& other) { copy_from(other); }
    EngineArray(EngineArray&& other) noexcept { take_from(other); }
    EngineArray& operator=(const EngineArray& other) {
        if (this != &other) copy_from(other);
        return *this;
    }
    EngineArray& operator=(EngineArray&& other) noexcept {
        if (this != &other) {
            heap_.reset();
            take_from(other);
        }
        return *this;
    }
    ~EngineArray() = default;

    // (Re)dimensions the array; every element becomes 0 / empty. Storage is reused
    // when it is large enough.
    void dimension(double a, double b = 0, double c = 0, double d = 0) {
        const array_detail::Shape shape = array_detail::shape_for(a, b, c, d);
        const int64_t target = shape.elements / kStep * kStep + kStep;
        if (capacity_ < target || !(a >= 1)) allocate(target);
        clear_all();
        set_shape(shape);
    }

    // Resizes, keeping every element whose indices fit both the old and the new sizes;
    // the other elements are 0 / empty.
    void redimension(double a, double b = 0, double c = 0, double d = 0) {
        const array_detail::Shape shape = array_detail::shape_for(a, b, c, d);
        if (one_dimensional(shape) && one_dimensional() && data_ != nullptr &&
            shape.elements < capacity_) {
            // Same layout: grow or shrink in place.
            const int32_t old_size = size_[0];
            for (int64_t n = shape.size[0]; n < old_size; ++n) data_[n] = T{};
            set_shape(shape);
            return;
        }
        EngineArray fresh;
        fresh.dimension(a, b, c, d);
        const int32_t e1 = std::min(size_[0], fresh.size_[0]);
        const int32_t e2 =
            std::min(array_detail::extent(size_[1]), array_detail::extent(fresh.size_[1]));
        const int32_t e3 =
            std::min(array_detail::extent(size_[2]), array_detail::extent(fresh.size_[2]));
        const int32_t e4 =
            std::min(array_detail::extent(size_[3]), array_detail::extent(fresh.size_[3]));
        if (data_ != nullptr) {
            for (int32_t l = 0; l < e4; ++l)
                for (int32_t k = 0; k < e3; ++k)
                    for (int32_t j = 0; j < e2; ++j)
                        for (int32_t i = 0; i < e1; ++i)
                            fresh.data_[fresh.offset(i, j, k, l)] = data_[offset(i, j, k, l)];
        }
        *this = std::move(fresh);
    }

    // The element at (i, j, k, l); ends the program with 9 when an index is outside
    // the array or the array has no storage.
    T& at(int32_t i, int32_t j = 0, int32_t k = 0, int32_t l = 0) {
        if (!inside(i, j, k, l)) array_detail::index_failure(i, j, k, l, size_);
        return data_[offset(i, j, k, l)];
    }
    const T& at(int32_t i, int32_t j = 0, int32_t k = 0, int32_t l = 0) const {
        return const_cast<EngineArray*>(this)->at(i, j, k, l);
    }
    bool inside(int32_t i, int32_t j = 0, int32_t k = 0, int32_t l = 0) const {
        if (data_ == nullptr || i < 0 || j < 0 || k < 0 || l < 0) return false;
        return i < size_[0] && j < array_detail::extent(size_[1]) &&
               k < array_detail::extent(size_[2]) && l < array_detail::extent(size_[3]);
    }

    // Size of dimension 0..3 (0 for a dimension that was not given).
    int32_t size(int dim) const { return dim >= 0 && dim < 4 ? size_[dim] : 0; }
    int32_t dimensions() const { return dimensions_; }
    int32_t capacity() const { return static_cast<int32_t>(capacity_); }
    // First element (null before the first dimensioning); element (i, j, k, l) lies
    // at i + j * stride(0) + k * stride(1) + l * stride(2).
    T* data() { return data_; }
    const T* data() const { return data_; }
    int32_t stride(int n) const { return n >= 0 && n < 3 ? stride_[n] : 0; }
    // True while the elements live in the inline small buffer.
    bool uses_small_buffer() const {
        if constexpr (kSmall > 0) {
            return data_ == small_.data();
        } else {
            return false;
        }
    }

private:
    struct NoSmall {
        T* data() { return nullptr; }
        const T* data() const { return nullptr; }
    };
    using SmallBuffer =
        std::conditional_t<(kSmall > 0), std::array<T, (kSmall > 0 ? kSmall : 1)>, NoSmall>;

    static bool one_dimensional(const array_detail::Shape& s) {
        return s.size[1] == 0 && s.size[2] == 0 && s.size[3] == 0;
    }
    bool one_dimensional() const { return size_[1] == 0 && size_[2] == 0 && size_[3] == 0; }

    int64_t offset(int32_t i, int32_t j, int32_t k, int32_t l) const {
        return i + static_cast<int64_t>(j) * stride_[0] + static_cast<int64_t>(k) * stride_[1] +
               static_cast<int64_t>(l) * stride_[2];
    }

    void allocate(int64_t target) {
        heap_.reset();
        data_ = nullptr;
        capacity_ = 0;
        if constexpr (kSmall > 0) {
            if (target <= kSmall) {
                data_ = small_.data();
                capacity_ = target;
                return;
            }
        }
        heap_.reset(new (std::nothrow) T[static_cast<size_t>(target)]);
        if (!heap_) array_detail::storage_failure(static_cast<double>(target));
        data_ = heap_.get();
        capacity_ = target;
    }

    void clear_all() {
        for (int64_t n = 0; n < capacity_; ++n) data_[n] = T{};
    }

    void set_shape(const array_detail::Shape& s) {
        std::copy(std::begin(s.size), std::end(s.size), size_);
        dimensions_ = s.dimensions;
        // A dimension that was not given spans one index, so strides stay inside the
        // storage whichever sizes were given.
        stride_[0] = std::max(size_[0], 0);
        stride_[1] = stride_[0] * array_detail::extent(size_[1]);
        stride_[2] = stride_[1] * array_detail::extent(size_[2]);
    }

    void copy_from(const EngineArray& other) {
        if (other.data_ == nullptr) {
            heap_.reset();
            data_ = nullptr;
            capacity_ = 0;
        } else {
            if (capacity_ < other.capacity_ || data_ == nullptr) allocate(other.capacity_);
            clear_all();
            for (int64_t n = 0; n < other.capacity_; ++n) data_[n] = other.data_[n];
        }
        std::copy(std::begin(other.size_), std::end(other.size_), size_);
        std::copy(std::begin(other.stride_), std::end(other.stride_), stride_);
        dimensions_ = other.dimensions_;
    }

    void take_from(EngineArray& other) noexcept {
        if (other.uses_small_buffer()) {
            small_ = other.small_;
            data_ = small_.data();
        } else {
            heap_ = std::move(other.heap_);
            data_ = heap_.get();
        }
        capacity_ = other.capacity_;
        std::copy(std::begin(other.size_), std::end(other.size_), size_);
        std::copy(std::begin(other.stride_), std::end(other.stride_), stride_);
        dimensions_ = other.dimensions_;
        other.heap_.reset();
        other.data_ = nullptr;
        other.capacity_ = 0;
        std::fill(std::begin(other.size_), std::end(other.size_), 0);
        std::fill(std::begin(other.stride_), std::end(other.stride_), 0);
        other.dimensions_ = 0;
    }

    T* data_ = nullptr;
    SmallBuffer small_{};
    std::unique_ptr<T[]> heap_;
    int32_t stride_[3] = {0, 0, 0};
    int32_t size_[4] = {0, 0, 0, 0};
    int32_t dimensions_ = 0;
    int64_t capacity_ = 0;
};

using NumberArray = EngineArray<double>;
using StringArray = EngineArray<EngineString>;
using RecordArray = EngineArray<EngineRecord>;

// ---- the array commands ----

// (Re)dimension with sizes a, b, c, d (sizes not given: 0); all elements 0 / empty.
inline void dim_numbers(EngineArray<double>& array, double a, double b = 0, double c = 0,
                        double d = 0) {
    array.dimension(a, b, c, d);
}
inline void dim_strings(EngineArray<EngineString>& array, double a, double b = 0, double c = 0,
                        double d = 0) {
    array.dimension(a, b, c, d);
}
template <ArrayRecord R>
void dim_records(EngineArray<R>& array, double a, double b = 0, double c = 0, double d = 0) {
    array.dimension(a, b, c, d);
}
// Resize keeping the elements whose indices fit both the old and the new sizes.
template <ArrayRecord R>
void redim_records(EngineArray<R>& array, double a, double b = 0, double c = 0, double d = 0) {
    array.redimension(a, b, c, d);
}

// Checked element access (ends the program with 9 when outside).
inline double& number_at(EngineArray<double>& array, int32_t i, int32_t j = 0, int32_t k = 0,
                         int32_t l = 0) {
    return array.at(i, j, k, l);
}
inline double number_at(const EngineArray<double>& array, int32_t i, int32_t j = 0, int32_t k = 0,
                        int32_t l = 0) {
    return array.at(i, j, k, l);
}
inline EngineString& string_at(EngineArray<EngineString>& array, int32_t i, int32_t j = 0,
                               int32_t k = 0, int32_t l = 0) {
    return array.at(i, j, k, l);
}
inline const EngineString& string_at(const EngineArray<EngineString>& array, int32_t i,
                                     int32_t j = 0, int32_t k = 0, int32_t l = 0) {
    return array.at(i, j, k, l);
}
template <ArrayRecord R>
R& record_at(EngineArray<R>& array, int32_t i, int32_t j = 0, int32_t k = 0, int32_t l = 0) {
    return array.at(i, j, k, l);
}
template <ArrayRecord R>
const R& record_at(const EngineArray<R>& array, int32_t i, int32_t j = 0, int32_t k = 0,
                   int32_t l = 0) {
    return array.at(i, j, k, l);
}

// Size of dimension 0..3 as a double; 0 for any other dimension number.
template <ArrayElement T>
double array_size(const EngineArray<T>& array, double dim) {
    if (!(dim >= 0 && dim < 4)) return 0.0;
    return static_cast<double>(array.size(static_cast<int>(dim)));
}

// Removes first index i: later elements move down one place and size 1 shrinks by
// one. Ends the program with 8 unless 0 <= i < size 1.
template <ArrayRecord R>
void delete_record(EngineArray<R>& array, double i) {
    const int32_t d1 = array.size(0);
    if (!(i >= 0 && i < d1)) array_detail::bad_record_argument("delete_record index", i);
    const int32_t first = static_cast<int32_t>(i);
    const int32_t e2 = array_detail::extent(array.size(1));
    const int32_t e3 = array_detail::extent(array.size(2));
    const int32_t e4 = array_detail::extent(array.size(3));
    R* data = array.data();
    for (int32_t l = 0; l < e4; ++l)
        for (int32_t k = 0; k < e3; ++k)
            for (int32_t j = 0; j < e2; ++j) {
                const int64_t row = static_cast<int64_t>(j) * array.stride(0) +
                                    static_cast<int64_t>(k) * array.stride(1) +
                                    static_cast<int64_t>(l) * array.stride(2);
                for (int32_t m = first; m + 1 < d1; ++m) data[row + m] = data[row + m + 1];
            }
    array.redimension(d1 - 1, array.size(1), array.size(2), array.size(3));
}

// Grows a one-dimensional record array by one and copies record into the new last
// element. Ends the program with 8 when the array has a second dimension.
template <ArrayRecord R>
void append_record(EngineArray<R>& array, const R& record) {
    if (array.size(1) != 0) {
        array_detail::bad_record_argument("append_record on an array with 2 or more dimensions",
                                          array.size(1));
    }
    const int32_t d1 = std::max(array.size(0), 0);
    const R copy = record;  // record may live inside the array being resized
    array.redimension(static_cast<double>(d1) + 1.0);
    array.at(d1) = copy;
}

}  // namespace zorby
