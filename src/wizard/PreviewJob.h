#pragma once

#include "import/PreviewCell.h"
#include "import/StoredPreview.h"

#include <QObject>

#include <memory>

class QThread;

namespace vxr {

class CancelToken;
class FieldTable;
struct ImportSetup;

// Runs the stored-value preview of a set-up on a thread of its own, so that
// a large file is counted while the panel stays usable. A new start cancels
// the one before; only the latest one's results are told.
class PreviewJob : public QObject
{
    Q_OBJECT
public:
    explicit PreviewJob(QObject *parent = nullptr);
    // Cancels what runs and waits for it to end.
    ~PreviewJob() override;

    void start(const ImportSetup &setup, const FieldTable &fields, int shownLines);
    void cancel();
    bool isRunning() const { return m_running > 0; }

signals:
    void linesReady(const QList<vxr::PreviewLine> &lines);
    void counted(const vxr::PreviewCount &count);
    void failed(const QString &why);

private:
    void tell(int generation, std::function<void()> what);

    struct Run
    {
        QThread *thread = nullptr;
        std::shared_ptr<CancelToken> cancel;
    };
    QList<Run> m_runs;
    int m_generation = 0;
    int m_running = 0;
};

} // namespace vxr
