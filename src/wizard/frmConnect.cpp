#include "frmConnect.h"

#include "UserPrompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vxr {

QString SqlServerConnectionString(const QString &user, const QString &password, const QString &database,
                                  const QString &server)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=") + user
        + QStringLiteral(";Password=") + password + QStringLiteral(";Initial Catalog=") + database
        + QStringLiteral(";Data Source=") + server;
}

QString SqliteConnectionString(const QString &path)
{
    return QStringLiteral("Provider=SQLite;Data Source=") + path;
}

frmConnect::frmConnect(UserPrompts &prompts, QWidget *parent) : QDialog(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Database Connect"));
    buildControls();
    providerChanged();
}

void frmConnect::buildControls()
{
    auto lineEdit = [this](const char *name, const QString &text) {
        auto *edit = new QLineEdit(text, this);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    cmbProvider = new QComboBox(this);
    cmbProvider->setObjectName(QStringLiteral("cmbProvider"));
    cmbProvider->addItem(QStringLiteral("SQL Server"));
    cmbProvider->addItem(QStringLiteral("SQLite database file"));
    txtServerName = lineEdit("txtServerName", QStringLiteral("(local)"));
    txtUserName = lineEdit("txtUserName", QStringLiteral("sa"));
    txtPassword = lineEdit("txtPassword", QString());
    txtPassword->setEchoMode(QLineEdit::Password);
    txtDatabase = lineEdit("txtDatabase", QString());
    txtDatabaseFile = lineEdit("txtDatabaseFile", QString());
    for (QLineEdit *edit : {txtServerName, txtUserName, txtPassword, txtDatabase, txtDatabaseFile})
        edit->setMinimumWidth(260);
    cmdBrowseDatabase = new QPushButton(QStringLiteral("B&rowse..."), this);
    cmdBrowseDatabase->setObjectName(QStringLiteral("cmdBrowseDatabase"));
    txtConnectionTimeOut = lineEdit("txtConnectionTimeOut", QString::number(DefaultConnectionTimeout));
    txtConnectionTimeOut->setMaximumWidth(80);

    m_fileRow = new QHBoxLayout;
    m_fileRow->addWidget(txtDatabaseFile, 1);
    m_fileRow->addWidget(cmdBrowseDatabase);

    m_form = new QFormLayout;
    m_form->addRow(QStringLiteral("Database Type:"), cmbProvider);
    m_form->addRow(QStringLiteral("Server Name:"), txtServerName);
    m_form->addRow(QStringLiteral("User Name:"), txtUserName);
    m_form->addRow(QStringLiteral("Password:"), txtPassword);
    m_form->addRow(QStringLiteral("Database:"), txtDatabase);
    m_form->addRow(QStringLiteral("Database File:"), m_fileRow);
    m_form->addRow(QStringLiteral("Connection Timeout:"), txtConnectionTimeOut);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmbProvider, &QComboBox::currentIndexChanged, this, &frmConnect::providerChanged);
    connect(cmdBrowseDatabase, &QPushButton::clicked, this, &frmConnect::browseDatabaseFile);
    connect(cmdOK, &QPushButton::clicked, this, &frmConnect::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConnect::cmdCancel_Click);
}

void frmConnect::providerChanged()
{
    const bool sqlite = cmbProvider->currentIndex() == SqliteProvider;
    for (QWidget *w : {txtServerName, txtUserName, txtPassword, txtDatabase})
        m_form->setRowVisible(w, !sqlite);
    m_form->setRowVisible(m_fileRow, sqlite);
}

void frmConnect::browseDatabaseFile()
{
    const QString path = m_prompts.getOpenFileName(
        QStringLiteral("Open Database File"), txtDatabaseFile->text(),
        QStringLiteral("SQLite Databases (*.db *.sqlite *.sqlite3);;All Files (*)"));
    if (!path.isEmpty())
        txtDatabaseFile->setText(path);
}

bool frmConnect::readTimeout(int *seconds)
{
    const QString text = txtConnectionTimeOut->text().trimmed();
    if (text.isEmpty()) {
        *seconds = DefaultConnectionTimeout;
        return true;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value <= 0) {
        m_prompts.message(MessageKind::Critical,
                          QStringLiteral("Connection Timeout must be a whole number of seconds."));
        return false;
    }
    *seconds = value;
    return true;
}

void frmConnect::cmdOK_Click()
{
    QString connectionString;
    if (cmbProvider->currentIndex() == SqliteProvider) {
        const QString path = txtDatabaseFile->text().trimmed();
        if (path.isEmpty()) {
            m_prompts.message(MessageKind::Critical, QStringLiteral("Must enter a Database File"));
            return;
        }
        // Opening a file that is not there would silently create an empty
        // database that no import can use.
        if (!QFileInfo(path).isFile()) {
            m_prompts.message(MessageKind::Critical,
                              QStringLiteral("The database file does not exist:\r\n") + path);
            return;
        }
        connectionString = SqliteConnectionString(path);
    } else {
        // Only emptiness is checked; the values go in exactly as typed.
        if (txtServerName->text().isEmpty()) {
            m_prompts.message(MessageKind::Critical, QStringLiteral("Must enter a Server Name"));
            return;
        }
        if (txtDatabase->text().isEmpty()) {
            m_prompts.message(MessageKind::Critical, QStringLiteral("Must enter a Database Name"));
            return;
        }
        connectionString = SqlServerConnectionString(txtUserName->text(), txtPassword->text(),
                                                      txtDatabase->text(), txtServerName->text());
    }
    int timeout = DefaultConnectionTimeout;
    if (!readTimeout(&timeout))
        return;
    emit connectionStringBuilt(connectionString, timeout);
    accept();
}

void frmConnect::cmdCancel_Click()
{
    reject();
}

void frmConnect::reject()
{
    emit cancelled();
    QDialog::reject();
}

} // namespace vxr
