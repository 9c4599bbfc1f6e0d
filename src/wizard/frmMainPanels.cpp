// The controls of the main window and their layout.
#include "frmMain.h"

#include "PathLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vxr {

namespace {

// The text that says on which panel a control is usable; see EnablePanelControls.
void setTag(QWidget *w, const char *tag)
{
    w->setProperty("tag", QString::fromLatin1(tag));
}

template<typename W>
W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, bool wrap = false)
{
    auto *l = named(new QLabel(text, parent), name);
    l->setWordWrap(wrap);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLabel *heading(QWidget *parent, const char *name, const QString &text)
{
    QLabel *l = label(parent, name, text);
    QFont font = l->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    l->setFont(font);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QPushButton(caption, parent), name);
}

QFrame *panelFrame(const char *name)
{
    auto *frame = named(new QFrame, name);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

} // namespace

void frmMain::buildControls()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vexaro Vevazezi Import Wizard"));

    m_panels = named(new QStackedWidget(this), "panels");
    m_panels->addWidget(buildPanel1());
    m_panels->addWidget(buildPanel2());
    m_panels->addWidget(buildPanel3());
    m_panels->addWidget(buildPanel4());

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_panels, 1);
    layout->addWidget(rule);
    layout->addWidget(buildButtonRow());
    resize(760, 680);
}

