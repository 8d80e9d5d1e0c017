// setup_values_test.cpp: the setup page's input texts turned into settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "setup_values.h"

namespace {

TEST(SetupValues, PathIsCutAtSixtyCharactersAndTerminated) {
    char epgFilename[kEpgFilenameSize];
    std::memset(epgFilename, 'z', sizeof epgFilename);
    const std::string text = "/" + std::string(69, 'a');
    setEpgFilename(epgFilename, text.c_str());
    EXPECT_EQ(text.substr(0, 60), epgFilename);

    setEpgFilename(epgFilename, "/hdd/epg.dat");
    EXPECT_STREQ("/hdd/epg.dat", epgFilename);

    setEpgFilename(epgFilename, "");
    EXPECT_STREQ("", epgFilename);
}

TEST(SetupValues, DaysAreDecimalAndEmptyIsZero) {
    EXPECT_EQ(5, parseDays("5"));
    EXPECT_EQ(0, parseDays(""));
    EXPECT_EQ(0, parseDays("x"));
    EXPECT_EQ(12, parseDays("12"));
    EXPECT_EQ(2147483647, parseDays("99999999999999999999"));
}

}  // namespace
