// Each test starts with the floating-point environment of a new process.  A
// test that installs the program's checks leaves the traps armed; CTest runs
// every test in a process of its own, but the test program may also be run
// whole, and then the next test must not trap on what it computes natively.
#include <cfenv>
#include <gtest/gtest.h>

namespace {

class FreshFloatEnvironment : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        std::feclearexcept(FE_ALL_EXCEPT);
        std::fesetenv(FE_DFL_ENV);
    }
};

[[maybe_unused]] const bool registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FreshFloatEnvironment);
    return true;
}();

}  // namespace
