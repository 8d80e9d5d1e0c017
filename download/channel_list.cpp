// channel_list.cpp: the channel list file: which lines are channels, and their id and name.
#include "channel_list.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

LineKind classifyLine(const char* line) {
    switch (std::tolower(static_cast<unsigned char>(line[0]))) {
    case 'y':
        return LineKind::Enabled;
    case 'n':
    case '#':
        return LineKind::Skipped;
    default:
        return LineKind::End;
    }
}

namespace {

// The id and the name of an enabled line, and whether digits stood where
// the id is read. False when the line has no comma from position 2 on.
bool cutChannel(const char* line, ChannelEntry& entry, bool& idIsNumber) {
    // Position 1 is a separator of any value; a line too short to reach
    // position 2 has no room for an id.
    if (std::strlen(line) < 2)
        return false;
    const char* comma = std::strchr(line + 2, ',');
    if (!comma)
        return false;

    errno = 0;
    char* idEnd = nullptr;
    long id = std::strtol(line + 2, &idEnd, 10);
    idIsNumber = idEnd != line + 2;
    // The box's long is 32 bits: clamp so a PC run gives the box's id.
    if (id > INT_MAX)
        id = INT_MAX;
    if (id < INT_MIN)
        id = INT_MIN;
    entry.id = static_cast<int>(id);

    const char* keyStart = line + 2;
    const char* keyEnd = comma;
    while (keyStart < keyEnd && (*keyStart == ' ' || *keyStart == '\t'))
        ++keyStart;
    while (keyEnd > keyStart && (keyEnd[-1] == ' ' || keyEnd[-1] == '\t'))
        --keyEnd;
    std::snprintf(entry.key, sizeof entry.key, "%.*s", static_cast<int>(keyEnd - keyStart), keyStart);

    const char* name = comma + 1;
    std::size_t length = std::strcspn(name, "\r\n");
    if (length > sizeof entry.name - 1)
        length = sizeof entry.name - 1;
    std::memcpy(entry.name, name, length);
    entry.name[length] = '\0';
    return true;
}

EndReason endReasonOf(const char* line) {
    if (line[0] == '\n' || (line[0] == '\r' && (line[1] == '\n' || line[1] == '\0')))
        return EndReason::EmptyLine;
    if (line[0] == ' ' || line[0] == '\t')
        return EndReason::LeadingBlank;
    if (std::strncmp(line, "\xEF\xBB\xBF", 3) == 0)
        return EndReason::ByteOrderMark;
    return EndReason::OtherCharacter;
}

// The next byte of the file, or EOF; left in the file for the next read.
int peek(std::FILE* list) {
    const int next = std::getc(list);
    if (next != EOF)
        std::ungetc(next, list);
    return next;
}

}  // namespace

bool parseChannelLine(const char* line, ChannelEntry& entry) {
    bool idIsNumber = false;
    return cutChannel(line, entry, idIsNumber);
}

bool readPiece(std::FILE* list, ListReader& reader, ListPiece& piece) {
    if (!std::fgets(piece.text, sizeof piece.text, list))
        return false;
    if (reader.lineEnded) {
        ++reader.lineNumber;
        reader.nextColumn = 1;
    }
    piece.lineNumber = reader.lineNumber;
    piece.column = reader.nextColumn;
    // Only a piece that filled the buffer without a line break leaves part
    // of its line for the next read. (A NUL byte hides the rest of a piece
    // from strlen; such a piece counts as a whole line.)
    const std::size_t length = std::strlen(piece.text);
    const int next = length == sizeof piece.text - 1 && piece.text[length - 1] != '\n' ? peek(list) : EOF;
    piece.lineGoesOn = next != EOF;
    reader.lineEnded = !piece.lineGoesOn;
    reader.nextColumn += static_cast<int>(length);

    piece.endReason = EndReason::None;
    piece.idNotNumber = false;
    piece.separatorIsDigit = false;
    piece.nameCut = false;
    switch (classifyLine(piece.text)) {
    case LineKind::End:
        piece.kind = PieceKind::End;
        piece.endReason = endReasonOf(piece.text);
        break;
    case LineKind::Skipped:
        piece.kind = piece.text[0] == '#' ? PieceKind::Comment : PieceKind::Disabled;
        break;
    case LineKind::Enabled: {
        bool idIsNumber = false;
        if (!cutChannel(piece.text, piece.entry, idIsNumber)) {
            piece.kind = PieceKind::NoComma;
            break;
        }
        piece.kind = PieceKind::Channel;
        piece.idNotNumber = !idIsNumber;
        piece.separatorIsDigit = std::isdigit(static_cast<unsigned char>(piece.text[1])) != 0;
        // A name stops at the line break anyway.
        piece.nameCut = piece.lineGoesOn && next != '\r' && next != '\n';
        break;
    }
    }
    return true;
}

bool nextChannel(std::FILE* list, ChannelEntry& entry) {
    ListReader reader;
    ListPiece piece;
    while (readPiece(list, reader, piece)) {
        if (piece.kind == PieceKind::End)
            return false;
        if (piece.kind == PieceKind::Channel) {
            entry = piece.entry;
            return true;
        }
    }
    return false;
}
