#include "ConnectionRow.h"

#include "ConnectDialog.h"
#include "WizardPage.h"

#include "database/ConnectionString.h"
#include "database/DbError.h"
#include "import/ImportJob.h"
#include "import/ImportSetup.h"
#include "import/SetupFile.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

namespace vxr {

namespace {

QString passwordIn(const QString &connectionString)
{
    for (const ConnectionStringPart &part : parseConnectionString(connectionString))
        if (isPasswordKey(part.key))
            return part.value;
    return QString();
}

} // namespace

ConnectionRow::ConnectionRow(ImportSetup &setup, UserPrompts &prompts, QWidget *page)
    : QObject(page), m_setup(setup), m_timeoutSeconds(DefaultConnectTimeoutSeconds)
{
    m_box = named(new QLineEdit(page), "txtVXRDB");
    m_connect = makeButton(page, "cmdConnect", QStringLiteral("&Connect"));
    m_disconnect = makeButton(page, "cmdDisconnect", QStringLiteral("&Disconnect"));
    m_dialog = new ConnectDialog(
        prompts,
        [this](const QString &text, int timeout, DbError *error) { return openFromDialog(text, timeout, error); },
        page->window()); // usable whichever panel is on show
    connect(m_connect, &QPushButton::clicked, this, &ConnectionRow::onConnectClicked);
    connect(m_disconnect, &QPushButton::clicked, this, &ConnectionRow::onDisconnectClicked);
    connect(m_box, &QLineEdit::textChanged, this, &ConnectionRow::onBoxEdited);
    connect(m_box, &QLineEdit::returnPressed, this, &ConnectionRow::onConnectClicked);
    // Cancelling the dialog leaves Disconnect usable only for an open connection.
    connect(m_dialog, &ConnectDialog::cancelled, this, [this] { m_disconnect->setEnabled(isConnected()); });
}

void ConnectionRow::makeUsable()
{
    for (QWidget *control : {static_cast<QWidget *>(m_box), static_cast<QWidget *>(m_connect),
                             static_cast<QWidget *>(m_disconnect)})
        control->setEnabled(true);
}

void ConnectionRow::showConnectionState()
{
    m_connect->setEnabled(!isConnected());
    m_box->setEnabled(!isConnected());
    m_disconnect->setEnabled(isConnected());
}

void ConnectionRow::offer(const QString &settingsFile)
{
    if (isConnected())
        return;
    const QString named = readSetupConnection(settingsFile);
    if (!named.isEmpty())
        m_dialog->offerConnection(named);
}

void ConnectionRow::showText(const QString &connectionString)
{
    m_setup.connectionString = connectionString;
    m_shown = withPasswordShownAs(connectionString, passwordMask());
    m_box->setText(m_shown);
    // A long string shows from its start, and in full when pointed at.
    m_box->setCursorPosition(0);
    m_box->setToolTip(m_shown);
}

// Text typed or set into the box is the connection string. Where it still
// shows the mask in place of a password, the password it stands for is kept,
// so that correcting the server name does not lose it.
void ConnectionRow::onBoxEdited(const QString &text)
{
    if (text == m_shown)
        return;
    QString connection = text;
    const QString oldPassword = passwordIn(m_setup.connectionString);
    const QList<ConnectionStringPart> parts = parseConnectionString(text);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        if (isPasswordKey(part->key) && part->value == passwordMask() && !oldPassword.isEmpty())
            connection.replace(part->valueFrom, part->valueTo - part->valueFrom, odbcValue(oldPassword));
    }
    m_setup.connectionString = connection;
    m_shown = text;
}

void ConnectionRow::onConnectClicked()
{
    if (m_setup.connectionString.isEmpty()) {
        // The dialog connects itself and stays open until it has or is cancelled.
        m_dialog->clearMessage();
        m_dialog->open();
        return;
    }
    openGiven();
}

void ConnectionRow::openGiven()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DbError error;
    const bool opened = m_connection.open(m_setup.connectionString, &error, m_timeoutSeconds);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        setConnected(false);
        // The dialog comes up filled from the string that failed, saying why;
        // what was typed into the box stays there.
        m_dialog->fillFrom(m_setup.connectionString);
        m_dialog->showFailure(error, m_setup.connectionString);
        m_dialog->open();
        return;
    }
    showText(m_setup.connectionString);
    setConnected(true);
}

bool ConnectionRow::openFromDialog(const QString &connectionString, int timeoutSeconds, DbError *error)
{
    if (!m_connection.open(connectionString, error, timeoutSeconds)) {
        setConnected(false);
        return false;
    }
    m_timeoutSeconds = timeoutSeconds;
    showText(connectionString);
    setConnected(true);
    return true;
}

void ConnectionRow::onDisconnectClicked()
{
    m_connection.close();
    showText(QString());
    m_connect->setEnabled(true);
    m_disconnect->setEnabled(false);
    emit connectedChanged(false);
}

// Opening closes the connection that was open, so a failed attempt leaves
// none: the buttons say so, whatever they said before. The box stays as it
// was after a failure, for the operator to correct.
void ConnectionRow::setConnected(bool connected)
{
    m_connect->setEnabled(!connected);
    m_disconnect->setEnabled(connected);
    if (connected)
        m_box->setEnabled(false);
    emit connectedChanged(connected);
}

} // namespace vxr
