#pragma once

#include "PreviewCell.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace vxr {

class CancelToken;
class FieldTable;
struct ImportSetup;

// The problems the stored-value preview found over a whole text file.
struct PreviewCount
{
    qint64 lines = 0;        // lines read (a skipped first line not counted)
    qint64 failing = 0;      // lines that would fail
    qint64 changedLines = 0; // lines stored, with values not as their texts gave them
    qint64 changedValues = 0;

    // "2,000 lines: 6 would fail, 136 values in 130 lines would be stored
    // changed (read as 0 or empty, or cut)."
    QString text() const;
};

// Shows the lines of a text file as the import would store them, without
// writing anything: every value converted by the run's own value resolver
// under the set-up's regional settings and the store's column sizes, the
// references looked up read-only, the keys checked against the store and
// against the lines before. What only the database refuses (an overflow, a
// CHECK rule, a trigger) it cannot see.
//
// Works on the thread that made it: it holds its own connection.
class StoredPreview
{
public:
    // cancel (when given) stops the count and cuts a wait for the store short.
    StoredPreview(const ImportSetup &setup, const FieldTable &catalogue, CancelToken *cancel = nullptr);
    ~StoredPreview();
    StoredPreview(const StoredPreview &) = delete;
    StoredPreview &operator=(const StoredPreview &) = delete;

    // Connects to the set-up's store and reads its column types; false with
    // why in *error.
    bool open(QString *error);

    // Reads the text file once: its first shownLines lines (after a skipped
    // first line) go to shown as soon as they are converted, then every line
    // is counted. Nothing when cancelled, or when the file or the store
    // fails (why in *error).
    std::optional<PreviewCount> run(int shownLines, const std::function<void(const QList<PreviewLine> &)> &shown,
                                    QString *error);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace vxr
