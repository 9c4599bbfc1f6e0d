#include "CliArguments.h"

#include "import/PanelChoices.h"

#include <QCommandLineParser>
#include <QDate>

namespace vxr::cli {

namespace {

struct OptionNames
{
    static inline const QString Settings = QStringLiteral("settings");
    static inline const QString Connect = QStringLiteral("connect");
    static inline const QString File = QStringLiteral("file");
    static inline const QString Table = QStringLiteral("table");
    static inline const QString Delimiter = QStringLiteral("delimiter");
    static inline const QString Quotes = QStringLiteral("quotes");
    static inline const QString NoQuotes = QStringLiteral("no-quotes");
    static inline const QString Duplicates = QStringLiteral("duplicates");
    static inline const QString SkipFirstLine = QStringLiteral("skip-first-line");
    static inline const QString NoSkipFirstLine = QStringLiteral("no-skip-first-line");
    static inline const QString Header = QStringLiteral("header");
    static inline const QString NoHeader = QStringLiteral("no-header");
    static inline const QString GuessHeader = QStringLiteral("guess-header");
    static inline const QString StripApostrophes = QStringLiteral("strip-apostrophes");
    static inline const QString NoStripApostrophes = QStringLiteral("no-strip-apostrophes");
    static inline const QString Strict = QStringLiteral("strict");
    static inline const QString NoStrict = QStringLiteral("no-strict");
    static inline const QString RejectCut = QStringLiteral("reject-cut");
    static inline const QString NoRejectCut = QStringLiteral("no-reject-cut");
    static inline const QString Encoding = QStringLiteral("encoding");
    static inline const QString Locale = QStringLiteral("locale");
    static inline const QString Sheet = QStringLiteral("sheet");
    static inline const QString SaveSettings = QStringLiteral("save-settings");
    static inline const QString Map = QStringLiteral("map");
    static inline const QString Log = QStringLiteral("log");
    static inline const QString Lines = QStringLiteral("lines");
    static inline const QString Batch = QStringLiteral("batch");
    static inline const QString DryRun = QStringLiteral("dry-run");
    static inline const QString AllOrNothing = QStringLiteral("all-or-nothing");
    static inline const QString Resume = QStringLiteral("resume");
    static inline const QString Reject = QStringLiteral("reject");
    static inline const QString Journal = QStringLiteral("journal");
    static inline const QString ForgetBefore = QStringLiteral("forget-before");
    static inline const QString Forget = QStringLiteral("forget");
    static inline const QString Problems = QStringLiteral("problems");
    static inline const QString Help = QStringLiteral("help");
    static inline const QString Version = QStringLiteral("version");
};

// The options that set up an import (also accepted by preview, so that an
// operator can check a set-up and then run it by changing one word).
const QStringList &importOptionNames()
{
    static const QStringList names = {
        OptionNames::Settings, OptionNames::Connect, OptionNames::File, OptionNames::Table,
        OptionNames::Delimiter, OptionNames::Quotes, OptionNames::NoQuotes, OptionNames::Duplicates,
        OptionNames::SkipFirstLine, OptionNames::NoSkipFirstLine, OptionNames::Header, OptionNames::NoHeader,
        OptionNames::StripApostrophes, OptionNames::NoStripApostrophes, OptionNames::Strict,
        OptionNames::NoStrict, OptionNames::Encoding, OptionNames::Locale, OptionNames::Map, OptionNames::Log,
        OptionNames::SaveSettings, OptionNames::GuessHeader, OptionNames::Sheet, OptionNames::RejectCut,
        OptionNames::NoRejectCut,
    };
    return names;
}

void addOptions(QCommandLineParser &parser)
{
    const auto valued = [&](const QString &name, const QString &valueName) {
        parser.addOption(QCommandLineOption(name, QString(), valueName));
    };
    const auto flag = [&](const QStringList &names) { parser.addOption(QCommandLineOption(names)); };
    valued(OptionNames::Settings, QStringLiteral("FILE.imp"));
    valued(OptionNames::Connect, QStringLiteral("STRING"));
    valued(OptionNames::File, QStringLiteral("PATH"));
    valued(OptionNames::Table, QStringLiteral("NAME|ID"));
    valued(OptionNames::Delimiter, QStringLiteral("NAME|CHAR"));
    flag({OptionNames::Quotes});
    flag({OptionNames::NoQuotes});
    valued(OptionNames::Duplicates, QStringLiteral("error|update"));
    for (const QString &name : {OptionNames::SkipFirstLine, OptionNames::NoSkipFirstLine, OptionNames::Header,
                                OptionNames::NoHeader, OptionNames::StripApostrophes,
                                OptionNames::NoStripApostrophes, OptionNames::Strict, OptionNames::NoStrict,
                                OptionNames::GuessHeader, OptionNames::RejectCut, OptionNames::NoRejectCut})
        flag({name});
    valued(OptionNames::Encoding, QStringLiteral("NAME"));
    valued(OptionNames::Locale, QStringLiteral("NAME"));
    valued(OptionNames::Sheet, QStringLiteral("NAME"));
    valued(OptionNames::Map, QStringLiteral("POS=FIELD"));
    valued(OptionNames::Log, QStringLiteral("PATH"));
    valued(OptionNames::SaveSettings, QStringLiteral("FILE.imp"));
    valued(OptionNames::Lines, QStringLiteral("N"));
    valued(OptionNames::Batch, QStringLiteral("N"));
    flag({OptionNames::DryRun});
    flag({OptionNames::AllOrNothing});
    flag({OptionNames::Resume});
    valued(OptionNames::Reject, QStringLiteral("PATH"));
    valued(OptionNames::Journal, QStringLiteral("PATH"));
    valued(OptionNames::ForgetBefore, QStringLiteral("DATE"));
    valued(OptionNames::Forget, QStringLiteral("ID"));
    valued(OptionNames::Problems, QStringLiteral("PATH"));
    flag({QStringLiteral("h"), OptionNames::Help});
    flag({OptionNames::Version});
}

Command commandNamed(const QString &name)
{
    if (name == QLatin1String("init-store"))
        return Command::InitStore;
    if (name == QLatin1String("fields"))
        return Command::Fields;
    if (name == QLatin1String("preview"))
        return Command::Preview;
    if (name == QLatin1String("import"))
        return Command::Import;
    if (name == QLatin1String("runs"))
        return Command::Runs;
    return Command::None;
}

// A value option given more than once: the last one counts, as is usual, but
// two different values of the same option are more likely a mistake.
QString singleValue(const QCommandLineParser &parser, const QString &name, QString *error)
{
    const QStringList values = parser.values(name);
    for (const QString &value : values) {
        if (value != values.last()) {
            *error = QStringLiteral("--%1 is given twice with different values").arg(name);
            break;
        }
    }
    return values.isEmpty() ? QString() : values.last();
}

QString checkOptionsApply(const QCommandLineParser &parser, const QString &commandName,
                          const QStringList &allowed)
{
    for (const QString &name : parser.optionNames()) {
        if (!allowed.contains(name))
            return QStringLiteral("--%1 does not apply to %2").arg(name, commandName);
    }
    return QString();
}

// An on/off pair of flags: unset when neither is given.
QString readSwitch(const QCommandLineParser &parser, const QString &on, const QString &off, std::optional<bool> *value)
{
    if (parser.isSet(on) && parser.isSet(off))
        return QStringLiteral("--%1 and --%2 contradict each other").arg(on, off);
    if (parser.isSet(on))
        *value = true;
    else if (parser.isSet(off))
        *value = false;
    return QString();
}

// Reads the options of preview and import into the arguments.
QString readImportOptions(const QCommandLineParser &parser, CliArguments &arguments)
{
    QString error;
    arguments.settingsPath = singleValue(parser, OptionNames::Settings, &error);
    arguments.connectionString = singleValue(parser, OptionNames::Connect, &error);
    arguments.textFile = singleValue(parser, OptionNames::File, &error);
    arguments.table = singleValue(parser, OptionNames::Table, &error);
    arguments.delimiter = singleValue(parser, OptionNames::Delimiter, &error);
    arguments.logPath = singleValue(parser, OptionNames::Log, &error);
    arguments.encoding = singleValue(parser, OptionNames::Encoding, &error);
    arguments.locale = singleValue(parser, OptionNames::Locale, &error);
    arguments.sheet = singleValue(parser, OptionNames::Sheet, &error);
    arguments.saveSettingsPath = singleValue(parser, OptionNames::SaveSettings, &error);
    if (!error.isEmpty())
        return error;

    const struct { const QString &on; const QString &off; std::optional<bool> *value; } switches[] = {
        {OptionNames::Quotes, OptionNames::NoQuotes, &arguments.quotes},
        {OptionNames::SkipFirstLine, OptionNames::NoSkipFirstLine, &arguments.skipFirstLine},
        {OptionNames::Header, OptionNames::NoHeader, &arguments.header},
        {OptionNames::StripApostrophes, OptionNames::NoStripApostrophes, &arguments.stripApostrophes},
        {OptionNames::Strict, OptionNames::NoStrict, &arguments.strictValues},
        {OptionNames::RejectCut, OptionNames::NoRejectCut, &arguments.rejectCut},
    };
    for (const auto &pair : switches) {
        error = readSwitch(parser, pair.on, pair.off, pair.value);
        if (!error.isEmpty())
            return error;
    }

    if (parser.isSet(OptionNames::Duplicates)) {
        const QString value = singleValue(parser, OptionNames::Duplicates, &error).toLower();
        if (!error.isEmpty())
            return error;
        if (value == QLatin1String("error"))
            arguments.duplicatesAsErrors = true;
        else if (value == QLatin1String("update"))
            arguments.duplicatesAsErrors = false;
        else
            return QStringLiteral("--duplicates takes error or update, not '%1'").arg(value);
    }
    arguments.mappings = parser.values(OptionNames::Map);
    arguments.guessHeader = parser.isSet(OptionNames::GuessHeader);
    if (arguments.guessHeader && arguments.header == false)
        return QStringLiteral("--guess-header and --no-header contradict each other");

    if (parser.isSet(OptionNames::Lines)) {
        bool ok = false;
        const QString value = singleValue(parser, OptionNames::Lines, &error);
        arguments.previewLines = value.toInt(&ok);
        if (!error.isEmpty())
            return error;
        if (!ok || arguments.previewLines < 1)
            return QStringLiteral("--lines takes a whole number of at least 1, not '%1'").arg(value);
    }
    return QString();
}

// The options of import alone: how the run commits and where the lines not
// stored go.
const QStringList &runOptionNames()
{
    static const QStringList names = {OptionNames::Batch, OptionNames::DryRun, OptionNames::AllOrNothing,
                                      OptionNames::Resume, OptionNames::Journal, OptionNames::Reject, OptionNames::Problems};
    return names;
}

QString readRunOptions(const QCommandLineParser &parser, CliArguments &arguments)
{
    QString error;
    const bool dryRun = parser.isSet(OptionNames::DryRun);
    const bool allOrNothing = parser.isSet(OptionNames::AllOrNothing);
    const bool batch = parser.isSet(OptionNames::Batch);
    if (dryRun && allOrNothing)
        return QStringLiteral("--dry-run and --all-or-nothing contradict each other");
    arguments.resume = parser.isSet(OptionNames::Resume);
    if (arguments.resume && (dryRun || allOrNothing))
        return QStringLiteral("--resume does not go with %1: it takes up a run of batches")
                .arg(dryRun ? QStringLiteral("--dry-run") : QStringLiteral("--all-or-nothing"));
    if (batch && (dryRun || allOrNothing))
        return QStringLiteral("--batch does not go with %1: it runs in one transaction")
                .arg(dryRun ? QStringLiteral("--dry-run") : QStringLiteral("--all-or-nothing"));
    if (dryRun)
        arguments.runMode = RunMode::TestRun;
    if (allOrNothing)
        arguments.runMode = RunMode::AllOrNothing;
    if (batch) {
        const QString value = singleValue(parser, OptionNames::Batch, &error);
        if (!error.isEmpty())
            return error;
        bool ok = false;
        arguments.batchLines = value.toInt(&ok);
        if (!ok || arguments.batchLines < 1)
            return QStringLiteral("--batch takes a whole number of lines of at least 1, not '%1'").arg(value);
    }
    arguments.rejectPath = singleValue(parser, OptionNames::Reject, &error);
    if (parser.isSet(OptionNames::Reject) && arguments.rejectPath.isEmpty() && error.isEmpty())
        return QStringLiteral("--reject takes a file path");
    arguments.problemsPath = singleValue(parser, OptionNames::Problems, &error);
    if (parser.isSet(OptionNames::Problems) && arguments.problemsPath.isEmpty() && error.isEmpty())
        return QStringLiteral("--problems takes a file path");
    if (allOrNothing && parser.isSet(OptionNames::Reject))
        return QStringLiteral("--reject does not go with --all-or-nothing: a run that fails stores nothing, "
                              "so the whole text file is still to import");
    return error;
}

// runs: the store by --connect, or a journal by --journal; removing runs
// by date or by id.
QString readRunsOptions(const QCommandLineParser &parser, const QStringList &operands, CliArguments &arguments)
{
    if (!operands.isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(operands.first());
    QString error = checkOptionsApply(parser, QStringLiteral("runs"),
                                      {OptionNames::Connect, OptionNames::Journal, OptionNames::ForgetBefore,
                                       OptionNames::Forget});
    if (!error.isEmpty())
        return error;
    arguments.connectionString = parser.value(OptionNames::Connect);
    if (arguments.connectionString.isEmpty() && arguments.journalPath.isEmpty())
        return QStringLiteral("runs needs --connect STRING or --journal PATH");
    arguments.forgetBefore = parser.value(OptionNames::ForgetBefore);
    if (parser.isSet(OptionNames::ForgetBefore)
        && !QDate::fromString(arguments.forgetBefore, Qt::ISODate).isValid())
        return QStringLiteral("--forget-before takes a date such as 2026-01-31, not '%1'").arg(arguments.forgetBefore);
    if (parser.isSet(OptionNames::Forget)) {
        bool ok = false;
        arguments.forgetRun = parser.value(OptionNames::Forget).toLongLong(&ok);
        if (!ok || arguments.forgetRun < 1)
            return QStringLiteral("--forget takes a run's id, not '%1'").arg(parser.value(OptionNames::Forget));
    }
    if (parser.isSet(OptionNames::Forget) && parser.isSet(OptionNames::ForgetBefore))
        return QStringLiteral("--forget and --forget-before contradict each other");
    return {};
}

} // namespace

ParseResult parseArguments(const QStringList &arguments)
{
    ParseResult result;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addOptions(parser);
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }

