#include "ConnectDialog.h"

#include "ConnectionFailure.h"
#include "UserPrompts.h"
#include "WizardPage.h"

#include "database/ConnectionString.h"
#include "database/DbError.h"
#include "import/ImportJob.h"

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

ConnectDialog::ConnectDialog(UserPrompts &prompts, Opener opener, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("ConnectDialog"));
    setWindowTitle(QStringLiteral("Database Connect"));
    buildControls();
    providerChanged();
}

void ConnectDialog::buildControls()
{
    auto lineEdit = [this](const char *name, const QString &text, bool password = false) {
        auto *edit = named(new QLineEdit(text, this), name);
        edit->setMinimumWidth(FieldWidth);
        if (password)
            edit->setEchoMode(QLineEdit::Password);
        return edit;
    };
    m_provider = named(new QComboBox(this), "cmbProvider");
    m_provider->addItems({QStringLiteral("SQL Server"), QStringLiteral("PostgreSQL (ODBC)"),
                           QStringLiteral("Other ODBC data source (DSN)"), QStringLiteral("SQLite store file")});

    m_serverName = lineEdit("txtServerName", QStringLiteral("(local)"));
    m_userName = lineEdit("txtUserName", QStringLiteral("sa"));
    m_password = lineEdit("txtPassword", QString(), true);
    m_database = lineEdit("txtDatabase", QString());

    m_pgServer = lineEdit("txtPgServer", QStringLiteral("localhost"));
    m_pgPort = lineEdit("txtPgPort", QStringLiteral("5432"));
    m_pgPort->setMinimumWidth(0);
    m_pgPort->setMaximumWidth(80);
    m_pgUser = lineEdit("txtPgUser", QStringLiteral("postgres"));
    m_pgPassword = lineEdit("txtPgPassword", QString(), true);
    m_pgDatabase = lineEdit("txtPgDatabase", QString());

    m_dataSource = named(new QComboBox(this), "cmbDataSource");
    m_dataSource->setEditable(true);
    m_dataSource->setInsertPolicy(QComboBox::NoInsert);
    m_dataSource->addItems(installedOdbcDataSources());
    m_dataSource->setCurrentIndex(-1);
    m_dataSource->setMinimumWidth(FieldWidth);
    m_dsnUser = lineEdit("txtDsnUser", QString());
    m_dsnPassword = lineEdit("txtDsnPassword", QString(), true);

    m_databaseFile = lineEdit("txtDatabaseFile", QString());
    m_browseDatabase = named(new QPushButton(QStringLiteral("B&rowse..."), this), "cmdBrowseDatabase");
    m_fileRow = new QHBoxLayout;
    m_fileRow->addWidget(m_databaseFile, 1);
    m_fileRow->addWidget(m_browseDatabase);

    m_timeout = named(new QSpinBox(this), "txtConnectionTimeOut");
    m_timeout->setRange(1, 600);
    m_timeout->setValue(DefaultConnectTimeoutSeconds);
    m_timeout->setSuffix(QStringLiteral(" seconds"));

    m_form = new QFormLayout;
    m_form->addRow(QStringLiteral("&Database Type:"), m_provider);
    m_form->addRow(QStringLiteral("&Server Name:"), m_serverName);
    m_form->addRow(QStringLiteral("&User Name:"), m_userName);
    m_form->addRow(QStringLiteral("&Password:"), m_password);
    m_form->addRow(QStringLiteral("Data&base:"), m_database);
    m_form->addRow(QStringLiteral("&Server Name:"), m_pgServer);
    m_form->addRow(QStringLiteral("P&ort:"), m_pgPort);
    m_form->addRow(QStringLiteral("&User Name:"), m_pgUser);
    m_form->addRow(QStringLiteral("&Password:"), m_pgPassword);
    m_form->addRow(QStringLiteral("Data&base:"), m_pgDatabase);
    m_form->addRow(QStringLiteral("Data &Source Name:"), m_dataSource);
    m_form->addRow(QStringLiteral("&User Name:"), m_dsnUser);
    m_form->addRow(QStringLiteral("&Password:"), m_dsnPassword);
    // A row holding a layout gets no buddy of its own.
    auto *fileLabel = new QLabel(QStringLiteral("Database &File:"), this);
    fileLabel->setBuddy(m_databaseFile);
    m_form->addRow(fileLabel, m_fileRow);
    m_form->addRow(QStringLiteral("Connection &Timeout:"), m_timeout);

    buildMessageArea();

    m_connect = named(new QPushButton(QStringLiteral("&Connect"), this), "cmdOK");
    m_connect->setDefault(true);
    m_cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_connect, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(m_message);
    layout->addSpacing(4);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_provider, &QComboBox::currentIndexChanged, this, &ConnectDialog::providerChanged);
    connect(m_browseDatabase, &QPushButton::clicked, this, &ConnectDialog::browseDatabaseFile);
    connect(m_connect, &QPushButton::clicked, this, &ConnectDialog::onConnectClicked);
    connect(m_cancel, &QPushButton::clicked, this, &ConnectDialog::reject);
}

