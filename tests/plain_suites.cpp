// The suites that run a second time on the plain pixel kernels (Plain.*)
// are listed in tests/CMakeLists.txt, which passes the list here in
// QUIBO_PLAIN_SUITES. A test that reaches the kernels in a suite not listed
// fails, so a new drawing suite cannot miss the plain run.
#include "PixelKernels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

namespace {

class PlainSuitesCheck : public ::testing::EmptyTestEventListener {
public:
    explicit PlainSuitesCheck(const char *list)
    {
        std::istringstream in(list);
        for (std::string s; std::getline(in, s, ':');)
            listed.insert(s);
    }

private:
    void OnTestStart(const ::testing::TestInfo &) override { PixelKernels::chosenPath = -1; }

    // A parameterised or typed suite is listed by its own name, without
    // the instance's ("PaintPaths" for "GameTypesAndPictures/PaintPaths").
    bool Listed(const std::string &suite) const
    {
        std::istringstream in(suite);
        for (std::string part; std::getline(in, part, '/');)
            if (listed.count(part))
                return true;
        return false;
    }

    void OnTestEnd(const ::testing::TestInfo &test) override
    {
        if (PixelKernels::chosenPath >= 0 && !Listed(test.test_suite_name()))
            ADD_FAILURE() << test.test_suite_name() << '.' << test.name()
                          << " reaches the pixel kernels: list its suite among the Plain suites in "
                             "tests/CMakeLists.txt";
    }

    std::set<std::string> listed;
};

// Only where the list is given (ctest): run by hand, the program checks
// nothing. Added after the result printer, so that the test's end is
// checked before it is printed.
const bool plainSuitesChecked = [] {
    const char *list = std::getenv("QUIBO_PLAIN_SUITES");
    if (list)
        ::testing::UnitTest::GetInstance()->listeners().Append(new PlainSuitesCheck(list));
    return list != nullptr;
}();

} // namespace
