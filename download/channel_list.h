// channel_list.h: the channel list file: which lines are channels, and their id and name.
#pragma once

#include <cstdio>

enum class LineKind { Enabled, Skipped, End };

struct ChannelEntry {
    int id = 0;
    char name[256] = {};
    // The text from position 2 up to the comma, blanks around it removed:
    // an XMLTV guide's channel id ("y Rai1.it,Rai 1").
    char key[256] = {};
};

// Classifies one fgets piece by its first character.
LineKind classifyLine(const char* line);

// Cuts the id and the name out of an enabled line. False when the line has
// no comma from position 2 on: such a line names no channel.
bool parseChannelLine(const char* line, ChannelEntry& entry);

// What the run makes of one piece of the list, as fgets reads it.
enum class PieceKind {
    Channel,    // an enabled line that names a channel: fetched
    NoComma,    // an enabled line without a comma from position 2 on: skipped
    Disabled,   // an 'n' line: skipped
    Comment,    // a '#' line
    End,        // ends the list: the run reads nothing after it
};

// Why a piece ends the list.
enum class EndReason { None, EmptyLine, LeadingBlank, ByteOrderMark, OtherCharacter };

// Where the reader stands: the line the next piece belongs to and where in
// that line it starts. A line longer than a piece arrives in pieces.
struct ListReader {
    int lineNumber = 0;
    int nextColumn = 1;
    bool lineEnded = true;
};

// One piece of the list with the verdict on it. Only what its kind makes
// meaningful is set: the entry, idNotNumber and separatorIsDigit for a
// Channel, endReason for an End.
struct ListPiece {
    static constexpr int kSize = 256;
    char text[kSize] = {};
    int lineNumber = 0;
    int column = 1;           // above 1: the rest of a line longer than a piece
    bool lineGoesOn = false;  // the next piece is this line's rest
    PieceKind kind = PieceKind::End;
    EndReason endReason = EndReason::None;
    ChannelEntry entry;
    bool idNotNumber = false;       // no digits where the id stands: read as 0
    bool separatorIsDigit = false;  // "y501,": the 5 is the separator, the id 1
    bool nameCut = false;           // the name goes on in the line's next piece

    bool continuation() const { return column > 1; }
};

// Reads the next piece and gives the verdict on it. False at the end of the
// file or on a read error (see ferror). The run and the check of the list
// both read through here.
bool readPiece(std::FILE* list, ListReader& reader, ListPiece& piece);

// Reads on to the next enabled line that names a channel. False at the end
// of the file or at the line that ends the list. It reads through
// readPiece, as the check of the list does, so the two always agree on
// which lines are channels.
bool nextChannel(std::FILE* list, ChannelEntry& entry);