void ConnectDialog::buildMessageArea()
{
    m_message = named(new QFrame(this), "connectMessage");
    m_message->setFrameShape(QFrame::StyledPanel);
    m_messageIcon = new QLabel(m_message);
    m_messageIcon->setAlignment(Qt::AlignTop);
    m_messageText = named(new QLabel(m_message), "lblMessage");
    m_messageText->setWordWrap(true);
    m_messageText->setTextFormat(Qt::PlainText);
    m_messageText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details = named(new QToolButton(m_message), "cmdDetails");
    m_details->setText(QStringLiteral("D&etails"));
    m_details->setCheckable(true);
    m_details->setArrowType(Qt::RightArrow);
    m_details->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_details->setAutoRaise(true);
    m_detailsText = named(new QPlainTextEdit(m_message), "txtDetails");
    m_detailsText->setReadOnly(true);
    m_detailsText->setFixedHeight(fontMetrics().lineSpacing() * 5 + 12);
    m_detailsText->hide();

    auto *text = new QVBoxLayout;
    text->addWidget(m_messageText);
    text->addWidget(m_details, 0, Qt::AlignLeft);
    auto *top = new QHBoxLayout;
    top->addWidget(m_messageIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *layout = new QVBoxLayout(m_message);
    layout->addLayout(top);
    layout->addWidget(m_detailsText);
    m_message->hide();

    connect(m_details, &QToolButton::toggled, this, [this](bool open) {
        m_details->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_detailsText->setVisible(open);
    });
}

void ConnectDialog::providerChanged()
{
    const int provider = m_provider->currentIndex();
    const auto show = [this](std::initializer_list<QWidget *> fields, bool visible) {
        for (QWidget *w : fields)
            m_form->setRowVisible(w, visible);
    };
    show({m_serverName, m_userName, m_password, m_database}, provider == SqlServerProvider);
    show({m_pgServer, m_pgPort, m_pgUser, m_pgPassword, m_pgDatabase}, provider == PostgresProvider);
    show({m_dataSource, m_dsnUser, m_dsnPassword}, provider == DsnProvider);
    m_form->setRowVisible(m_fileRow, provider == SqliteProvider);
    clearMessage();
}

void ConnectDialog::browseDatabaseFile()
{
    const QString path = m_prompts.getOpenFileName(
        QStringLiteral("Open Database File"), m_databaseFile->text(),
        QStringLiteral("SQLite Databases (*.db *.sqlite *.sqlite3);;All Files (*)"));
    if (!path.isEmpty())
        m_databaseFile->setText(path);
}

void ConnectDialog::fillFrom(const QString &connectionString)
{
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    const auto value = [&parts](const char *key) { return connectionStringValue(parts, QString::fromLatin1(key)); };
    const QString provider = value("Provider");
    if (startsWith(provider, "SQLOLEDB")) {
        m_provider->setCurrentIndex(SqlServerProvider);
        m_serverName->setText(value("Data Source"));
        m_userName->setText(value("User ID"));
        m_password->setText(value("Password"));
        m_database->setText(value("Initial Catalog"));
    } else if (startsWith(provider, "SQLite")) {
        m_provider->setCurrentIndex(SqliteProvider);
        m_databaseFile->setText(value("Data Source"));
    } else if (startsWith(provider, "MSDASQL") && !value("DSN").isNull()) {
        m_provider->setCurrentIndex(DsnProvider);
        m_dataSource->setEditText(value("DSN"));
        m_dsnUser->setText(value("UID"));
        m_dsnPassword->setText(value("PWD"));
    } else if (startsWith(provider, "MSDASQL")
               && value("Driver").contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        m_provider->setCurrentIndex(PostgresProvider);
        m_pgServer->setText(value("Server"));
        m_pgPort->setText(value("Port"));
        m_pgUser->setText(value("UID"));
        m_pgPassword->setText(value("PWD"));
        m_pgDatabase->setText(value("Database"));
    }
    // Any other string cannot be shown field by field; the fields stay.
}

QString ConnectDialog::builtConnectionString(QString *problem)
{
    const auto missing = [problem](QWidget *field, const char *text) {
        field->setFocus();
        *problem = QString::fromLatin1(text);
        return QString();
    };
    switch (m_provider->currentIndex()) {
    case SqliteProvider: {
        const QString path = m_databaseFile->text().trimmed();
        if (path.isEmpty())
            return missing(m_databaseFile, "Must enter a Database File");
        return sqliteConnectionString(path);
    }
    case PostgresProvider: {
        if (m_pgServer->text().trimmed().isEmpty())
            return missing(m_pgServer, "Must enter a Server Name");
        const QString port = m_pgPort->text().trimmed();
        bool numeric = port.isEmpty();
        if (!port.isEmpty()) {
            const int number = port.toInt(&numeric);
            numeric = numeric && number > 0 && number <= 65535;
        }
        if (!numeric)
            return missing(m_pgPort, "The port must be a number from 1 to 65535, or empty for the usual one");
        if (m_pgDatabase->text().trimmed().isEmpty())
            return missing(m_pgDatabase, "Must enter a Database Name");
        return odbcDriverConnectionString(preferredPostgresDriver(installedOdbcDrivers()),
                                          m_pgServer->text().trimmed(), port, m_pgDatabase->text().trimmed(),
                                          m_pgUser->text(), m_pgPassword->text());
    }
    case DsnProvider: {
        const QString dataSource = m_dataSource->currentText().trimmed();
        if (dataSource.isEmpty())
            return missing(m_dataSource, "Must enter a Data Source Name");
        return odbcDsnConnectionString(dataSource, m_dsnUser->text(), m_dsnPassword->text());
    }
    default:
        // Only emptiness is checked; the values go in exactly as typed.
        if (m_serverName->text().isEmpty())
            return missing(m_serverName, "Must enter a Server Name");
        if (m_database->text().isEmpty())
            return missing(m_database, "Must enter a Database Name");
        return sqlServerConnectionString(m_userName->text(), m_password->text(), m_database->text(),
                                         m_serverName->text());
    }
}

void ConnectDialog::showMessage(const QString &text, const QString &details, bool failure)
{
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    const QStyle::StandardPixmap icon = failure ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxInformation;
    m_messageIcon->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(size, size));
    m_messageText->setText(text);
    m_detailsText->setPlainText(details);
    m_details->setVisible(!details.isEmpty());
    m_details->setChecked(false);
    m_message->show();
}

