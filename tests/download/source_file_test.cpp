// source_file_test.cpp: the source file's lines: mirrors, languages, and the lines and files it refuses.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "source_file.h"
#include "temp_folder.h"

namespace {

using Strings = std::vector<std::string>;

struct GoodFile {
    const char* text;
    Strings locations;
    Strings languages;
};

struct BadFile {
    const char* text;
    int line;            // the line named
    const char* detail;  // the start of the failure's detail: the line as written
    const char* why;     // in the detail, after the line
};

class SourceFile : public ::testing::Test {
protected:
    Failure read(const std::string& text) {
        folder.write("tarvio.source", text);
        return readSourceFile(folder.file("tarvio.source").c_str(), settings);
    }

    TempFolder folder;
    GuideSourceSettings settings;
};

TEST_F(SourceFile, ReadsMirrorsInOrderAndLanguages) {
    const GoodFile cases[] = {
        // Only comments, as a package's sample: the day documents.
        {"# xmltv http://commented.example/out.xml\n\n   \n", {}, {}},
        {"", {}, {}},
        {"xmltv http://a.example/it.xml.gz\n# between\n\nxmltv /mnt/usb/it.xml\nxmltv https://b.example/it.xz\n",
         {"http://a.example/it.xml.gz", "/mnt/usb/it.xml", "https://b.example/it.xz"},
         {}},
        // Blanks around the words, CR LF line ends, no line break at the end.
        {"  xmltv\t/mnt/usb/g.xml  \r\nlang it en\r\nlang de", {"/mnt/usb/g.xml"}, {"it", "en", "de"}},
        {"lang fr\n", {}, {"fr"}},
    };
    for (const GoodFile& good : cases) {
        SCOPED_TRACE(good.text);
        const Failure failure = read(good.text);
        EXPECT_FALSE(failure) << failure.detail;
        EXPECT_EQ(settings.locations, good.locations);
        EXPECT_EQ(settings.languages, good.languages);
        EXPECT_EQ(settings.xmltv(), !good.locations.empty());
    }
}

TEST_F(SourceFile, NamesTheBadLineByItsNumber) {
    const BadFile cases[] = {
        {"# mirrors\nxmltv /mnt/usb/g.xml\nsomething else\n", 3, "something else (", "expected"},
        {"XMLTV /mnt/usb/g.xml\n", 1, "XMLTV /mnt/usb/g.xml (", "expected"},
        {"lang\n", 1, "lang (", "expected"},
        {"xmltv\n", 1, "xmltv (", "expected"},
        // A blank in a location makes two words of it.
        {"\nxmltv http://a.example/my guide.xml\n", 2, "xmltv http://a.example/my guide.xml (", "expected"},
        {"xmltv http://a.example/it'.xml\n", 1, "xmltv http://a.example/it'.xml (", "a quote"},
        {"xmltv http://a.example/\"x\"\n", 1, "xmltv http://a.example/\"x\" (", "a quote"},
        {"xmltv http://a.example/$(reboot)`x`\n", 1, "xmltv http://a.example/$(reboot)`x` (", "a quote"},
        {"xmltv http://a.example/\x01.xml\n", 1, "xmltv http://a.example/\x01.xml (", "a control character"},
        {"xmltv http://a.example/\x7f.xml\n", 1, "xmltv http://a.example/\x7f.xml (", "a control character"},
        {"xmltv guide.xml\n", 1, "xmltv guide.xml (", "nor an absolute path"},
        {"xmltv ftp://a.example/g.xml\n", 1, "xmltv ftp://a.example/g.xml (", "nor an absolute path"},
    };
    for (const BadFile& bad : cases) {
        SCOPED_TRACE(bad.text);
        const Failure failure = read(bad.text);
        EXPECT_EQ(failure.what, FailureKind::SourceFileBadLine);
        EXPECT_EQ(failure.path, folder.file("tarvio.source"));
        EXPECT_EQ(failure.line, bad.line);
        EXPECT_EQ(failure.detail.rfind(bad.detail, 0), 0u) << failure.detail;
        EXPECT_NE(failure.detail.find(bad.why), std::string::npos) << failure.detail;
        // Nothing of a file with a bad line is used.
        EXPECT_FALSE(settings.xmltv());
    }
}

TEST_F(SourceFile, AMissingFileIsNoSource) {
    settings.locations = {"/left/over.xml"};
    const Failure failure = readSourceFile(folder.file("absent.source").c_str(), settings);
    EXPECT_FALSE(failure);
    EXPECT_FALSE(settings.xmltv());
    EXPECT_TRUE(settings.languages.empty());
}

TEST_F(SourceFile, RefusesWhatIsNoRegularFile) {
    EXPECT_EQ(readSourceFile(folder.path().c_str(), settings).what, FailureKind::SourceFileUnreadable);

    // A FIFO with no writer would hold a plain open() for ever.
    const std::string fifo = folder.file("fifo.source");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] {
        GuideSourceSettings fromFifo;
        return readSourceFile(fifo.c_str(), fromFifo);
    });
    if (reading.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "reading a FIFO blocks";
        // A writer lets the blocked open return, so that the test can end.
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
    }
    const Failure failure = reading.get();
    EXPECT_EQ(failure.what, FailureKind::SourceFileUnreadable);
    EXPECT_EQ(failure.error, EINVAL);
    EXPECT_EQ(failure.path, fifo);
}

TEST_F(SourceFile, RefusesLinesNoSourceFileHas) {
    // A line longer than any location, and a file of endless lines
    // (/dev/zero copied as text would be one of those).
    const Failure longLine = read("xmltv /mnt/usb/" + std::string(2000, 'g') + "\n");
    EXPECT_EQ(longLine.what, FailureKind::SourceFileBadLine);
    EXPECT_EQ(longLine.line, 1);
    std::string many;
    for (int i = 0; i < 1100; ++i)
        many += "# comment\n";
    const Failure manyLines = read(many);
    EXPECT_EQ(manyLines.what, FailureKind::SourceFileBadLine);
    EXPECT_EQ(manyLines.line, 1001);
}

}  // namespace