QWidget *frmMain::buildButtonRow()
{
    auto *row = new QWidget(this);
    cmdHelp = button(row, "cmdHelp", QStringLiteral("&Help"));
    cmdSave = button(row, "cmdSave", QStringLiteral("&Save"));
    cmdBack = button(row, "cmdBack", QStringLiteral("< B&ack"));
    cmdNext = button(row, "cmdNext", QStringLiteral("&Next >"));
    cmdExit = button(row, "cmdExit", QStringLiteral("E&xit"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cmdHelp);
    layout->addWidget(cmdSave);
    layout->addStretch(1);
    layout->addWidget(cmdBack);
    layout->addWidget(cmdNext);
    layout->addSpacing(12);
    layout->addWidget(cmdExit);
    return row;
}

QWidget *frmMain::buildPanel1()
{
    QFrame *panel = panelFrame("frmPanel1");

    auto *picture = label(panel, "Picture1", QString());
    picture->setPixmap(QPixmap(QStringLiteral(":/wizard/logo.png")));
    picture->setFixedSize(180, 70);
    setTag(picture, "logo");

    lblVersion = label(panel, "lblVersion", QStringLiteral("0.00"));
    auto *version = new QHBoxLayout;
    version->addWidget(label(panel, "lblVersionNumber", QStringLiteral("Version:")));
    version->addWidget(lblVersion);
    version->addStretch(1);
    auto *titleBlock = new QVBoxLayout;
    titleBlock->addWidget(heading(panel, "lblTitle", QStringLiteral("VUVedize for Vexaro Vevazezi")));
    titleBlock->addLayout(version);
    titleBlock->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(titleBlock, 1);

    txtVXRDB = named(new QLineEdit(panel), "txtVXRDB");
    setTag(txtVXRDB, "x");
    cmdConnect = button(panel, "cmdConnect", QStringLiteral("&Connect"));
    setTag(cmdConnect, "x");
    cmdDisconnect = button(panel, "cmdDisconnect", QStringLiteral("&Disconnect"));
    setTag(cmdDisconnect, "1");
    txtFileName = named(new QLineEdit(panel), "txtFileName");
    setTag(txtFileName, "1");
    cmdBrowse = button(panel, "cmdBrowse", QStringLiteral("&Browse"));
    setTag(cmdBrowse, "1");
    cmbDelimiter = named(new QComboBox(panel), "cmbDelimiter");
    setTag(cmbDelimiter, "1");
    chkQuote = named(new QCheckBox(QStringLiteral("Treat quotation marks as text field delimiters."), panel),
                     "chkQuote");
    setTag(chkQuote, "1");
    chkDuplicate = named(new QCheckBox(QStringLiteral("Treat duplicate records as errors."), panel), "chkDuplicate");
    setTag(chkDuplicate, "1");
    cmbTable = named(new QComboBox(panel), "cmbTable");
    setTag(cmbTable, "1");
    txtLoadSettings = named(new QLineEdit(panel), "txtLoadSettings");
    setTag(txtLoadSettings, "1");
    cmdLoad = button(panel, "cmdLoad", QStringLiteral("&Load"));
    setTag(cmdLoad, "1");

    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(8);
    grid->addWidget(label(panel, "lblVXRDB", QStringLiteral("Vexaro Vevazezi Database:")), 0, 0);
    grid->addWidget(txtVXRDB, 0, 1);
    grid->addWidget(cmdConnect, 0, 2);
    grid->addWidget(cmdDisconnect, 0, 3);
    grid->addWidget(label(panel, "lblFileName", QStringLiteral("Delimited text file:")), 1, 0);
    grid->addWidget(txtFileName, 1, 1);
    grid->addWidget(cmdBrowse, 1, 2);
    grid->addWidget(label(panel, "lblChoose", QStringLiteral("Delimiter:")), 2, 0);
    grid->addWidget(cmbDelimiter, 2, 1, Qt::AlignLeft);
    grid->addWidget(chkQuote, 3, 1, 1, 3);
    grid->addWidget(chkDuplicate, 4, 1, 1, 3);
    grid->addWidget(label(panel, "lblTableName", QStringLiteral("Destination Table:")), 5, 0);
    grid->addWidget(cmbTable, 5, 1, Qt::AlignLeft);
    grid->addWidget(buildFormatGroup(panel), 6, 0, 1, 4);
    grid->addWidget(label(panel, "lblLoadSettings", QStringLiteral("Load saved settings from a previous session:")),
                    7, 0, 1, 4);
    grid->addWidget(txtLoadSettings, 8, 1);
    grid->addWidget(cmdLoad, 8, 2);
    // Tab follows the rows: the format group comes before the settings file.
    setTabOrder(chkStrict, txtLoadSettings);
    setTabOrder(txtLoadSettings, cmdLoad);
    cmbDelimiter->setMinimumWidth(180);
    cmbTable->setMinimumWidth(260);

    auto *layout = new QVBoxLayout(panel);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(label(panel, "lblIntro",
                            QStringLiteral("This utility will allow you to import items and customers from your "
                                           "existing software package into Vexaro Vevazezi quickly and easily.  "
                                           "You must have your current data exported into an ASCII text file "
                                           "before continuing."),
                            true));
    layout->addWidget(label(panel, "lblNote",
                            QStringLiteral("Customers and items must be imported separately and therefore "
                                           "required two separate files."),
                            true));
    layout->addSpacing(10);
    layout->addLayout(grid);
    layout->addStretch(1);
    return panel;
}

// The text file's format, grouped: how its bytes are read, how its amounts
// and dates are written, and what happens to apostrophes and unreadable
// values.
QWidget *frmMain::buildFormatGroup(QWidget *panel)
{
    auto *group = named(new QGroupBox(QStringLiteral("Text file format"), panel), "fraFormat");
    cmbEncoding = named(new QComboBox(group), "cmbEncoding");
    setTag(cmbEncoding, "1");
    cmbEncoding->setEditable(true);
    cmbEncoding->setInsertPolicy(QComboBox::NoInsert);
    cmbEncoding->setMinimumWidth(260);
    cmbLocale = named(new QComboBox(group), "cmbLocale");
    setTag(cmbLocale, "1");
    cmbLocale->setEditable(true);
    cmbLocale->setInsertPolicy(QComboBox::NoInsert);
    cmbLocale->setMinimumWidth(260);
    chkStripApostrophes = named(
        new QCheckBox(QStringLiteral("Remove apostrophes from values, as earlier imports did (O'Brien becomes OBrien)."),
                      group),
        "chkStripApostrophes");
    setTag(chkStripApostrophes, "1");
    chkStrict = named(new QCheckBox(QStringLiteral("Reject lines whose numbers or dates cannot be read."), group),
                      "chkStrict");
    setTag(chkStrict, "1");

    auto *grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(8);
    grid->addWidget(label(group, "lblEncoding", QStringLiteral("Encoding:")), 0, 0);
    grid->addWidget(cmbEncoding, 0, 1, Qt::AlignLeft);
    grid->addWidget(label(group, "lblLocale", QStringLiteral("Regional settings:")), 1, 0);
    grid->addWidget(cmbLocale, 1, 1, Qt::AlignLeft);
    grid->addWidget(chkStripApostrophes, 2, 0, 1, 2);
    grid->addWidget(chkStrict, 3, 0, 1, 2);
    return group;
}

QWidget *frmMain::buildPanel2()
{
    QFrame *panel = panelFrame("frmPanel2");

    MSFlexGrid1 = named(new QTableWidget(panel), "MSFlexGrid1");
    setTag(MSFlexGrid1, "2");
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid rather than walking its cells.
    MSFlexGrid1->setTabKeyNavigation(false);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 6);
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(true);
    MSFlexGrid1->setMinimumWidth(twipsToPixels(900 + 1800 + 2000) + 24);

    // Created in the order Tab visits them: the filter box above the list first.
    txtFieldFilter = named(new QLineEdit(panel), "txtFieldFilter");
    setTag(txtFieldFilter, "2");
    txtFieldFilter->setPlaceholderText(QStringLiteral("Type to find a field"));
    txtFieldFilter->setClearButtonEnabled(true);
    lstFields = named(new QListWidget(panel), "lstFields");
    setTag(lstFields, "2");
    for (QWidget *keyboard : {static_cast<QWidget *>(MSFlexGrid1), static_cast<QWidget *>(lstFields),
                              static_cast<QWidget *>(txtFieldFilter)})
        keyboard->installEventFilter(this);
    chkFirstLine = named(new QCheckBox(QStringLiteral("First row contains field names"), panel), "chkFirstLine");
    setTag(chkFirstLine, "2");

    auto *left = new QVBoxLayout;
    left->addWidget(label(panel, "lblTitle1", QStringLiteral("Text File Mapping:")));
    left->addWidget(MSFlexGrid1, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(label(panel, "lblTitle2", QStringLiteral("Database Fields:")));
    right->addWidget(txtFieldFilter);
    right->addWidget(lstFields, 1);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 3);
    lists->addSpacing(8);
    lists->addLayout(right, 2);

    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(heading(panel, "lblMapTextFile", QStringLiteral("Define Fields:")));
    layout->addWidget(label(panel, "lblHowto",
                            QStringLiteral("Map database fields to text file positions by clicking on the Field "
                                           "Number in the grid and then double clicking fields from the list.  "
                                           "Fields can be removed from the mapping by double clicking the cell in "
                                           "the grid.  Leave cells blank for data that is not imported into "
                                           "Vevazezi.  With the keyboard, Enter or Space assigns the selected "
                                           "field and Delete removes a mapping; type in the box above the list "
                                           "to find a field."),
                            true));
    layout->addLayout(lists, 1);
    layout->addWidget(chkFirstLine);
    return panel;
}

