#pragma once

// Runs the built vxrimp in a temporary folder and checks what it prints, its
// exit status and the store it leaves.

#include "TestStores.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vxr::test {

using Case = std::pair<QStringList, QString>; // arguments, a text the message holds

class CliFixture : public ::testing::Test
{
protected:
    // Starts vxrimp in the temporary folder, so that relative paths are not
    // taken from the source tree by accident; with a limit, as startTool.
    void startVxrimp(QProcess &process, const QStringList &arguments, const QString &locale = QString(),
                     qint64 limitKiB = 0) const
    {
        startTool(process, m_dir.path(), arguments,
                  locale.isEmpty() ? QStringList() : QStringList{"LC_ALL=" + locale, "LANG=" + locale}, limitKiB);
    }

    ToolResult vxrimp(const QStringList &arguments, const QString &locale = QString())
    {
        QProcess process;
        startVxrimp(process, arguments, locale);
        return finishTool(process);
    }

    // Each case exits with 2, says what is wrong on standard error and
    // prints nothing on standard output.
    void expectRefused(const QStringList &base, const QList<Case> &cases, bool withUsage)
    {
        for (const auto &[arguments, message] : cases) {
            const ToolResult result = vxrimp(base + arguments);
            const std::string shown = arguments.join(' ').toStdString();
            EXPECT_EQ(result.exitCode, 2) << shown;
            EXPECT_TRUE(result.err.contains(message)) << shown << "\n" << result.err.toStdString();
            EXPECT_EQ(result.err.contains("Usage:"), withUsage) << shown;
            EXPECT_TRUE(result.out.isEmpty()) << shown;
        }
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A fresh store made by the tool; its connection string.
    QString newStore(const QString &name = "store.db")
    {
        const ToolResult created = vxrimp({"init-store", name});
        EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
        return "Provider=SQLite;Data Source=" + path(name);
    }

    // Importing a file's items (key, description) into a store.
    static QStringList importItems(const QString &connect, const QString &file)
    {
        return {"import", "--file", file, "--table", "Inventory", "--map", "1=Item Lookup Code,2=Description",
                "--connect", connect};
    }

    // What the summary printed says after its label (empty when it has none).
    static QString summaryText(const QString &out, const QString &label)
    {
        return QRegularExpression("\n  " + QRegularExpression::escape(label) + ":\\s+(.*)\n").match(out).captured(1);
    }

    QStringList importArguments(const QString &connect, const QString &settingsFile) const
    {
        return {"import", "--settings", sourcePath("examples/" + settingsFile), "--connect", connect,
                "--log", path("import.log"), "--reject", path("rejected.txt")};
    }

    // Runs a statement on a store beside the tool; the rows it gives, each as
    // its columns' texts joined by "|".
    QStringList storeRows(const QString &sql, const QString &name = "store.db") { return fileRows(path(name), sql); }

    // The first value a statement gives on the store beside the tool.
    QVariant storeQuery(const QString &sql) { return storeRows(sql).value(0); }

    QTemporaryDir m_dir;
};

} // namespace vxr::test
