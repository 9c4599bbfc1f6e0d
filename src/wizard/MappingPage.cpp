#include "MappingPage.h"

#include "MappingModel.h"
#include "UserPrompts.h"

#include "catalogue/FieldTable.h"
#include "import/FieldSearch.h"
#include "import/HeaderLine.h"
#include "import/ImportSetup.h"
#include "import/PanelChoices.h"

#include <QCheckBox>
#include <QLabel>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace vxr {

namespace {

// Column widths in pixels: the position, the field names and the sample at
// least, the sample at most; and room beside a text for the cell margins.
constexpr int PositionWidth = 60;
constexpr int FieldNameWidth = 120;
constexpr int SampleWidth = 133;
constexpr int WidestSample = 220;
constexpr int TextPadding = 16;

bool isKey(const QKeyEvent *key, std::initializer_list<int> keys)
{
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    return std::find(keys.begin(), keys.end(), key->key()) != keys.end();
}

} // namespace

MappingPage::MappingPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent)
    : WizardPage("frmPanel2", parent), m_setup(setup), m_fields(fields), m_prompts(prompts),
      m_model(new MappingModel(setup, fields, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(this, "lblMapTextFile", QStringLiteral("Define Fields:")));
    layout->addWidget(makeLabel(this, "lblHowto",
                                QStringLiteral("Map database fields to text file positions by clicking on the Field "
                                               "Number in the grid and then double clicking fields from the list.  "
                                               "Fields can be removed from the mapping by double clicking the cell "
                                               "in the grid.  Leave cells blank for data that is not imported into "
                                               "Vevazezi.  With the keyboard, Enter or Space assigns the selected "
                                               "field and Delete removes a mapping; type in the box above the list "
                                               "to find a field."),
                                true));
    layout->addLayout(buildLists(), 1);
    m_firstLine = named(new QCheckBox(QStringLiteral("First row contains field names"), this), "chkFirstLine");
    layout->addWidget(m_firstLine);

    for (QWidget *keyboard : {static_cast<QWidget *>(m_grid), static_cast<QWidget *>(m_fieldList),
                              static_cast<QWidget *>(m_filter)})
        keyboard->installEventFilter(this);
    connect(m_model, &MappingModel::dataChanged, this, &MappingPage::markAssignedFields);
    connect(m_model, &MappingModel::suggestionsChanged, this, &MappingPage::showSuggestionCount);
    connect(m_acceptSuggestions, &QPushButton::clicked, this, &MappingPage::acceptSuggestions);
    m_searchNote->hide();
    showSuggestionCount();
    connect(m_fieldList, &QListWidget::itemDoubleClicked, this, &MappingPage::assignSelectedField);
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        selectPosition(index.row() + 1);
        unmapCurrent();
    });
    connect(m_filter, &QLineEdit::textChanged, this, &MappingPage::filterFields);
    connect(m_firstLine, &QCheckBox::toggled, this, &MappingPage::onFirstLineToggled);
    connect(m_firstLine, &QCheckBox::clicked, this, [this](bool names) {
        if (names)
            mapFromHeader(true);
    });
}

QLayout *MappingPage::buildLists()
{
    m_grid = named(new QTableView(this), "MSFlexGrid1");
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid rather than walking its cells.
    m_grid->setTabKeyNavigation(false);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setMinimumWidth(PositionWidth + FieldNameWidth + SampleWidth + 24);
    m_grid->setColumnWidth(MappingModel::SampleColumn, SampleWidth);
    // Made in the order Tab visits them: the filter box above the list first.
    m_filter = named(new QLineEdit(this), "txtFieldFilter");
    m_filter->setPlaceholderText(QStringLiteral("Type to find a field"));
    m_filter->setClearButtonEnabled(true);
    m_searchNote = makeLabel(this, "lblFieldSearch",
                             QStringLiteral("Several fields match: choose one with the arrow keys."), true);
    m_fieldList = named(new QListWidget(this), "lstFields");
    m_suggestionNote = makeLabel(this, "lblSuggestions", QString());
    m_acceptSuggestions = named(new QPushButton(QStringLiteral("Accept Suggestions"), this), "cmdAcceptSuggestions");

    auto *suggestions = new QHBoxLayout;
    suggestions->addWidget(m_suggestionNote, 1);
    suggestions->addWidget(m_acceptSuggestions);
    auto *left = new QVBoxLayout;
    left->addWidget(makeLabel(this, "lblTitle1", QStringLiteral("Text File Mapping:")));
    left->addWidget(m_grid, 1);
    left->addLayout(suggestions);
    auto *right = new QVBoxLayout;
    right->addWidget(makeLabel(this, "lblTitle2", QStringLiteral("Database Fields:")));
    right->addWidget(m_filter);
    right->addWidget(m_searchNote);
    right->addWidget(m_fieldList, 1);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 3);
    lists->addSpacing(8);
    lists->addLayout(right, 2);
    return lists;
}

