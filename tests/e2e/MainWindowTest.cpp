// The main window as a user meets it: captions, the details toggle and
// Clear details.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"

#include <gtest/gtest.h>

namespace marovan::e2e {
namespace {

TEST(MainWindow, OpensWithItsCaptionAndEndsTheProgramWhenClosed) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    EXPECT_EQ(app.Close(), 0u);
}

} // namespace
} // namespace marovan::e2e