    CliArguments &parsed = result.arguments;
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(OptionNames::Help)) {
        parsed.command = Command::Help;
        return result;
    }
    if (parser.isSet(OptionNames::Version)) {
        parsed.command = Command::Version;
        return result;
    }
    if (positional.isEmpty()) {
        result.error = QStringLiteral("no command given");
        return result;
    }

    const QString commandName = positional.first();
    parsed.command = commandNamed(commandName);
    parsed.journalPath = parser.value(OptionNames::Journal);
    const QStringList operands = positional.mid(1);
    switch (parsed.command) {
    case Command::None:
        result.error = QStringLiteral("unknown command '%1'").arg(commandName);
        break;
    case Command::InitStore:
        if (operands.size() != 1)
            result.error = QStringLiteral("init-store takes one FILE");
        else
            parsed.storeFile = operands.first();
        if (result.error.isEmpty())
            result.error = checkOptionsApply(parser, commandName, {});
        break;
    case Command::Fields:
        // A caption with spaces may come as several words.
        parsed.tableArgument = operands.join(QLatin1Char(' '));
        result.error = checkOptionsApply(parser, commandName, {});
        break;
    case Command::Preview:
    case Command::Import: {
        if (!operands.isEmpty()) {
            result.error = QStringLiteral("unexpected argument '%1'").arg(operands.first());
            break;
        }
        QStringList allowed = importOptionNames();
        if (parsed.command == Command::Preview)
            allowed.append(OptionNames::Lines);
        else
            allowed.append(runOptionNames());
        result.error = checkOptionsApply(parser, commandName, allowed);
        if (result.error.isEmpty())
            result.error = readImportOptions(parser, parsed);
        if (result.error.isEmpty() && parsed.command == Command::Import)
            result.error = readRunOptions(parser, parsed);
        break;
    }
    case Command::Runs:
        result.error = readRunsOptions(parser, operands, parsed);
        break;
    case Command::Help:
    case Command::Version:
        break;
    }
    return result;
}

} // namespace vxr::cli