void ConnectDialog::showFailure(const DbError &error, const QString &connectionString)
{
    const QString details = QStringLiteral("Error :") + QString::number(error.number) + u'\n' + error.description
        + QStringLiteral("\n\nConnection string: ") + withPasswordShownAs(connectionString, passwordMask());
    showMessage(QStringLiteral("Could not connect. ") + plainConnectionFailure(error), details);
}

QLineEdit *ConnectDialog::passwordField() const
{
    switch (m_provider->currentIndex()) {
    case SqlServerProvider: return m_password;
    case PostgresProvider: return m_pgPassword;
    case DsnProvider: return m_dsnPassword;
    default: return nullptr;
    }
}

void ConnectDialog::offerConnection(const QString &connectionString)
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
        m_connect->setFocus();
}

void ConnectDialog::clearMessage()
{
    m_message->hide();
    m_messageText->clear();
    m_detailsText->clear();
}

void ConnectDialog::onConnectClicked()
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
        m_connect->setEnabled(false);
        const auto restore = qScopeGuard([this] {
            m_connect->setEnabled(true);
            QApplication::restoreOverrideCursor();
        });
        opened = m_opener(connectionString, m_timeout->value(), &error);
    }
    if (!opened) {
        showFailure(error, connectionString);
        return;
    }
    clearMessage();
    accept();
}

void ConnectDialog::reject()
{
    clearMessage();
    emit cancelled();
    QDialog::reject();
}

} // namespace vxr
