#pragma once

#include "text/TextEncoding.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vxr {

class FieldTable;
class RecordReader;
struct ImportRequest;
struct RegionalSettings;

// Text-file positions a set-up can map: the 52 rows of the mapping grid.
constexpr int MappingRows = 52;

// A delimiter that splits the text file's first lines into more steady
// columns than the chosen one does.
struct DelimiterOffer
{
    int code = 0;
    int columns = 0;        // the lines' columns at code
    int currentColumns = 1; // at the chosen delimiter; 1: one column, or none steady
    // "the first lines of the text file split into 5 columns at Semi-Colon
    // (;), but into no steady columns at Comma (,)"; current is the chosen
    // delimiter.
    QString text(int current) const;
};

// Everything that decides one import, whichever front end filled it in: the
// wizard from its panels, vxrimp from its options, either from a settings
// file (see SetupFile.h). It checks itself before a run and hands the reader,
// the run and the value conversion their parts.
struct ImportSetup
{
    int tableId = 0;                 // destination table id; 0 = none chosen
    QString textFile;                // the delimited text file
    int delimiterCode = 44;          // character code of the field delimiter
    // The delimiter is the one the text file's first lines suggest, and
    // delimiterCode when they suggest none (see takeSniffedDelimiter).
    bool delimiterAuto = false;
    bool quotesAsDelimiters = true;
    bool duplicatesAsErrors = true;
    bool skipFirstLine = false;
    // The first line holds column names: it is skipped, and its names can
    // map the positions the operator left unmapped (see HeaderLine.h).
    bool firstLineHeader = false;
    TextEncoding encoding;           // automatic unless chosen
    QString sheet;                   // a workbook's sheet; empty = the first
    QString localeName;              // regional settings; empty = the system's
    bool stripApostrophes = false;   // remove apostrophes from values, as old imports did
    bool strictValues = false;       // a value that is no number or date fails its line
    bool rejectCut = false;          // a text longer than its column fails its line instead of being cut
    QString connectionString;        // never stored with its password
    QString logPath;                 // where the run appends its log; empty = the default
    // FieldID mapped to each text position 1..52 (index 0 unused); 0 = none.
    std::array<int, MappingRows + 1> fieldIds{};

    bool hasMapping() const;
    // Chooses the destination table; the mapping, whose fields belong to the
    // table chosen before, starts empty.
    void chooseTable(int table);
    // The first position mapped to fieldId; 0 when none is.
    int positionOf(int fieldId) const;
    // Whether the run skips the first line: asked for, or it holds names.
    bool skipsFirstLine() const { return skipFirstLine || firstLineHeader; }

    // What stands in the way of previewing the text file with this set-up
    // (no file, a binary file, a sheet the workbook lacks, a delimiter the
    // encoding does not keep, a field mapped twice); empty when nothing does.
    QString previewProblem(const FieldTable &fields) const;
    // What stands in the way of running it: the preview's problems, no
    // table, nothing mapped, the table's key field not mapped, a log that
    // would be written into the text file or the store; empty when nothing.
    QString runProblem(const FieldTable &fields) const;

    // Gives the reader the delimiter, quote, apostrophe, encoding and sheet
    // options, the decimal separator of the regional settings, and the mapping (every other position unmapped).
    void configureReader(RecordReader &reader) const;
    // The regional settings values are read with: the chosen locale's, or
    // the system's. The locale name must have passed localeProblem().
    RegionalSettings regionalSettings() const;
    // The request for the run, with the log at logPath or defaultLog.
    ImportRequest request(const QString &defaultLog) const;

    // Up to count lines of the text file after its first skip lines, split
    // as the import splits them (by a reader this set-up configures): the
    // texts of positions 1 to MappingRows of each. Without a value, and with
    // why in *error, when the file cannot be opened or read.
    std::optional<QList<QStringList>> readLines(const FieldTable &fields, int skip, int count,
                                                QString *error = nullptr) const;

    // What the text file's first lines say about the delimiter: a better one
    // than delimiterCode, when there is one (nothing when the file cannot be
    // read).
    std::optional<DelimiterOffer> delimiterOffer(const FieldTable &fields) const;
    // With delimiterAuto, takes the delimiter the first lines suggest as
    // delimiterCode; keeps delimiterCode when they suggest none.
    void takeSniffedDelimiter(const FieldTable &fields);
};

// Why a locale name cannot be used; empty when it can (an empty name is the
// system's locale).
QString localeProblem(const QString &localeName);

} // namespace vxr