void MappingPage::showSetup()
{
    const QSignalBlocker quiet(m_firstLine);
    m_firstLine->setChecked(m_setup.firstLineHeader);
    m_model->refreshSampleHeading();
    showTableFields();
}

void MappingPage::enter()
{
    if (m_setup.textFile != m_suggestedFrom)
        m_model->setSuggestions({});
    selectPosition(1);
    fillSamples();
}

void MappingPage::showTableFields()
{
    m_filter->clear();
    m_fieldList->clear();
    for (int index : m_fields.offeredFieldIndices(m_setup.tableId)) {
        auto *item = new QListWidgetItem(m_fields[index].displayName, m_fieldList);
        item->setData(Qt::UserRole, m_fields[index].fieldId);
    }
    if (m_fieldList->count() > 0)
        m_fieldList->setCurrentRow(0);
    m_model->setSuggestions({}); // they were for the table before
    m_grid->setCurrentIndex(m_model->index(0, MappingModel::PositionColumn));
    fitColumns();
}

// The position column keeps its heading readable whatever the font; the
// name column is as wide as the longest name in the field list, so that
// whichever field is mapped shows in full.
void MappingPage::fitColumns()
{
    const QFontMetrics metrics = m_grid->fontMetrics();
    const QString heading = m_model->headerData(MappingModel::PositionColumn, Qt::Horizontal).toString();
    m_grid->setColumnWidth(MappingModel::PositionColumn,
                           std::max(PositionWidth, metrics.horizontalAdvance(heading) + TextPadding));
    int width = FieldNameWidth;
    for (int i = 0; i < m_fieldList->count(); ++i)
        width = std::max(width, metrics.horizontalAdvance(m_fieldList->item(i)->text()) + TextPadding);
    m_grid->setColumnWidth(MappingModel::FieldColumn, width);
}

int MappingPage::currentPosition() const
{
    const int row = m_grid->currentIndex().row();
    return row < 0 ? 1 : row + 1;
}

void MappingPage::selectPosition(int position)
{
    const int column = std::max(m_grid->currentIndex().column(), 0);
    m_grid->setCurrentIndex(m_model->index(position - 1, column));
}

// The texts of the file's first line (the column names when the first line
// holds them), or of its second when the first is skipped, split as the
// import splits them. A file that cannot be read leaves the column empty;
// the preview says why.
void MappingPage::fillSamples()
{
    const bool skip = m_setup.skipFirstLine && !m_setup.firstLineHeader;
    const auto lines = m_setup.readLines(m_fields, skip ? 1 : 0, 1);
    const QStringList texts = lines && !lines->isEmpty() ? lines->first() : QStringList();
    m_model->setSamples(texts);
    if (texts.isEmpty())
        return;
    const QFontMetrics metrics = m_grid->fontMetrics();
    int width = 0;
    for (const QString &text : texts)
        width = std::max(width, metrics.horizontalAdvance(text) + TextPadding);
    const int heading = metrics.horizontalAdvance(m_model->sampleHeading()) + 2 * TextPadding;
    m_grid->setColumnWidth(MappingModel::SampleColumn, std::clamp(width, heading, WidestSample));
}

// Fields already mapped are shown dimmed in the list, with the position they
// fill, so the operator sees what is left to map.
void MappingPage::markAssignedFields()
{
    const QColor dimmed = m_fieldList->palette().color(QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < m_fieldList->count(); ++i) {
        QListWidgetItem *item = m_fieldList->item(i);
        const int position = m_setup.positionOf(item->data(Qt::UserRole).toInt());
        QFont font = item->font();
        font.setItalic(position > 0);
        item->setFont(font);
        item->setForeground(position > 0 ? QBrush(dimmed) : QBrush());
        item->setToolTip(position > 0 ? QStringLiteral("Assigned to Field %1").arg(position) : QString());
    }
}

