// list_check.cpp: tarvio-fetch --check: the channel list as the run reads it, line by line.
#include "list_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "channel_list.h"
#include "console_view.h"
#include "file_handle.h"
#include "file_open.h"
#include "terminal_text.h"

namespace {

// How much of a line a warning quotes.
constexpr std::size_t kQuoteLength = 40;

std::string where(const ListPiece& piece) {
    std::string place = "line " + std::to_string(piece.lineNumber);
    if (piece.continuation())
        place += ", from character " + std::to_string(piece.column);
    return place;
}

// A byte shown on its own: a lone byte of a UTF-8 sequence would print as
// nothing readable, so those are escaped too.
std::string oneByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80)
        return terminalText(std::string_view(&c, 1));
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02x", byte);
    return escape;
}

std::string endReasonText(const ListPiece& piece) {
    switch (piece.endReason) {
    case EndReason::EmptyLine:
        return piece.continuation() ? "only the line break is left of the line" : "an empty line";
    case EndReason::LeadingBlank: return "it starts with a blank";
    case EndReason::ByteOrderMark: return "it starts with a byte-order mark";
    case EndReason::OtherCharacter:
    case EndReason::None: break;
    }
    return "it starts with '" + oneByte(piece.text[0]) + "', not y, n or #";
}

// The piece as the user wrote it, without its line break, cut short.
std::string quote(const char* text) {
    std::string_view line(text, std::strcspn(text, "\r\n"));
    if (line.size() <= kQuoteLength)
        return "\"" + terminalText(line) + "\"";
    std::size_t length = kQuoteLength;
    // Not in the middle of a UTF-8 sequence.
    while (length > 0 && (static_cast<unsigned char>(line[length]) & 0xC0) == 0x80)
        --length;
    return "\"" + terminalText(line.substr(0, length)) + "...\"";
}

// What stands between the separator and the comma, where the id is read.
std::string idText(const char* text) {
    return terminalText(std::string_view(text + 2, std::strcspn(text + 2, ",")));
}

std::string counted(int count, const char* one, const char* many) {
    if (count == 0)
        return std::string("no ") + many;
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

class ListCheck {
public:
    ListCheck(ChannelIds ids, bool quiet) : ids(ids), quiet(quiet) {}

    void take(const ListPiece& piece) {
        if (!endedBy.empty()) {
            if (piece.kind == PieceKind::Channel)
                warn(where(piece) + ": " + quote(piece.text) + " is ignored: " + endedBy);
            return;
        }
        if (piece.continuation())
            warn("line " + std::to_string(piece.lineNumber) +
                 " does not fit in 255 characters (its line break included): from character " +
                 std::to_string(piece.column) + " on it is read as a line of its own");
        switch (piece.kind) {
        case PieceKind::Channel: takeChannel(piece); break;
        case PieceKind::NoComma:
            say(where(piece) + ": skipped (no comma after the id)");
            warn(where(piece) + ": " + quote(piece.text) + " has no comma after the id: it names no channel");
            break;
        case PieceKind::Disabled: say(where(piece) + ": skipped (disabled)"); break;
        case PieceKind::Comment: say(where(piece) + ": comment"); break;
        case PieceKind::End: takeEnd(piece); break;
        }
    }

    int finish() {
        for (const std::string& warning : warnings)
            std::printf("warning: %s\n", warning.c_str());
        const int warned = static_cast<int>(warnings.size());
        say(counted(enabled, "channel", "channels") + " enabled, " + counted(warned, "warning", "warnings"));
        if (enabled == 0)
            return kCheckNoChannel;
        return warned > 0 ? kCheckWarned : kCheckClean;
    }

private:
    void takeChannel(const ListPiece& piece) {
        ++enabled;
        const ChannelEntry& entry = piece.entry;
        say(where(piece) + ": channel " + idOf(entry) + " \"" + terminalText(entry.name) + "\" (fetched as channel " +
            std::to_string(enabled) + ")");
        if (ids == ChannelIds::Numbers && piece.idNotNumber)
            warn(where(piece) + ": no number where the id stands (\"" + idText(piece.text) + "\"): read as 0");
        if (ids == ChannelIds::Xmltv && entry.key[0] == '\0')
            warn(where(piece) + ": no id before the comma: no channel of the guide has it");
        if (piece.separatorIsDigit) {
            const std::string meant = std::string(1, piece.text[0]) + " " + (piece.text + 1);
            warn(where(piece) + ": the '" + oneByte(piece.text[1]) + "' after the " + oneByte(piece.text[0]) +
                 " is taken as the separator, so the id is read as " + idOf(entry) + " (with a blank: " +
                 quote(meant.c_str()) + ")");
        }
        const auto first = firstLineOf.emplace(sameIdKey(entry), piece.lineNumber);
        if (!first.second)
            warn(where(piece) + ": channel " + idOf(entry) + " again (first on line " +
                 std::to_string(first.first->second) + "): it is fetched twice");
        if (piece.nameCut)
            warn(where(piece) + ": the name ends at character " +
                 std::to_string(piece.column + ListPiece::kSize - 2) + " of the line, where the line is cut");
    }

    // The id as the run reads it: a number, or a guide's id as text.
    std::string idOf(const ChannelEntry& entry) const {
        if (ids == ChannelIds::Numbers)
            return std::to_string(entry.id);
        return terminalText(entry.key);
    }

    // Equal for two lines the run fetches as the same channel: a guide's
    // ids match without regard to ASCII case.
    std::string sameIdKey(const ChannelEntry& entry) const {
        if (ids == ChannelIds::Numbers)
            return std::to_string(entry.id);
        std::string key = entry.key;
        for (char& c : key)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return key;
    }

    void takeEnd(const ListPiece& piece) {
        const std::string reason = endReasonText(piece);
        say(where(piece) + ": end of the list (" + reason + ")");
        if (piece.endReason == EndReason::ByteOrderMark)
            warn(where(piece) + " starts with a byte-order mark, which ends the list: save the file "
                                "without it (plain text, not \"UTF-8 with BOM\")");
        endedBy = where(piece) + " ended the list (" + reason + ")";
    }

    void say(const std::string& line) const {
        if (!quiet)
            std::printf("%s\n", line.c_str());
    }

    void warn(std::string warning) { warnings.push_back(std::move(warning)); }

    const ChannelIds ids;
    const bool quiet;
    int enabled = 0;
    std::map<std::string, int> firstLineOf;  // channel id (see sameIdKey) -> line
    std::vector<std::string> warnings;
    std::string endedBy;  // empty until the list has ended
};

}  // namespace

int checkChannelList(const char* path, ChannelIds ids, bool quiet) {
    // A FIFO or a device (/dev/zero would be read for ever) is refused at
    // once; a regular file ends, so the check below ends too.
    FileHandle list = openRegularFile(path);
    if (!list) {
        std::fprintf(stderr, "tarvio-fetch: cannot read the channel list %s: %s\n", path,
                     failureReason(errno).c_str());
        return kCheckNoChannel;
    }
    ListCheck check(ids, quiet);
    ListReader reader;
    ListPiece piece;
    // The rest of the file is read on past the end of the list only to
    // warn about channels the run would never see.
    while (readPiece(list.get(), reader, piece))
        check.take(piece);
    if (std::ferror(list.get())) {
        std::fprintf(stderr, "tarvio-fetch: cannot read the channel list %s: %s\n", path,
                     failureReason(errno).c_str());
        return kCheckNoChannel;
    }
    return check.finish();
}
