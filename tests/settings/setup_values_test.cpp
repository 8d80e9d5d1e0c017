// setup_values_test.cpp: the setup page's input texts turned into settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "setup_values.h"

namespace {

TEST(SetupValues, PathIsCutAtSixtyCharactersAndTerminated) {
    Settings settings;
    char (&epgFilename)[kEpgFilenameSize] = settings.epgFilename;
    std::memset(epgFilename, 'z', sizeof epgFilename);
    const std::string text = "/" + std::string(69, 'a');
    takeEpgFilenameInput(settings, text.c_str());
    EXPECT_EQ(epgFilename, text.substr(0, 60));

    takeEpgFilenameInput(settings, "/hdd/epg.dat");
    EXPECT_STREQ("/hdd/epg.dat", epgFilename);

    takeEpgFilenameInput(settings, "");
    EXPECT_STREQ("", epgFilename);
}

TEST(SetupValues, DaysAreDecimalAndEmptyIsZero) {
    EXPECT_EQ(parseDays("5"), 5);
    EXPECT_EQ(parseDays(""), 0);
    EXPECT_EQ(parseDays("x"), 0);
    EXPECT_EQ(parseDays("12"), 12);
    EXPECT_EQ(parseDays("99999999999999999999"), 2147483647);
}

}  // namespace
