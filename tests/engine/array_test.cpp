// EngineArray: dimensioning, storage reuse, checked access and the record commands.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine_array.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::TestEngine;

struct Star {
    double x = 0, y = 0, angle_x = 0, angle_y = 0, speed_x = 0, speed_y = 0;
};

Star star(double x) {
    return Star{x, x + 1, 0, 0, 2, 3};
}

// Runs fn on a fresh engine and returns the error number it stopped with (0 when it
// returned normally).
template <typename Fn>
double stop_code(Fn fn) {
    TestEngine te;
    const int status = te.run_until_end(fn);
    if (status == -1) return 0.0;
    EXPECT_EQ(status, 1);
    return te.engine().error.error_number;
}

TEST(EngineArrayAccess, EveryIndexIsCheckedInEveryDimension) {
    EXPECT_EQ(stop_code([] {
                  NumberArray a;
                  number_at(a, 0);
              }),
              9.0);
    EXPECT_EQ(stop_code([] {
                  NumberArray a;
                  dim_numbers(a, 0);
                  EXPECT_EQ(a.dimensions(), 0);
                  number_at(a, 0);
              }),
              9.0);
    EXPECT_EQ(stop_code([] {
                  NumberArray a;
                  dim_numbers(a, 5);
                  EXPECT_EQ(number_at(a, 4), 0.0);
                  number_at(a, 5);
              }),
              9.0);

    // A 4-dimensional array: the last valid index of each dimension works, one more
    // (or a negative index) stops with 9.
    const int sizes[4] = {3, 4, 2, 5};
    for (int dim = 0; dim < 4; ++dim) {
        for (int bad : {sizes[dim], -1}) {
            EXPECT_EQ(stop_code([&] {
                          NumberArray a;
                          dim_numbers(a, 3, 4, 2, 5);
                          int idx[4] = {sizes[0] - 1, sizes[1] - 1, sizes[2] - 1, sizes[3] - 1};
                          number_at(a, idx[0], idx[1], idx[2], idx[3]) = 7;
                          idx[dim] = bad;
                          number_at(a, idx[0], idx[1], idx[2], idx[3]);
                      }),
                      9.0)
                << "dimension " << dim << " index " << bad;
        }
    }
    // A dimension that was not given accepts only index 0 (never reads past the data).
    EXPECT_EQ(stop_code([] {
                  NumberArray a;
                  dim_numbers(a, 5);
                  number_at(a, 0, 0) = 1;
                  number_at(a, 0, 1);
              }),
              9.0);
    EXPECT_EQ(stop_code([] {
                  StringArray s;
                  dim_strings(s, 2, 0, 3);  // second dimension not given
                  string_at(s, 1, 0, 2) = "last";
                  string_at(s, 1, 1, 2);
              }),
              9.0);
}

TEST(EngineArrayAccess, ElementsAreLaidOutFirstIndexFastest) {
    TestEngine te;
    NumberArray a;
    dim_numbers(a, 3, 4, 2);
    EXPECT_EQ(a.dimensions(), 3);
    EXPECT_EQ(array_size(a, 0), 3.0);
    EXPECT_EQ(array_size(a, 1), 4.0);
    EXPECT_EQ(array_size(a, 2), 2.0);
    EXPECT_EQ(array_size(a, 3), 0.0);
    EXPECT_EQ(array_size(a, 4), 0.0);
    EXPECT_EQ(array_size(a, -1), 0.0);
    number_at(a, 2, 1, 1) = 5;
    EXPECT_EQ(a.data()[2 + 1 * 3 + 1 * 12], 5.0);
    // A dimension skipped in the middle still spans separate elements.
    NumberArray gap;
    dim_numbers(gap, 5, 0, 3);
    EXPECT_EQ(gap.dimensions(), 3);
    for (int k = 0; k < 3; ++k) number_at(gap, 1, 0, k) = k + 1;
    EXPECT_EQ(number_at(gap, 1, 0, 0), 1.0);
    EXPECT_EQ(number_at(gap, 1, 0, 2), 3.0);
    // Fractional sizes truncate; the element count uses the sizes as given.
    NumberArray frac;
    dim_numbers(frac, 2.9, 2.5);
    EXPECT_EQ(array_size(frac, 0), 2.0);
    EXPECT_EQ(array_size(frac, 1), 2.0);
    number_at(frac, 1, 1) = 1;
}

TEST(EngineArrayStorage, RedimensioningReusesOrReplacesStorage) {
    TestEngine te;
    NumberArray a;
    dim_numbers(a, 10);
    EXPECT_TRUE(a.uses_small_buffer());
    EXPECT_EQ(a.capacity(), 16);
    dim_numbers(a, 100);
    EXPECT_FALSE(a.uses_small_buffer());
    EXPECT_EQ(a.capacity(), 104);
    number_at(a, 99) = 3;
    const double* storage = a.data();
    // Smaller: the same storage, cleared.
    dim_numbers(a, 20);
    EXPECT_EQ(a.data(), storage);
    EXPECT_EQ(a.capacity(), 104);
    EXPECT_EQ(a.data()[99], 0.0);
    // Larger: new storage.
    dim_numbers(a, 200);
    EXPECT_EQ(a.capacity(), 208);
    EXPECT_EQ(number_at(a, 199), 0.0);
    // Size below 1 always starts over.
    dim_numbers(a, 0);
    EXPECT_TRUE(a.uses_small_buffer());

    StringArray s;
    dim_strings(s, 64);
    EXPECT_EQ(s.capacity(), 128);
    string_at(s, 63) = "kept?";
    dim_strings(s, 3);
    EXPECT_EQ(s.capacity(), 128);
    EXPECT_EQ(s.data()[63].length(), 0);

    // Copies are deep; moves leave an empty array behind.
    NumberArray small;
    dim_numbers(small, 4);
    number_at(small, 3) = 9;
    NumberArray copy(small);
    number_at(copy, 3) = 1;
    EXPECT_EQ(number_at(small, 3), 9.0);
    NumberArray moved(std::move(small));
    EXPECT_EQ(number_at(moved, 3), 9.0);
    EXPECT_EQ(small.data(), nullptr);  // NOLINT: a moved-from value is left empty on purpose
}

