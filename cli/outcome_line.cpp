// outcome_line.cpp: the dialog's outcome text as one line of a terminal or a log.
#include "outcome_line.h"

namespace {

// Only the remote control's exit key closes the dialog; a command ends by itself.
constexpr char kCloseHint[] = "Press EXIT to close";

}  // namespace

std::string outcomeLine(const std::string& dialogText) {
    std::string text = dialogText;
    const std::size_t hint = text.rfind(kCloseHint);
    if (hint != std::string::npos)
        text.erase(hint);
    text.erase(text.find_last_not_of('\n') + 1);

    // Only the line breaks go: a file name keeps its blanks as they are.
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n')
            line += text[i];
        else if (i == 0 || text[i - 1] != '\n')
            line += ' ';
    }
    return line;
}
