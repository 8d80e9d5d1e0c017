// screen_picture_test.cpp: the picture of the screen, written as a PNG file
// and read back with libpng: where the window, its frame and its texts land.
#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include "escreenpicture.h"
#include "gpng.h"
#include "host_toolkit.h"
#include "pixel_text_layout.h"

namespace {
// A picture read back from its PNG file.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<png_byte> rgba;

    gRGB at(int x, int y) const {
        const png_byte* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
        return gRGB(p[0], p[1], p[2], p[3]);
    }
};

Decoded readPng(const std::string& path) {
    Decoded out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "not a PNG file " << path << ": " << image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << image.message;
        return out;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba = std::move(pixels);
    return out;
}

// The plug-in's window: client area 500x150 at (100, 350).
struct PictureWindow : eWindow {
    PictureWindow() : eWindow(1) {
        cmove(ePoint(100, 350));
        cresize(eSize(500, 150));
        setText("Pictures");
    }
};

eLabel* makeLabel(eWidget* parent, const eRect& area, const char* text, bool wrap) {
    auto* label = new eLabel(parent, 0, 0, "eLabel");
    label->move(area.topLeft());
    label->resize(area.size());
    if (wrap)
        label->setProperty("wrap", "on");
    label->setText(text);
    return label;
}

class ScreenPicture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(picture.loadFonts(error)) << error;
    }

    // The screen as it stands, through a PNG file and back.
    Decoded snapshot() {
        const std::string path = ::testing::TempDir() + "screen_picture_" + std::to_string(::getpid()) + ".png";
        std::string error;
        EXPECT_TRUE(writePng(picture.render(), path, error)) << error;
        Decoded decoded = readPng(path);
        ::unlink(path.c_str());
        return decoded;
    }

    // Pixels in the area (screen pixels) that differ from the colour.
    static int countOther(const Decoded& d, const eRect& area, const gRGB& colour) {
        int n = 0;
        for (int y = area.y1; y < area.y2; ++y)
            for (int x = area.x1; x < area.x2; ++x)
                n += d.at(x, y) != colour;
        return n;
    }

    // The bounding box of the pixels in the area that differ from the colour.
    static eRect inkBounds(const Decoded& d, const eRect& area, const gRGB& colour) {
        eRect box(ePoint(area.x2, area.y2), eSize(0, 0));
        box.x2 = area.x1;
        box.y2 = area.y1;
        for (int y = area.y1; y < area.y2; ++y) {
            for (int x = area.x1; x < area.x2; ++x) {
                if (d.at(x, y) == colour)
                    continue;
                box.x1 = std::min(box.x1, x);
                box.y1 = std::min(box.y1, y);
                box.x2 = std::max(box.x2, x + 1);
                box.y2 = std::max(box.y2, y + 1);
            }
        }
        return box;
    }

    eScreenPicture picture;
    // The window's outer rectangle: the client area plus a frame of 8 pixels
    // on the sides and 16 (the title bar) above and below.
    const eRect outer{ePoint(92, 334), eSize(516, 182)};
    const eRect client{ePoint(100, 350), eSize(500, 150)};
};
}  // namespace

TEST_F(ScreenPicture, PngFileOfTheWholeScreen) {
    PictureWindow window;
    window.show();
    Decoded d = snapshot();
    EXPECT_EQ(d.width, 720);
    EXPECT_EQ(d.height, 576);
}

TEST_F(ScreenPicture, FrameSurroundsTheClientAreaAtItsPosition) {
    PictureWindow window;
    window.show();
    Decoded d = snapshot();
    ASSERT_EQ(d.width, 720);
    const gRGB background = eScreenPicture::kBackground;
    // Nothing outside the outer rectangle, all of it painted.
    EXPECT_EQ(countOther(d, eRect(ePoint(0, 0), eSize(720, outer.y1)), background), 0);
    EXPECT_EQ(countOther(d, eRect(ePoint(0, outer.y2), eSize(720, 576 - outer.y2)), background), 0);
    EXPECT_EQ(countOther(d, eRect(ePoint(0, 0), eSize(outer.x1, 576)), background), 0);
    EXPECT_EQ(countOther(d, eRect(ePoint(outer.x2, 0), eSize(720 - outer.x2, 576)), background), 0);
    for (int x : {outer.x1, outer.x2 - 1})
        for (int y : {outer.y1, outer.y2 - 1})
            EXPECT_NE(d.at(x, y), background) << x << "," << y;
    // The empty client area is one colour, edge to edge, and the frame
    // just outside it is not.
    const gRGB inside = d.at(client.x1, client.y1);
    EXPECT_EQ(countOther(d, client, inside), 0);
    EXPECT_NE(d.at(client.x1 - 1, client.y1 + 50), inside);
    EXPECT_NE(d.at(client.x2, client.y1 + 50), inside);
    EXPECT_NE(d.at(client.x1 + 50, client.y1 - 1), inside);
    EXPECT_NE(d.at(client.x1 + 50, client.y2), inside);
    // The title is written in the title bar.
    const eRect titleBar(ePoint(outer.x1 + 2, outer.y1 + 2), eSize(200, 12));
    EXPECT_GT(countOther(d, titleBar, d.at(outer.x1 + 300, outer.y1 + 8)), 20);
}