QWidget *frmMain::buildPanel3()
{
    QFrame *panel = panelFrame("frmPanel3");
    msflexpreview = named(new QTableWidget(19, 51, panel), "msflexpreview");
    msflexpreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    msflexpreview->setTabKeyNavigation(false);
    msflexpreview->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    msflexpreview->verticalHeader()->setDefaultSectionSize(msflexpreview->fontMetrics().height() + 6);
    chkSkipFirstLine = named(new QCheckBox(QStringLiteral("Skip first line of file when processing"), panel),
                             "chkSkipFirstLine");
    setTag(chkSkipFirstLine, "3");

    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(heading(panel, "Label3", QStringLiteral("Review field selection and click Next to continue.")));
    layout->addWidget(msflexpreview, 1);
    layout->addWidget(chkSkipFirstLine);
    return panel;
}

QWidget *frmMain::buildPanel4()
{
    QFrame *panel = panelFrame("frmPanel4");
    cmdImport = button(panel, "cmdImport", QStringLiteral("&Import"));
    setTag(cmdImport, "4");
    cmdTestRun = button(panel, "cmdTestRun", QStringLiteral("&Test Run"));
    setTag(cmdTestRun, "4");
    cmdCancel = button(panel, "cmdCancel", QStringLiteral("&Cancel"));
    setTag(cmdCancel, "4");
    cmdViewLogFile = button(panel, "cmdViewLogFile", QStringLiteral("&View Log File"));
    setTag(cmdViewLogFile, "4");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdTestRun);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    buttons->addWidget(cmdViewLogFile);

    prgImport = named(new QProgressBar(panel), "prgImport");
    prgImport->setRange(0, 1000);
    prgImport->setValue(0);
    prgImport->setFormat(QStringLiteral("%p%"));

    // A run that fails says why here, which can be a long text.
    lblStatus = label(panel, "lblStatus", QStringLiteral("None"), true);
    lblRecordsToProcess = label(panel, "lblRecordsToProcess", QStringLiteral("0"));
    lblRecordsProcessed = label(panel, "lblRecordsProcessed", QStringLiteral("0"));
    lblPercentCompleted = label(panel, "lblPercentCompleted", QStringLiteral("0%"));
    lblErrorsEncountered = label(panel, "lblErrorsEncountered", QStringLiteral("0"));
    lblLinesPerSecond = label(panel, "lblLinesPerSecond", QStringLiteral("0"));
    lblTimeElapsed = label(panel, "lblTimeElapsed", QStringLiteral("0 s"));
    lblTimeLeft = label(panel, "lblTimeLeft", QStringLiteral("None"));

    // The status across the top, then the counts on the left and the pace
    // on the right.
    auto *progress = new QGridLayout;
    progress->setColumnStretch(1, 1);
    progress->setColumnStretch(3, 1);
    progress->setHorizontalSpacing(12);
    progress->addWidget(label(panel, "lblStatusCaption", QStringLiteral("Import Status:")), 0, 0);
    progress->addWidget(lblStatus, 0, 1, 1, 3);
    const std::pair<const char *, QString> counts[] = {
        {"lblRecordsToProcessCaption", QStringLiteral("Number of records to process:")},
        {"lblRecordsProcessedCaption", QStringLiteral("Number of records processed:")},
        {"lblPercentCompletedCaption", QStringLiteral("Percent completed:")},
        {"lblErrorsEncounteredCaption", QStringLiteral("Number of errors encountered:")},
    };
    QLabel *countValues[] = {lblRecordsToProcess, lblRecordsProcessed, lblPercentCompleted, lblErrorsEncountered};
    for (int i = 0; i < 4; ++i) {
        progress->addWidget(label(panel, counts[i].first, counts[i].second), i + 1, 0);
        progress->addWidget(countValues[i], i + 1, 1);
    }
    const std::pair<const char *, QString> pace[] = {
        {"lblLinesPerSecondCaption", QStringLiteral("Lines per second:")},
        {"lblTimeElapsedCaption", QStringLiteral("Time elapsed:")},
        {"lblTimeLeftCaption", QStringLiteral("Time left:")},
    };
    QLabel *paceValues[] = {lblLinesPerSecond, lblTimeElapsed, lblTimeLeft};
    for (int i = 0; i < 3; ++i) {
        progress->addWidget(label(panel, pace[i].first, pace[i].second), i + 1, 2);
        progress->addWidget(paceValues[i], i + 1, 3);
    }

    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(heading(panel, "Label1", QStringLiteral("Process Import File:")));
    layout->addWidget(label(panel, "lblImportInstructinos",
                            QStringLiteral("Click the Import button to begin processing your text file.  Save your "
                                           "settings for future sessions by clicking the save button.  Test Run "
                                           "reads the whole file and shows what an import would do, storing "
                                           "nothing; Cancel stops a run after the line it is on."),
                            true));
    layout->addSpacing(10);
    layout->addLayout(buttons);
    layout->addSpacing(14);
    layout->addWidget(prgImport);
    layout->addSpacing(8);
    layout->addLayout(progress);
    layout->addSpacing(14);
    layout->addWidget(buildSummaryGroup(panel));
    layout->addStretch(1);
    return panel;
}