void MappingPage::assignSelectedField()
{
    const QListWidgetItem *selected = m_fieldList->currentItem();
    if (!selected || selected->isHidden())
        return;
    const int fieldId = selected->data(Qt::UserRole).toInt();
    if (const int taken = m_setup.positionOf(fieldId)) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("Database Field \"") + selected->text()
                                                     + QStringLiteral("\" is already assigned to Field ")
                                                     + QString::number(taken));
        return;
    }
    const int position = currentPosition();
    m_model->setField(position, fieldId);
    // The next assignment fills the next position; the last row stays put.
    m_grid->setCurrentIndex(m_model->index(std::min(position + 1, MappingRows) - 1, MappingModel::FieldColumn));
}

void MappingPage::acceptSuggestions()
{
    m_model->acceptSuggestions();
}

// The note on the suggestions and the button that accepts them show while
// there is a suggestion to accept.
void MappingPage::showSuggestionCount()
{
    const int count = m_model->suggestionCount();
    m_suggestionNote->setText(count == 1
                                  ? QStringLiteral("The column names suggest 1 more field, shown in italics.")
                                  : QStringLiteral("The column names suggest %1 more fields, shown in italics.").arg(count));
    m_suggestionNote->setVisible(count > 0);
    m_acceptSuggestions->setVisible(count > 0);
}

void MappingPage::unmapCurrent()
{
    const int position = currentPosition();
    m_model->setField(position, 0);
    m_grid->setCurrentIndex(m_model->index(position - 1, MappingModel::FieldColumn));
}

void MappingPage::onFirstLineToggled(bool names)
{
    m_setup.firstLineHeader = names;
    if (!names)
        m_model->setSuggestions({});
    m_model->refreshSampleHeading();
    fillSamples();
}

void MappingPage::mapFromHeader(bool tell)
{
    if (!QFileInfo(m_setup.textFile).isFile())
        return;
    QString error;
    const std::optional<QList<HeaderColumn>> columns = applyHeaderLine(m_fields, m_setup, &error);
    if (!columns) {
        if (tell)
            m_prompts.message(MessageKind::Critical, sentence(error));
        return;
    }
    m_suggestedFrom = m_setup.textFile;
    m_model->setSuggestions(*columns);
    QStringList unmatched;
    using Outcome = HeaderColumn::Outcome;
    for (const HeaderColumn &column : *columns) {
        if (column.outcome != Outcome::Mapped && column.outcome != Outcome::AlreadyMapped
            && column.outcome != Outcome::Suggested)
            unmatched << QStringLiteral("%1 \"%2\"").arg(column.position).arg(column.name);
    }
    if (tell && !unmatched.isEmpty()) {
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("These column names of the first line were not mapped, because no field "
                                         "of %1 has that name or its field is mapped already:\r\n")
                                  .arg(tableCaption(m_setup.tableId))
                              + unmatched.join(QStringLiteral("\r\n")));
    }
}

// Shows only the fields the filter text finds, and selects the one it picks;
// none when it picks none, so that Enter maps nothing the operator did not
// choose. An empty box shows every field and keeps the selection.
void MappingPage::filterFields(const QString &text)
{
    const FieldSearch search = searchFields(m_fields, m_setup.tableId, text);
    QListWidgetItem *picked = nullptr;
    for (int i = 0; i < m_fieldList->count(); ++i) {
        QListWidgetItem *item = m_fieldList->item(i);
        const int fieldId = item->data(Qt::UserRole).toInt();
        item->setHidden(!search.found.contains(fieldId));
        if (fieldId == search.picked)
            picked = item;
    }
    m_searchNote->setVisible(search.picked == 0 && search.found.size() > 1 && !text.trimmed().isEmpty());
    if (!text.trimmed().isEmpty())
        m_fieldList->setCurrentItem(picked);
}

// Moves the list's selection to the next (step 1) or previous (-1) shown field.
void MappingPage::stepFieldList(int step)
{
    for (int i = m_fieldList->currentRow() + step; i >= 0 && i < m_fieldList->count(); i += step) {
        if (!m_fieldList->item(i)->isHidden()) {
            m_fieldList->setCurrentRow(i);
            return;
        }
    }
}

bool MappingPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return WizardPage::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool assigns = watched == m_filter ? isKey(key, {Qt::Key_Return, Qt::Key_Enter})
                                             : isKey(key, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space});
    if (assigns) {
        assignSelectedField();
        return true;
    }
    if (watched == m_filter && isKey(key, {Qt::Key_Down, Qt::Key_Up})) {
        stepFieldList(key->key() == Qt::Key_Down ? 1 : -1);
        return true;
    }
    if (watched == m_grid && isKey(key, {Qt::Key_Delete, Qt::Key_Backspace})) {
        unmapCurrent();
        return true;
    }
    return WizardPage::eventFilter(watched, event);
}

} // namespace vxr
