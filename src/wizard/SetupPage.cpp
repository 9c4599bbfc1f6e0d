#include "SetupPage.h"

#include "ConnectionRow.h"
#include "FormatGroup.h"
#include "UserPrompts.h"
#include "VersionText.h"

#include "catalogue/TableCatalogue.h"
#include "import/ImportSetup.h"
#include "import/PanelChoices.h"
#include "text/SpreadsheetReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vxr {

namespace {

const QString SettingsFilter = QStringLiteral("Import Settings (*.imp)");

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &text)
{
    return named(new QCheckBox(text, parent), name);
}

} // namespace

SetupPage::SetupPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent)
    : WizardPage("frmPanel1", parent), m_setup(setup), m_fields(fields), m_prompts(prompts)
{
    // Made in the order Tab visits them.
    m_connection = new ConnectionRow(setup, prompts, this);
    m_fileName = named(new QLineEdit(this), "txtFileName");
    m_browse = makeButton(this, "cmdBrowse", QStringLiteral("&Browse"));
    m_delimiter = named(new QComboBox(this), "cmbDelimiter");
    m_otherDelimiter = named(new QLineEdit(this), "txtOtherDelimiter");
    m_sheetLabel = makeLabel(this, "lblSheet", QStringLiteral("Sheet:"));
    m_sheet = named(new QComboBox(this), "cmbSheet");
    m_offer = makeLabel(this, "lblDelimiterOffer", QString(), true);
    m_useOffer = makeButton(this, "cmdUseDelimiter", QString());
    m_quote = checkBox(this, "chkQuote", QStringLiteral("Treat quotation marks as text field delimiters."));
    m_duplicate = checkBox(this, "chkDuplicate", QStringLiteral("Treat duplicate records as errors."));
    m_table = named(new QComboBox(this), "cmbTable");
    m_format = new FormatGroup(setup, prompts, this);
    m_settingsBox = named(new QLineEdit(this), "txtLoadSettings");
    m_load = makeButton(this, "cmdLoad", QStringLiteral("&Load"));
    m_delimiter->setMinimumWidth(180);
    m_otherDelimiter->setMaxLength(1);
    m_otherDelimiter->setFixedWidth(m_otherDelimiter->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
    m_otherDelimiter->setToolTip(QStringLiteral("The character that separates the fields"));
    m_otherDelimiter->hide();
    m_sheet->setMinimumWidth(160);
    m_sheet->setToolTip(QStringLiteral("The sheet of the workbook to import"));
    m_sheetLabel->hide();
    m_sheet->hide();
    m_offer->hide();
    m_useOffer->hide();
    m_table->setMinimumWidth(260);
    fillLists();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildTitle());
    layout->addSpacing(6);
    layout->addWidget(makeLabel(this, "lblIntro",
                                QStringLiteral("This utility will allow you to import items and customers from your "
                                               "existing software package into Vexaro Vevazezi quickly and easily.  "
                                               "You must have your current data exported into an ASCII text file "
                                               "before continuing."),
                                true));
    layout->addWidget(makeLabel(this, "lblNote",
                                QStringLiteral("Customers and items must be imported separately and therefore "
                                               "required two separate files."),
                                true));
    layout->addSpacing(10);
    layout->addLayout(buildGrid());
    layout->addStretch(1);

    connect(m_fileName, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_setup.textFile = text;
        showSheets();
        showDelimiterOffer();
    });
    connect(m_sheet, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_setup.sheet = m_sheet->itemText(index);
    });
    connect(m_browse, &QPushButton::clicked, this, &SetupPage::onBrowseClicked);
    connect(m_delimiter, &QComboBox::currentIndexChanged, this, &SetupPage::onDelimiterChosen);
    connect(m_otherDelimiter, &QLineEdit::textEdited, this, &SetupPage::onOtherDelimiterEdited);
    connect(m_useOffer, &QPushButton::clicked, this, &SetupPage::onUseOfferClicked);
    connect(m_quote, &QCheckBox::toggled, this, [this](bool on) {
        m_setup.quotesAsDelimiters = on;
        showDelimiterOffer();
    });
    connect(m_duplicate, &QCheckBox::toggled, this, [this](bool on) { m_setup.duplicatesAsErrors = on; });
    connect(m_table, &QComboBox::currentIndexChanged, this, &SetupPage::onTableChosen);
    connect(m_settingsBox, &QLineEdit::textChanged, this, [this](const QString &text) { m_settingsFile = text; });
    connect(m_load, &QPushButton::clicked, this, &SetupPage::onLoadClicked);
}

// The logo beside the title and the version.
QLayout *SetupPage::buildTitle()
{
    auto *picture = makeLabel(this, "Picture1", QString());
    picture->setPixmap(QPixmap(QStringLiteral(":/wizard/logo.png")));
    picture->setFixedSize(180, 70);
    auto *version = new QHBoxLayout;
    version->addWidget(makeLabel(this, "lblVersionNumber", QStringLiteral("Version:")));
    version->addWidget(makeLabel(this, "lblVersion", applicationVersionText()));
    version->addStretch(1);
    auto *titleBlock = new QVBoxLayout;
    titleBlock->addWidget(makeHeading(this, "lblTitle", QStringLiteral("VUVedize for Vexaro Vevazezi")));
    titleBlock->addLayout(version);
    titleBlock->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(titleBlock, 1);
    return top;
}

