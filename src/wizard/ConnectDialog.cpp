#include "frmConnect.h"

#include "ConnectionFailure.h"
#include "UserPrompts.h"

#include "database/ConnectionString.h"
#include "database/DbError.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vxr {

namespace {

constexpr int FieldWidth = 280;

bool startsWith(const QString &text, const char *prefix)
{
    return text.trimmed().startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

} // namespace

frmConnect::frmConnect(UserPrompts &prompts, Opener opener, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Database Connect"));
    buildControls();
    providerChanged();
}

void frmConnect::buildControls()
{
    auto lineEdit = [this](const char *name, const QString &text, bool password = false) {
        auto *edit = new QLineEdit(text, this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(FieldWidth);
        if (password)
            edit->setEchoMode(QLineEdit::Password);
        return edit;
    };
    cmbProvider = new QComboBox(this);
    cmbProvider->setObjectName(QStringLiteral("cmbProvider"));
    cmbProvider->addItems({QStringLiteral("SQL Server"), QStringLiteral("PostgreSQL (ODBC)"),
                           QStringLiteral("Other ODBC data source (DSN)"), QStringLiteral("SQLite store file")});

    txtServerName = lineEdit("txtServerName", QStringLiteral("(local)"));
    txtUserName = lineEdit("txtUserName", QStringLiteral("sa"));
    txtPassword = lineEdit("txtPassword", QString(), true);
    txtDatabase = lineEdit("txtDatabase", QString());

    txtPgServer = lineEdit("txtPgServer", QStringLiteral("localhost"));
    txtPgPort = lineEdit("txtPgPort", QStringLiteral("5432"));
    txtPgPort->setMinimumWidth(0);
    txtPgPort->setMaximumWidth(80);
    txtPgUser = lineEdit("txtPgUser", QStringLiteral("postgres"));
    txtPgPassword = lineEdit("txtPgPassword", QString(), true);
    txtPgDatabase = lineEdit("txtPgDatabase", QString());

    cmbDataSource = new QComboBox(this);
    cmbDataSource->setObjectName(QStringLiteral("cmbDataSource"));
    cmbDataSource->setEditable(true);
    cmbDataSource->setInsertPolicy(QComboBox::NoInsert);
    cmbDataSource->addItems(installedOdbcDataSources());
    cmbDataSource->setCurrentIndex(-1);
    cmbDataSource->setMinimumWidth(FieldWidth);
    txtDsnUser = lineEdit("txtDsnUser", QString());
    txtDsnPassword = lineEdit("txtDsnPassword", QString(), true);

    txtDatabaseFile = lineEdit("txtDatabaseFile", QString());
    cmdBrowseDatabase = new QPushButton(QStringLiteral("B&rowse..."), this);
    cmdBrowseDatabase->setObjectName(QStringLiteral("cmdBrowseDatabase"));
    m_fileRow = new QHBoxLayout;
    m_fileRow->addWidget(txtDatabaseFile, 1);
    m_fileRow->addWidget(cmdBrowseDatabase);

    txtConnectionTimeOut = new QSpinBox(this);
    txtConnectionTimeOut->setObjectName(QStringLiteral("txtConnectionTimeOut"));
    txtConnectionTimeOut->setRange(1, 600);
    txtConnectionTimeOut->setValue(DefaultConnectionTimeout);
    txtConnectionTimeOut->setSuffix(QStringLiteral(" seconds"));

    m_form = new QFormLayout;
    m_form->addRow(QStringLiteral("&Database Type:"), cmbProvider);
    m_form->addRow(QStringLiteral("&Server Name:"), txtServerName);
    m_form->addRow(QStringLiteral("&User Name:"), txtUserName);
    m_form->addRow(QStringLiteral("&Password:"), txtPassword);
    m_form->addRow(QStringLiteral("Data&base:"), txtDatabase);
    m_form->addRow(QStringLiteral("&Server Name:"), txtPgServer);
    m_form->addRow(QStringLiteral("P&ort:"), txtPgPort);
    m_form->addRow(QStringLiteral("&User Name:"), txtPgUser);
    m_form->addRow(QStringLiteral("&Password:"), txtPgPassword);
    m_form->addRow(QStringLiteral("Data&base:"), txtPgDatabase);
    m_form->addRow(QStringLiteral("Data &Source Name:"), cmbDataSource);
    m_form->addRow(QStringLiteral("&User Name:"), txtDsnUser);
    m_form->addRow(QStringLiteral("&Password:"), txtDsnPassword);
    // A row holding a layout gets no buddy of its own.
    auto *fileLabel = new QLabel(QStringLiteral("Database &File:"), this);
    fileLabel->setBuddy(txtDatabaseFile);
    m_form->addRow(fileLabel, m_fileRow);
    m_form->addRow(QStringLiteral("Connection &Timeout:"), txtConnectionTimeOut);

    buildMessageArea();

    cmdOK = new QPushButton(QStringLiteral("&Connect"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(m_message);
    layout->addSpacing(4);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmbProvider, &QComboBox::currentIndexChanged, this, &frmConnect::providerChanged);
    connect(cmdBrowseDatabase, &QPushButton::clicked, this, &frmConnect::browseDatabaseFile);
    connect(cmdOK, &QPushButton::clicked, this, &frmConnect::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConnect::cmdCancel_Click);
}

void frmConnect::buildMessageArea()
{
    m_message = new QFrame(this);
    m_message->setObjectName(QStringLiteral("connectMessage"));
    m_message->setFrameShape(QFrame::StyledPanel);
    m_messageIcon = new QLabel(m_message);
    m_messageIcon->setAlignment(Qt::AlignTop);
    lblMessage = new QLabel(m_message);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdDetails = new QToolButton(m_message);
    cmdDetails->setObjectName(QStringLiteral("cmdDetails"));
    cmdDetails->setText(QStringLiteral("D&etails"));
    cmdDetails->setCheckable(true);
    cmdDetails->setArrowType(Qt::RightArrow);
    cmdDetails->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdDetails->setAutoRaise(true);
    txtDetails = new QPlainTextEdit(m_message);
    txtDetails->setObjectName(QStringLiteral("txtDetails"));
    txtDetails->setReadOnly(true);
    txtDetails->setFixedHeight(fontMetrics().lineSpacing() * 5 + 12);
    txtDetails->hide();

    auto *text = new QVBoxLayout;
    text->addWidget(lblMessage);
    text->addWidget(cmdDetails, 0, Qt::AlignLeft);
    auto *top = new QHBoxLayout;
    top->addWidget(m_messageIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *layout = new QVBoxLayout(m_message);
    layout->addLayout(top);
    layout->addWidget(txtDetails);
    m_message->hide();

    connect(cmdDetails, &QToolButton::toggled, this, [this](bool open) {
        cmdDetails->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        txtDetails->setVisible(open);
    });
}

void frmConnect::providerChanged()
{
    const int provider = cmbProvider->currentIndex();
    const auto show = [this](std::initializer_list<QWidget *> fields, bool visible) {
        for (QWidget *w : fields)
            m_form->setRowVisible(w, visible);
    };
    show({txtServerName, txtUserName, txtPassword, txtDatabase}, provider == SqlServerProvider);
    show({txtPgServer, txtPgPort, txtPgUser, txtPgPassword, txtPgDatabase}, provider == PostgresProvider);
    show({cmbDataSource, txtDsnUser, txtDsnPassword}, provider == DsnProvider);
    m_form->setRowVisible(m_fileRow, provider == SqliteProvider);
    clearMessage();
}

void frmConnect::browseDatabaseFile()
{
    const QString path = m_prompts.getOpenFileName(
        QStringLiteral("Open Database File"), txtDatabaseFile->text(),
        QStringLiteral("SQLite Databases (*.db *.sqlite *.sqlite3);;All Files (*)"));
    if (!path.isEmpty())
        txtDatabaseFile->setText(path);
}

void frmConnect::fillFrom(const QString &connectionString)
{
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    const auto value = [&parts](const char *key) { return connectionStringValue(parts, QString::fromLatin1(key)); };
    const QString provider = value("Provider");
    if (startsWith(provider, "SQLOLEDB")) {
        cmbProvider->setCurrentIndex(SqlServerProvider);
        txtServerName->setText(value("Data Source"));
        txtUserName->setText(value("User ID"));
        txtPassword->setText(value("Password"));
        txtDatabase->setText(value("Initial Catalog"));
    } else if (startsWith(provider, "SQLite")) {
        cmbProvider->setCurrentIndex(SqliteProvider);
        txtDatabaseFile->setText(value("Data Source"));
    } else if (startsWith(provider, "MSDASQL") && !value("DSN").isNull()) {
        cmbProvider->setCurrentIndex(DsnProvider);
        cmbDataSource->setEditText(value("DSN"));
        txtDsnUser->setText(value("UID"));
        txtDsnPassword->setText(value("PWD"));
    } else if (startsWith(provider, "MSDASQL")
               && value("Driver").contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        cmbProvider->setCurrentIndex(PostgresProvider);
        txtPgServer->setText(value("Server"));
        txtPgPort->setText(value("Port"));
        txtPgUser->setText(value("UID"));
        txtPgPassword->setText(value("PWD"));
        txtPgDatabase->setText(value("Database"));
    }
    // Any other string cannot be shown field by field; the fields stay.
}

QString frmConnect::builtConnectionString(QString *problem)
{
    const auto missing = [problem](QWidget *field, const char *text) {
        field->setFocus();
        *problem = QString::fromLatin1(text);
        return QString();
    };
    switch (cmbProvider->currentIndex()) {
    case SqliteProvider: {
        const QString path = txtDatabaseFile->text().trimmed();
        if (path.isEmpty())
            return missing(txtDatabaseFile, "Must enter a Database File");
        return sqliteConnectionString(path);
    }
    case PostgresProvider: {
        if (txtPgServer->text().trimmed().isEmpty())
            return missing(txtPgServer, "Must enter a Server Name");
        const QString port = txtPgPort->text().trimmed();
        bool numeric = port.isEmpty();
        if (!port.isEmpty()) {
            const int number = port.toInt(&numeric);
            numeric = numeric && number > 0 && number <= 65535;
        }
        if (!numeric)
            return missing(txtPgPort, "The port must be a number from 1 to 65535, or empty for the usual one");
        if (txtPgDatabase->text().trimmed().isEmpty())
            return missing(txtPgDatabase, "Must enter a Database Name");
        return odbcDriverConnectionString(preferredPostgresDriver(installedOdbcDrivers()),
                                          txtPgServer->text().trimmed(), port, txtPgDatabase->text().trimmed(),
                                          txtPgUser->text(), txtPgPassword->text());
    }
    case DsnProvider: {
        const QString dataSource = cmbDataSource->currentText().trimmed();
        if (dataSource.isEmpty())
            return missing(cmbDataSource, "Must enter a Data Source Name");
        return odbcDsnConnectionString(dataSource, txtDsnUser->text(), txtDsnPassword->text());
    }
    default:
        // Only emptiness is checked; the values go in exactly as typed.
        if (txtServerName->text().isEmpty())
            return missing(txtServerName, "Must enter a Server Name");
        if (txtDatabase->text().isEmpty())
            return missing(txtDatabase, "Must enter a Database Name");
        return sqlServerConnectionString(txtUserName->text(), txtPassword->text(), txtDatabase->text(),
                                         txtServerName->text());
    }
}

void frmConnect::showMessage(const QString &text, const QString &details, bool failure)
{
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    const QStyle::StandardPixmap icon = failure ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxInformation;
    m_messageIcon->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(size, size));
    lblMessage->setText(text);
    txtDetails->setPlainText(details);
    cmdDetails->setVisible(!details.isEmpty());
    cmdDetails->setChecked(false);
    m_message->show();
}

void frmConnect::showFailure(const DbError &error, const QString &connectionString)
{
    const QString details = QStringLiteral("Error :") + QString::number(error.number) + u'\n' + error.description
        + QStringLiteral("\n\nConnection string: ") + withPasswordShownAs(connectionString, passwordMask());
    showMessage(QStringLiteral("Could not connect. ") + plainConnectionFailure(error), details);
}

QLineEdit *frmConnect::passwordField() const
{
    switch (cmbProvider->currentIndex()) {
    case SqlServerProvider: return txtPassword;
    case PostgresProvider: return txtPgPassword;
    case DsnProvider: return txtDsnPassword;
    default: return nullptr;
    }
}

void frmConnect::offerConnection(const QString &connectionString)
{
    fillFrom(withoutPassword(connectionString));
    QLineEdit *password = passwordField();
    if (password)
        password->clear();
    showMessage(password ? QStringLiteral("The settings file names this database. Type the password and press "
                                          "Connect; the password is not stored in the settings file.")
                         : QStringLiteral("The settings file names this database. Press Connect to use it."),
                QString(), false);
    open();
    if (password)
        password->setFocus();
    else
        cmdOK->setFocus();
}

void frmConnect::clearMessage()
{
    m_message->hide();
    lblMessage->clear();
    txtDetails->clear();
}

void frmConnect::cmdOK_Click()
{
    QString problem;
    const QString connectionString = builtConnectionString(&problem);
    if (connectionString.isEmpty()) {
        showMessage(problem, QString());
        return;
    }
    DbError error;
    bool opened = false;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cmdOK->setEnabled(false);
        const auto restore = qScopeGuard([this] {
            cmdOK->setEnabled(true);
            QApplication::restoreOverrideCursor();
        });
        opened = m_opener(connectionString, txtConnectionTimeOut->value(), &error);
    }
    if (!opened) {
        showFailure(error, connectionString);
        return;
    }
    clearMessage();
    accept();
}

void frmConnect::cmdCancel_Click()
{
    reject();
}

void frmConnect::reject()
{
    clearMessage();
    emit cancelled();
    QDialog::reject();
}

} // namespace vxr
