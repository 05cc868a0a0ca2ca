#include "platform/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(SystemMessage, DescribesAKnownError) {
    EXPECT_FALSE(marovan::win::SystemMessage(ERROR_FILE_NOT_FOUND).empty());
}

} // namespace
