#include "PreviewJob.h"

#include "catalogue/FieldTable.h"
#include "database/CancelToken.h"
#include "import/ImportSetup.h"

#include <QThread>

namespace vxr {

PreviewJob::PreviewJob(QObject *parent) : QObject(parent)
{
}

PreviewJob::~PreviewJob()
{
    ++m_generation;
    for (const Run &run : std::as_const(m_runs)) {
        run.cancel->request();
        run.thread->wait();
        delete run.thread;
    }
}

void PreviewJob::cancel()
{
    ++m_generation;
    for (const Run &run : std::as_const(m_runs))
        run.cancel->request();
}

// Results reach the window's thread, and only when nothing started since.
void PreviewJob::tell(int generation, std::function<void()> what)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, what = std::move(what)] {
            if (generation == m_generation)
                what();
        },
        Qt::QueuedConnection);
}

void PreviewJob::start(const ImportSetup &setup, const FieldTable &fields, int shownLines)
{
    cancel();
    const int generation = m_generation;
    auto token = std::make_shared<CancelToken>();
    // The preview, its connection included, lives and dies on its thread.
    QThread *thread = QThread::create([this, setup, fields, shownLines, generation, token] {
        StoredPreview preview(setup, fields, token.get());
        QString error;
        if (!preview.open(&error)) {
            if (!token->isRequested())
                tell(generation, [this, error] { emit failed(error); });
            return;
        }
        const auto shown = [&](const QList<PreviewLine> &lines) {
            tell(generation, [this, lines] { emit linesReady(lines); });
        };
        const std::optional<PreviewCount> count = preview.run(shownLines, shown, &error);
        if (count)
            tell(generation, [this, count = *count] { emit counted(count); });
        else if (!token->isRequested())
            tell(generation, [this, error] { emit failed(error); });
    });
    m_runs.append({thread, token});
    ++m_running;
    connect(thread, &QThread::finished, this, [this, thread] {
        m_runs.removeIf([thread](const Run &run) { return run.thread == thread; });
        --m_running;
        thread->deleteLater();
    });
    thread->start(QThread::LowPriority);
}

} // namespace vxr