QLayout *SetupPage::buildGrid()
{
    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(8);
    grid->addWidget(makeLabel(this, "lblVXRDB", QStringLiteral("Vexaro Vevazezi Database:")), 0, 0);
    grid->addWidget(m_connection->box(), 0, 1);
    grid->addWidget(m_connection->connectButton(), 0, 2);
    grid->addWidget(m_connection->disconnectButton(), 0, 3);
    grid->addWidget(makeLabel(this, "lblFileName", QStringLiteral("Delimited text file:")), 1, 0);
    grid->addWidget(m_fileName, 1, 1);
    grid->addWidget(m_browse, 1, 2);
    grid->addWidget(makeLabel(this, "lblChoose", QStringLiteral("Delimiter:")), 2, 0);
    auto *delimiter = new QHBoxLayout;
    delimiter->addWidget(m_delimiter);
    delimiter->addWidget(m_otherDelimiter);
    delimiter->addSpacing(12);
    delimiter->addWidget(m_sheetLabel);
    delimiter->addWidget(m_sheet);
    delimiter->addStretch(1);
    grid->addLayout(delimiter, 2, 1);
    auto *offer = new QHBoxLayout;
    offer->addWidget(m_offer, 1);
    offer->addWidget(m_useOffer, 0, Qt::AlignTop);
    grid->addLayout(offer, 3, 1, 1, 3);
    grid->addWidget(m_quote, 4, 1, 1, 3);
    grid->addWidget(m_duplicate, 5, 1, 1, 3);
    grid->addWidget(makeLabel(this, "lblTableName", QStringLiteral("Destination Table:")), 6, 0);
    grid->addWidget(m_table, 6, 1, Qt::AlignLeft);
    grid->addWidget(m_format, 7, 0, 1, 4);
    grid->addWidget(makeLabel(this, "lblLoadSettings", QStringLiteral("Load saved settings from a previous session:")),
                    8, 0, 1, 4);
    grid->addWidget(m_settingsBox, 9, 1);
    grid->addWidget(m_load, 9, 2);
    return grid;
}

void SetupPage::fillLists()
{
    for (const TableInfo *table : offeredTables())
        m_table->addItem(table->listCaption, table->tableId);
    for (const DelimiterChoice &choice : delimiterChoices())
        m_delimiter->addItem(choice.caption, choice.code);
    m_delimiter->addItem(QStringLiteral("Other:"), 0); // the character typed beside it
}

void SetupPage::showSetup()
{
    {
        const QSignalBlocker quietFile(m_fileName);
        const QSignalBlocker quietQuote(m_quote);
        const QSignalBlocker quietDuplicate(m_duplicate);
        const QSignalBlocker quietTable(m_table);
        m_fileName->setText(QDir::toNativeSeparators(m_setup.textFile));
        m_quote->setChecked(m_setup.quotesAsDelimiters);
        m_duplicate->setChecked(m_setup.duplicatesAsErrors);
        m_table->setCurrentIndex(offeredTableIndex(m_setup.tableId));
    }
    m_leftMappings.clear(); // a set-up of its own
    showSheets();
    showDelimiter();
    m_format->showSetup();
}

// A listed delimiter selects its entry; any other character shows in a box
// beside "Other:", which is there only then.
void SetupPage::showDelimiter()
{
    {
        const QSignalBlocker quietDelimiter(m_delimiter);
        const int index = delimiterIndex(m_setup.delimiterCode);
        m_delimiter->setCurrentIndex(index >= 0 ? index : m_delimiter->count() - 1);
        m_otherDelimiter->setText(index >= 0 ? QString() : QString(QChar(m_setup.delimiterCode)));
        m_otherDelimiter->setVisible(index < 0);
    }
    showDelimiterOffer();
}

void SetupPage::onDelimiterChosen(int index)
{
    if (index < 0)
        return;
    m_setup.delimiterAuto = false;
    const bool other = index == m_delimiter->count() - 1;
    m_otherDelimiter->setVisible(other);
    if (!other) {
        m_setup.delimiterCode = m_delimiter->itemData(index).toInt();
        m_otherDelimiter->clear();
    } else if (m_otherDelimiter->text().isEmpty()) {
        m_otherDelimiter->setFocus();
    } else {
        onOtherDelimiterEdited(m_otherDelimiter->text());
    }
    showDelimiterOffer();
}

// A character that cannot separate fields is not taken; the delimiter stays
// the one before it.
void SetupPage::onOtherDelimiterEdited(const QString &text)
{
    if (text.size() != 1 || !delimiterProblem(text.at(0).unicode()).isEmpty())
        return;
    m_setup.delimiterAuto = false;
    m_setup.delimiterCode = text.at(0).unicode();
    showDelimiterOffer();
}