// What the last run came to: how it ended, its counts, the reject file, and
// the ways on from there.
QWidget *frmMain::buildSummaryGroup(QWidget *panel)
{
    fraSummary = named(new QGroupBox(QStringLiteral("Import summary"), panel), "fraSummary");
    lblOutcome = label(fraSummary, "lblOutcome", QString(), true);
    lblRowsAdded = label(fraSummary, "lblRowsAdded", QStringLiteral("0"));
    lblRowsUpdated = label(fraSummary, "lblRowsUpdated", QStringLiteral("0"));
    lblLinesSkipped = label(fraSummary, "lblLinesSkipped", QStringLiteral("0"));
    lblLinesFailed = label(fraSummary, "lblLinesFailed", QStringLiteral("0"));
    lblLinesNotReached = label(fraSummary, "lblLinesNotReached", QStringLiteral("0"));
    lblRejectFileCaption = label(fraSummary, "lblRejectFileCaption", QStringLiteral("Reject file:"));
    lblRejectFile = named(new PathLabel(fraSummary), "lblRejectFile");

    auto *counts = new QGridLayout;
    counts->setHorizontalSpacing(12);
    counts->setColumnStretch(1, 1);
    counts->setColumnStretch(3, 1);
    counts->addWidget(label(fraSummary, "lblRowsAddedCaption", QStringLiteral("Rows added:")), 0, 0);
    counts->addWidget(lblRowsAdded, 0, 1);
    counts->addWidget(label(fraSummary, "lblRowsUpdatedCaption", QStringLiteral("Rows updated:")), 1, 0);
    counts->addWidget(lblRowsUpdated, 1, 1);
    counts->addWidget(label(fraSummary, "lblLinesSkippedCaption", QStringLiteral("Lines skipped:")), 2, 0);
    counts->addWidget(lblLinesSkipped, 2, 1);
    counts->addWidget(label(fraSummary, "lblLinesFailedCaption", QStringLiteral("Lines failed:")), 0, 2);
    counts->addWidget(lblLinesFailed, 0, 3);
    counts->addWidget(label(fraSummary, "lblLinesNotReachedCaption", QStringLiteral("Lines not reached:")), 1, 2);
    counts->addWidget(lblLinesNotReached, 1, 3);
    counts->addWidget(lblRejectFileCaption, 3, 0);
    counts->addWidget(lblRejectFile, 3, 1, 1, 3);

    cmdOpenLog = button(fraSummary, "cmdOpenLog", QStringLiteral("Open &Log"));
    cmdOpenRejectFile = button(fraSummary, "cmdOpenRejectFile", QStringLiteral("Open &Reject File"));
    cmdNewImport = button(fraSummary, "cmdNewImport", QStringLiteral("Ne&w Import"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpenLog);
    buttons->addWidget(cmdOpenRejectFile);
    buttons->addStretch(1);
    buttons->addWidget(cmdNewImport);

    auto *layout = new QVBoxLayout(fraSummary);
    layout->addWidget(lblOutcome);
    layout->addSpacing(4);
    layout->addLayout(counts);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    fraSummary->hide();
    return fraSummary;
}

} // namespace vxr
