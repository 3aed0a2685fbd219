// EngineArray: the shape computation and the error stops shared by all element kinds.
#include "engine/engine_array.h"

#include <cstdio>
#include <string>

#include "engine/engine_core.h"
#include "engine/numbers.h"

namespace zorby::array_detail {

namespace {
// The most elements one array may hold; larger requests are a storage failure.
constexpr double kMaxElements = 1 << 28;

[[noreturn]] void stop(int code, const std::string& what) {
    set_error(code, what);
    request_program_end();
}
}  // namespace

Shape shape_for(double a, double b, double c, double d) {
    // A size that is not a number counts as not given.
    if (std::isnan(a)) a = 0;
    if (std::isnan(b)) b = 0;
    if (std::isnan(c)) c = 0;
    if (std::isnan(d)) d = 0;
    const double d1 = a < 1 ? 0.0 : a;
    const double count = std::trunc(d1 * std::max(b, 1.0) * std::max(c, 1.0) * std::max(d, 1.0));
    if (!(count <= kMaxElements)) storage_failure(count);
    Shape s;
    s.elements = static_cast<int64_t>(count);
    s.size[0] = static_cast<int32_t>(d1);
    s.size[1] = truncate_int32(b);
    s.size[2] = truncate_int32(c);
    s.size[3] = truncate_int32(d);
    s.dimensions = d != 0 ? 4 : c != 0 ? 3 : b != 0 ? 2 : d1 != 0 ? 1 : 0;
    return s;
}

void storage_failure(double elements) {
    char what[96];
    std::snprintf(what, sizeof what, "no storage for an array of %.0f elements", elements);
    stop(7, what);
}

void index_failure(int32_t i, int32_t j, int32_t k, int32_t l, const int32_t* sizes) {
    char what[160];
    std::snprintf(what, sizeof what,
                  "array element (%d, %d, %d, %d) outside sizes (%d, %d, %d, %d)", i, j, k, l,
                  sizes[0], sizes[1], sizes[2], sizes[3]);
    stop(9, what);
}

void bad_record_argument(const char* what, double value) {
    char text[160];
    std::snprintf(text, sizeof text, "%s: %g", what, value);
    stop(8, text);
}

}  // namespace zorby::array_detail