void SetupPage::showDelimiterOffer()
{
    const std::optional<DelimiterOffer> offer = m_setup.delimiterOffer(m_fields);
    m_offeredCode = offer ? offer->code : 0;
    if (offer) {
        m_offer->setText(sentence(offer->text(m_setup.delimiterCode)));
        m_useOffer->setText(QStringLiteral("&Use ") + delimiterCaption(offer->code));
    }
    m_offer->setVisible(offer.has_value());
    m_useOffer->setVisible(offer.has_value());
}

// A workbook's sheets, the chosen one selected (the first when none is, or
// when the workbook has no sheet of the chosen name); hidden for text files.
void SetupPage::showSheets()
{
    std::optional<QStringList> names;
    if (spreadsheetKind(m_setup.textFile) != SpreadsheetKind::None)
        names = SpreadsheetReader(m_setup.textFile).sheetNames();
    const bool workbook = names && !names->isEmpty();
    {
        const QSignalBlocker quietSheet(m_sheet);
        m_sheet->clear();
        if (workbook) {
            m_sheet->addItems(*names);
            const qsizetype chosen = names->indexOf(m_setup.sheet);
            m_sheet->setCurrentIndex(int(qMax<qsizetype>(chosen, 0)));
            m_setup.sheet = chosen >= 0 ? names->at(chosen) : QString();
        }
    }
    m_sheetLabel->setVisible(workbook);
    m_sheet->setVisible(workbook);
}

void SetupPage::onUseOfferClicked()
{
    if (m_offeredCode == 0)
        return;
    m_setup.delimiterCode = m_offeredCode;
    m_setup.delimiterAuto = false;
    showDelimiter();
    m_quote->setFocus();
}

void SetupPage::enter()
{
    m_connection->makeUsable();
}

void SetupPage::setSettingsFile(const QString &path)
{
    m_settingsBox->setText(QDir::toNativeSeparators(path));
}

QString SetupPage::saveTarget()
{
    if (!m_settingsFile.isEmpty())
        return m_settingsFile;
    const QString target = saveAsTarget();
    if (!target.isEmpty())
        setSettingsFile(target);
    return target;
}

QString SetupPage::saveAsTarget()
{
    QString target = m_prompts.getSaveFileName(QStringLiteral("Save Session Settings"), m_settingsFile, SettingsFilter);
    if (!target.isEmpty() && QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".imp");
    return target;
}

void SetupPage::focusNextStep(QWidget *next)
{
    for (QWidget *candidate : {static_cast<QWidget *>(m_connection->connectButton()), next,
                               static_cast<QWidget *>(m_fileName)}) {
        if (candidate->isEnabled()) {
            candidate->setFocus();
            return;
        }
    }
}

void SetupPage::focusFileName()
{
    m_fileName->setFocus();
}

void SetupPage::onBrowseClicked()
{
    const QString name = m_prompts.getOpenFileName(
        QStringLiteral("Open Text File"), m_fileName->text(),
        QStringLiteral("TEXT, CSV & Workbooks (*.txt *.csv *.xlsx *.ods);;Text Files (*.txt);;CSV Files (*.csv);;"
                       "Workbooks (*.xlsx *.ods);;All Files (*)"));
    if (!name.isEmpty())
        m_fileName->setText(QDir::toNativeSeparators(name));
}

// Cancelling the dialog keeps the current set-up rather than clearing it.
void SetupPage::onLoadClicked()
{
    const QString initial = m_settingsFile.isEmpty() ? QCoreApplication::applicationDirPath() : m_settingsFile;
    const QString path = m_prompts.getOpenFileName(QStringLiteral("Load Saved Settings"), initial, SettingsFilter);
    if (path.isEmpty())
        return;
    setSettingsFile(path);
    emit settingsFileChosen(path);
}

// Leaving a table with a mapping asks first; its mapping is kept for a
// return to it.
void SetupPage::onTableChosen(int index)
{
    const int table = index >= 0 ? m_table->itemData(index).toInt() : 0;
    const int left = m_setup.tableId;
    if (table == left)
        return;
    if (m_setup.hasMapping()) {
        const int mapped = int(std::count_if(m_setup.fieldIds.begin() + 1, m_setup.fieldIds.end(),
                                             [](int id) { return id != 0; }));
        if (!m_prompts.question(QStringLiteral("Another destination table clears the mapping of the %1 text "
                                               "position(s) mapped to fields of %2. Choose %3?\r\n\r\n"
                                               "Choosing %2 again brings the mapping back.")
                                    .arg(mapped)
                                    .arg(tableCaption(left), table == 0 ? QStringLiteral("no table")
                                                                        : tableCaption(table)))) {
            const QSignalBlocker quiet(m_table);
            m_table->setCurrentIndex(offeredTableIndex(left));
            return;
        }
        m_leftMappings.insert(left, m_setup.fieldIds);
    }
    m_setup.chooseTable(table);
    if (const auto kept = m_leftMappings.constFind(table); kept != m_leftMappings.cend())
        m_setup.fieldIds = *kept;
    emit tableChanged();
}

} // namespace vxr