TEST_F(ScreenPicture, LabelTextLiesInsideTheLabelOnly) {
    PictureWindow window;
    makeLabel(&window, eRect(ePoint(10, 10), eSize(300, 30)), "Downloading:\t3 of 12", false);
    window.show();
    Decoded d = snapshot();
    ASSERT_EQ(d.width, 720);
    const gRGB inside = d.at(client.x1, client.y1);
    const eRect label(ePoint(110, 360), eSize(300, 30));
    const eRect ink = inkBounds(d, client, inside);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_EQ(ink.intersect(label).size().w, ink.width());
    EXPECT_EQ(ink.intersect(label).size().h, ink.height());
    // "Downloading:" ends before the second tab stop (128 pixels), and the
    // tab takes "3 of 12" to it (the digit's ink starts a pixel or two on).
    const int stop = label.x1 + 2 * 64;
    EXPECT_LT(inkBounds(d, eRect(label.topLeft(), eSize(2 * 64, 30)), inside).x2, stop - 4);
    const eRect afterTab = inkBounds(d, eRect(ePoint(stop, label.y1), eSize(100, 30)), inside);
    EXPECT_GE(afterTab.x1, stop);
    EXPECT_LE(afterTab.x1, stop + 3);
}

TEST_F(ScreenPicture, WrappedLongTextStaysInsideItsLabel) {
    PictureWindow window;
    const char* longText =
        "A guide for seven days of every enabled channel takes a while to fetch; "
        "the progress shows here, channel by channel and day by day.";
    makeLabel(&window, eRect(ePoint(40, 10), eSize(200, 120)), longText, true);
    window.show();
    Decoded d = snapshot();
    ASSERT_EQ(d.width, 720);
    const gRGB inside = d.at(client.x1, client.y1);
    const eRect label(ePoint(140, 360), eSize(200, 120));
    const eRect ink = inkBounds(d, client, inside);
    EXPECT_GE(ink.x1, label.x1);
    EXPECT_LE(ink.x2, label.x2);
    EXPECT_GE(ink.y1, label.y1);
    EXPECT_LE(ink.y2, label.y2);
    // Wrapped, not clipped: the text fills several lines, down the label.
    EXPECT_GT(ink.height(), 3 * 16);
}

TEST_F(ScreenPicture, FocusAndColourKeyAreShown) {
    PictureWindow window;
    auto* button = new eButton(&window);
    button->move(ePoint(10, 115));
    button->resize(eSize(130, 30));
    button->setShortcutPixmap("green");
    button->setText("Download");
    auto* input = new eTextInputField(&window);
    input->move(ePoint(170, 8));
    input->resize(eSize(250, 30));
    input->setText("/mnt/usb");
    window.show();
    ASSERT_TRUE(button->hasFocus());
    const eRect buttonArea(ePoint(110, 465), eSize(130, 30));
    const eRect inputArea(ePoint(270, 358), eSize(250, 30));
    Decoded focusOnButton = snapshot();
    window.focusNext(+1);
    ASSERT_TRUE(input->hasFocus());
    Decoded focusOnInput = snapshot();
    // A patch of the key's green stands in the button.
    int green = 0;
    for (int y = buttonArea.y1; y < buttonArea.y2; ++y) {
        for (int x = buttonArea.x1; x < buttonArea.x2; ++x) {
            gRGB p = focusOnButton.at(x, y);
            green += p.g > p.r + 80 && p.g > p.b + 80;
        }
    }
    EXPECT_GT(green, 100);
    // Moving the focus changes how both look.
    int buttonChanged = 0, inputChanged = 0, elsewhere = 0;
    for (int y = 0; y < 576; ++y) {
        for (int x = 0; x < 720; ++x) {
            if (focusOnButton.at(x, y) == focusOnInput.at(x, y))
                continue;
            buttonChanged += buttonArea.contains(x, y);
            inputChanged += inputArea.contains(x, y);
            elsewhere += !buttonArea.contains(x, y) && !inputArea.contains(x, y);
        }
    }
    EXPECT_GT(buttonChanged, 0);
    EXPECT_GT(inputChanged, 0);
    EXPECT_EQ(elsewhere, 0);
}

// The layout by pixels, with every character 10 pixels wide.
namespace {
std::vector<PlacedLine> layoutTen(const std::string& text, int width, bool wrap) {
    return layoutTextInPixels(text, width, wrap, 64, [](const std::string& s) { return 10 * static_cast<int>(s.size()); });
}
}  // namespace

TEST(PixelTextLayout, TabsAdvanceToTheNextStop) {
    auto lines = layoutTen("ab\tc\nabcdefg\th", 400, false);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].size(), 2u);
    EXPECT_EQ(lines[0][1].x, 64);
    // 70 pixels of text: the next stop is 128.
    EXPECT_EQ(lines[1][1].x, 128);
}

TEST(PixelTextLayout, WrapsBetweenWordsAndSplitsOverlongWords) {
    auto lines = layoutTen("one two three abcdefghijkl", 100, true);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 2u);  // "one two": 70 pixels
    EXPECT_EQ(lines[1][0].text, "three");
    EXPECT_EQ(lines[1][0].x, 0);
    EXPECT_EQ(lines[2][0].text, "abcdefghij");
    EXPECT_EQ(lines[3][0].text, "kl");
    for (const PlacedLine& line : lines)
        for (const PlacedWord& word : line)
            EXPECT_LE(word.x + 10 * static_cast<int>(word.text.size()), 100) << word.text;
}
