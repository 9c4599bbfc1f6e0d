#include "ReviewPage.h"

#include "UserPrompts.h"

#include "catalogue/FieldTable.h"
#include "import/ImportSetup.h"

#include <QCheckBox>
#include <QLabel>
#include <QDir>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vxr {

namespace {
constexpr int PreviewLines = 19;
constexpr int PreviewColumns = 51;
} // namespace

ReviewPage::ReviewPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent)
    : WizardPage("frmPanel3", parent), m_setup(setup), m_fields(fields), m_prompts(prompts)
{
    m_preview = named(new QTableWidget(PreviewLines, PreviewColumns, this), "msflexpreview");
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setTabKeyNavigation(false);
    m_preview->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 6);
    m_skipFirstLine = named(new QCheckBox(QStringLiteral("Skip first line of file when processing"), this),
                            "chkSkipFirstLine");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(this, "Label3", QStringLiteral("Review field selection and click Next to continue.")));
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_skipFirstLine);

    connect(m_skipFirstLine, &QCheckBox::toggled, this, [this](bool skip) { m_setup.skipFirstLine = skip; });
    // The skip box shifts the lines at once.
    connect(m_skipFirstLine, &QCheckBox::clicked, this, &ReviewPage::enter);
}

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
    m_preview->clearContents();
    QString error;
    const auto lines = m_setup.readLines(m_fields, m_setup.skipsFirstLine() ? 1 : 0, PreviewLines, &error);
    if (!lines) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("The text file cannot be previewed:\r\n")
                                                     + QDir::toNativeSeparators(m_setup.textFile)
                                                     + (error.isEmpty() ? QString() : QStringLiteral("\r\n") + error));
        return;
    }
    for (int row = 0; row < lines->size(); ++row) {
        for (int column = 0; column < PreviewColumns; ++column)
            m_preview->setItem(row, column, new QTableWidgetItem(lines->at(row).at(column)));
    }
    fitColumns();
}

// Columns as wide as their heading and data, within reason.
void ReviewPage::fitColumns()
{
    m_preview->resizeColumnsToContents();
    for (int column = 0; column < m_preview->columnCount(); ++column)
        m_preview->setColumnWidth(column, std::clamp(m_preview->columnWidth(column), 60, 220));
}

} // namespace vxr
