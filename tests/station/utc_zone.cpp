// Local time is UTC in these tests, so byte layouts holding local times are fixed.
#include <cstdlib>
#include <ctime>

namespace {
const bool kUtc = [] {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    return true;
}();
}  // namespace
