#pragma once

#include "import/ImportRun.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vxr::cli {

enum class Command { None, Help, Version, InitStore, Fields, Preview, Import, Runs };

// The command line as given, before the settings file is applied.
struct CliArguments
{
    Command command = Command::None;
    QString storeFile;                 // init-store FILE
    QString tableArgument;             // fields [TABLE]

    QString settingsPath;
    QString connectionString;
    QString textFile;
    QString table;
    QString delimiter;
    std::optional<bool> quotes;
    std::optional<bool> duplicatesAsErrors;
    std::optional<bool> skipFirstLine;
    std::optional<bool> header;
    bool guessHeader = false;          // --guess-header: a header line whose guesses map too
    std::optional<bool> stripApostrophes;
    std::optional<bool> strictValues;
    std::optional<bool> rejectCut;
    QString encoding;
    QString locale;
    QString sheet;                     // --sheet: a workbook's sheet
    QStringList mappings;              // every --map value, in order
    QString logPath;
    QString saveSettingsPath;
    int previewLines = 19;

    // How an import commits (import only).
    RunMode runMode = RunMode::Batches;
    int batchLines = 1000;
    bool resume = false; // --resume: take up the store's last run where it stopped
    QString rejectPath;
    QString problemsPath;

    // The journal (import, runs): empty for the store's own in the per-user
    // data folder. runs --forget-before DATE / --forget ID remove old runs.
    QString journalPath;
    QString forgetBefore;
    qint64 forgetRun = 0;
};

// The command line parsed, or the message saying what is wrong with it.
struct ParseResult
{
    CliArguments arguments;
    QString error; // empty when the command line is usable
};

ParseResult parseArguments(const QStringList &arguments);

// The usage text printed by --help and after a bad command line.
QString usageText();

} // namespace vxr::cli
