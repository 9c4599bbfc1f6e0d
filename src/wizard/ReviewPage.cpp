#include "ReviewPage.h"

#include "PreviewJob.h"
#include "StoredCells.h"
#include "UserPrompts.h"

#include "catalogue/FieldTable.h"
#include "import/ImportSetup.h"
#include "import/PreviewTexts.h"
#include "import/StoredPreview.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vxr {

namespace {
constexpr int PreviewLines = 19;
constexpr int PreviewColumns = 51;
} // namespace

ReviewPage::ReviewPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent)
    : WizardPage("frmPanel3", parent), m_setup(setup), m_fields(fields), m_prompts(prompts),
      m_job(new PreviewJob(this))
{
    // Made in reading order, which Tab follows.
    m_asRead = named(new QRadioButton(QStringLiteral("&Text as read"), this), "optAsRead");
    m_asStored = named(new QRadioButton(QStringLiteral("&Values as stored"), this), "optAsStored");
    m_asStored->setChecked(true);
    m_preview = named(new QTableWidget(PreviewLines, PreviewColumns, this), "msflexpreview");
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setTabKeyNavigation(false);
    m_preview->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 6);
    m_count = named(makeLabel(this, "lblProblemCount", QString(), true), "lblProblemCount");
    m_unseen = makeLabel(this, "lblNotChecked", previewTexts::notChecked(), true);
    m_skipFirstLine = named(new QCheckBox(QStringLiteral("Skip first line of file when processing"), this),
                            "chkSkipFirstLine");

    auto *view = new QHBoxLayout;
    view->addWidget(m_asRead);
    view->addWidget(m_asStored);
    view->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(this, "Label3", QStringLiteral("Review field selection and click Next to continue.")));
    layout->addLayout(view);
    layout->addWidget(m_preview, 1);
    // The count of the whole file, and what it cannot see.
    layout->addWidget(m_count);
    layout->addWidget(m_unseen);
    layout->addWidget(m_skipFirstLine);

    connect(m_skipFirstLine, &QCheckBox::toggled, this, [this](bool skip) { m_setup.skipFirstLine = skip; });
    // The skip box shifts the lines at once.
    connect(m_skipFirstLine, &QCheckBox::clicked, this, &ReviewPage::enter);
    connect(m_asStored, &QRadioButton::toggled, this, &ReviewPage::showLines);
    connect(m_job, &PreviewJob::linesReady, this, &ReviewPage::showStoredLines);
    connect(m_job, &PreviewJob::counted, this, &ReviewPage::showCount);
    connect(m_job, &PreviewJob::failed, this, &ReviewPage::showFailure);
}

ReviewPage::~ReviewPage() = default;

void ReviewPage::showSetup()
{
    const QSignalBlocker quiet(m_skipFirstLine);
    m_skipFirstLine->setChecked(m_setup.skipFirstLine);
}

// A first line of column names is not imported either, so it is not shown.
void ReviewPage::enter()
{
    QStringList headings;
    for (int position = 1; position <= PreviewColumns; ++position) {
        const int fieldId = m_setup.fieldIds[position];
        headings << (fieldId ? m_fields.byId(fieldId).displayName : QString());
    }
    m_preview->setHorizontalHeaderLabels(headings);
    m_read.clear();
    m_stored.clear();
    QString error;
    const auto lines = m_setup.readLines(m_fields, m_setup.skipsFirstLine() ? 1 : 0, PreviewLines, &error);
    if (!lines) {
        m_job->cancel();
        showLines();
        m_prompts.message(MessageKind::Critical, QStringLiteral("The text file cannot be previewed:\r\n")
                                                     + QDir::toNativeSeparators(m_setup.textFile)
                                                     + (error.isEmpty() ? QString() : QStringLiteral("\r\n") + error));
        return;
    }
    m_read = *lines;
    m_count->setText(QStringLiteral("Reading the values as they would be stored..."));
    m_job->start(m_setup, m_fields, PreviewLines);
    showLines();
}

void ReviewPage::hideEvent(QHideEvent *event)
{
    m_job->cancel();
    WizardPage::hideEvent(event);
}

// The stored values once they are there; until then the text as read.
void ReviewPage::showLines()
{
    m_preview->clearContents();
    for (int row = 0; row < PreviewLines; ++row)
        m_preview->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row + 1)));
    if (m_asStored->isChecked() && !m_stored.isEmpty()) {
        for (int row = 0; row < m_stored.size() && row < PreviewLines; ++row)
            showStoredLine(m_preview, row, m_stored.at(row), PreviewColumns);
    } else {
        for (int row = 0; row < m_read.size(); ++row) {
            for (int column = 0; column < PreviewColumns; ++column)
                m_preview->setItem(row, column, new QTableWidgetItem(m_read.at(row).at(column)));
        }
    }
    fitColumns();
}

void ReviewPage::showStoredLines(const QList<PreviewLine> &lines)
{
    m_stored = lines;
    if (m_asStored->isChecked())
        showLines();
}

void ReviewPage::showCount(const PreviewCount &count)
{
    m_count->setText(count.text());
}

void ReviewPage::showFailure(const QString &why)
{
    m_count->setText(QStringLiteral("The values as stored cannot be shown: %1").arg(why));
}

// Columns as wide as their heading and data, within reason.
void ReviewPage::fitColumns()
{
    m_preview->resizeColumnsToContents();
    for (int column = 0; column < m_preview->columnCount(); ++column)
        m_preview->setColumnWidth(column, std::clamp(m_preview->columnWidth(column), 60, 260));
}

} // namespace vxr
