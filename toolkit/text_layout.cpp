// text_layout.cpp: word wrapping, line breaks and tab stops.
#include "text_layout.h"

namespace {
const int kTabStop = 8;

void trimRight(std::string& line) {
    std::string::size_type end = line.find_last_not_of(' ');
    line.erase(end == std::string::npos ? 0 : end + 1);
}

class LineBreaker {
public:
    LineBreaker(std::vector<std::string>& out, int width, bool wrap)
        : out(out), width(width), wrap(wrap) {}

    void word(const std::string& w) {
        if (!wrap) {
            line += w;
            return;
        }
        if (!line.empty() && static_cast<int>(line.size() + w.size()) > width)
            breakLine();
        std::string rest = w;
        while (static_cast<int>(line.size() + rest.size()) > width) {
            std::string::size_type room = static_cast<std::string::size_type>(width) - line.size();
            line += rest.substr(0, room);
            rest.erase(0, room);
            breakLine();
        }
        line += rest;
    }

    void space() {
        // A wrapped line does not start with the blank it was broken at.
        if (wrap && (wrapped && line.empty()))
            return;
        if (wrap && static_cast<int>(line.size()) >= width) {
            breakLine();
            return;
        }
        line += ' ';
    }

    void tab() {
        if (wrap && wrapped && line.empty())
            return;
        int next = (static_cast<int>(line.size()) / kTabStop + 1) * kTabStop;
        if (wrap && next >= width) {
            breakLine();
            return;
        }
        line.append(static_cast<std::string::size_type>(next) - line.size(), ' ');
    }

    void endParagraph() {
        trimRight(line);
        out.push_back(line);
        line.clear();
        wrapped = false;
    }

private:
    void breakLine() {
        trimRight(line);
        out.push_back(line);
        line.clear();
        wrapped = true;
    }

    std::vector<std::string>& out;
    int width;
    bool wrap;
    std::string line;
    bool wrapped = false;
};
}  // namespace

std::vector<std::string> layoutText(const std::string& text, int width, bool wrap) {
    std::vector<std::string> out;
    if (width <= 0)
        return out;
    LineBreaker breaker(out, width, wrap);
    feedText(text, breaker);
    return out;
}
