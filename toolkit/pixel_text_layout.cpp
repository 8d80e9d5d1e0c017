// pixel_text_layout.cpp: word wrapping and tab stops by pixel width.
#include "pixel_text_layout.h"

#include "text_layout.h"

namespace {
class PixelLineBreaker {
public:
    PixelLineBreaker(std::vector<PlacedLine>& out, int width, bool wrap, int tabStop, const TextMeasure& measure)
        : out(out), width(width), wrap(wrap), tabStop(tabStop), measure(measure) {}

    void word(const std::string& w) {
        int wordWidth = measure(w);
        if (wrap && x > 0 && x + wordWidth > width)
            breakLine();
        if (!wrap || x + wordWidth <= width) {
            place(w, wordWidth);
            return;
        }
        // Longer than a whole line: as many characters as fit on each line,
        // at least one so that the text always moves on.
        std::string rest = w;
        while (!rest.empty() && measure(rest) > width) {
            std::string::size_type fit = 1;
            while (fit < rest.size() && measure(rest.substr(0, fit + 1)) <= width)
                ++fit;
            place(rest.substr(0, fit), measure(rest.substr(0, fit)));
            rest.erase(0, fit);
            breakLine();
        }
        if (!rest.empty())
            place(rest, measure(rest));
    }

    void space() {
        // A wrapped line does not start with the blank it was broken at.
        if (wrap && wrapped && x == 0)
            return;
        const int next = x + measure(" ");
        if (wrap && next > width) {
            breakLine();
            return;
        }
        x = next;
    }

    void tab() {
        if (wrap && wrapped && x == 0)
            return;
        const int next = (x / tabStop + 1) * tabStop;
        if (wrap && next >= width) {
            breakLine();
            return;
        }
        x = next;
    }

    void endParagraph() {
        out.push_back(line);
        line.clear();
        x = 0;
        wrapped = false;
    }

private:
    void place(const std::string& text, int textWidth) {
        line.push_back(PlacedWord{x, text});
        x += textWidth;
    }

    void breakLine() {
        out.push_back(line);
        line.clear();
        x = 0;
        wrapped = true;
    }

    std::vector<PlacedLine>& out;
    int width;
    bool wrap;
    int tabStop;
    const TextMeasure& measure;
    PlacedLine line;
    int x = 0;
    bool wrapped = false;
};
}  // namespace

std::vector<PlacedLine> layoutTextInPixels(const std::string& text, int width, bool wrap, int tabStop,
                                           const TextMeasure& measure) {
    std::vector<PlacedLine> out;
    if (width <= 0 || tabStop <= 0)
        return out;
    PixelLineBreaker breaker(out, width, wrap, tabStop, measure);
    feedText(text, breaker);
    return out;
}