TEST(EngineArrayStorage, SizesThatCannotBeStoredStopWithSeven) {
    EXPECT_EQ(stop_code([] {
                  NumberArray a;
                  dim_numbers(a, 1e6, 1e6);
              }),
              7.0);
    EXPECT_EQ(stop_code([] {
                  RecordArray a;
                  dim_records(a, std::numeric_limits<double>::infinity());
              }),
              7.0);
    EXPECT_EQ(stop_code([] {
                  NumberArray a;
                  dim_numbers(a, std::nan(""), 3);  // no first dimension: nothing to access
                  EXPECT_EQ(a.dimensions(), 2);
                  number_at(a, 0, 0);
              }),
              9.0);
}

TEST(EngineArrayRecords, RedimKeepsElementsAndDeleteAppendShift) {
    TestEngine te;
    RecordArray grid;
    dim_records(grid, 3, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) record_at(grid, i, j)[0] = i * 10 + j;
    redim_records(grid, 4, 3);
    EXPECT_EQ(record_at(grid, 2, 1)[0], 21.0);
    EXPECT_EQ(record_at(grid, 1, 0)[0], 10.0);
    EXPECT_EQ(record_at(grid, 3, 2)[0], 0.0);
    redim_records(grid, 2, 1);
    EXPECT_EQ(record_at(grid, 1, 0)[0], 10.0);

    // Deleting a first index in two dimensions moves every row.
    dim_records(grid, 3, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) record_at(grid, i, j)[5] = i * 10 + j;
    delete_record(grid, 0);
    EXPECT_EQ(array_size(grid, 0), 2.0);
    EXPECT_EQ(record_at(grid, 0, 1)[5], 11.0);
    EXPECT_EQ(record_at(grid, 1, 0)[5], 20.0);

    EngineArray<Star> stars;
    append_record(stars, star(1));  // never dimensioned
    EXPECT_EQ(array_size(stars, 0), 1.0);
    EXPECT_EQ(record_at(stars, 0).y, 2.0);
    for (int n = 2; n <= 100; ++n) append_record(stars, star(n));
    EXPECT_EQ(array_size(stars, 0), 100.0);
    EXPECT_EQ(stars.capacity(), 128);
    // The star burst deletes 40 stars newest first.
    for (int i = 59; i >= 20; --i) delete_record(stars, i);
    EXPECT_EQ(array_size(stars, 0), 60.0);
    EXPECT_EQ(record_at(stars, 19).x, 20.0);
    EXPECT_EQ(record_at(stars, 20).x, 61.0);
    EXPECT_EQ(record_at(stars, 59).x, 100.0);
    // Appending an element of the array itself.
    append_record(stars, record_at(stars, 0));
    EXPECT_EQ(record_at(stars, 60).x, 1.0);
    // Deleting the last element shrinks; slots behind the size read as cleared.
    delete_record(stars, 60);
    EXPECT_EQ(array_size(stars, 0), 60.0);
    EXPECT_EQ(stars.data()[60].x, 0.0);
    while (array_size(stars, 0) > 0) delete_record(stars, 0);
    EXPECT_EQ(stars.dimensions(), 0);
    append_record(stars, star(5));
    EXPECT_EQ(record_at(stars, 0).x, 5.0);
}

TEST(EngineArrayRecords, BadRecordArgumentsStopWithEight) {
    for (double i : {-1.0, 3.0, std::nan("")}) {
        EXPECT_EQ(stop_code([i] {
                      EngineArray<Star> s;
                      dim_records(s, 3);
                      delete_record(s, i);
                  }),
                  8.0)
            << i;
    }
    EXPECT_EQ(stop_code([] {
                  RecordArray s;
                  dim_records(s, 3, 2);
                  append_record(s, EngineRecord{});
              }),
              8.0);
}

// The error stop ends a real process: exit status 1 and one line on stderr.
TEST(EngineArrayDeathTest, IndexOutOfRangeEndsTheProcess) {
    EXPECT_EXIT(
        {
            Engine e;
            set_current_engine(&e);
            NumberArray a;
            dim_numbers(a, 5);
            number_at(a, 5) = 1;
        },
        ::testing::ExitedWithCode(1), "run-time error 9 \\(index out of range\\)");
    EXPECT_EXIT(
        {
            Engine e;
            set_current_engine(&e);
            EngineArray<Star> s;
            delete_record(s, 0);
        },
        ::testing::ExitedWithCode(1), "run-time error 8");
}

}  // namespace
}  // namespace zorby
