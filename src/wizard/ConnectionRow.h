#pragma once

#include "database/DbConnection.h"

#include <QObject>
#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

namespace vxr {

struct DbError;
struct ImportSetup;
class ConnectDialog;
class UserPrompts;

// The database row of the set-up panel: the box holding the connection
// string (its password shown as "****"), Connect and Disconnect, the
// connection dialog behind them and the connection they open. The string is
// the set-up's; the open connection only tells the window that the database
// can be reached (every run opens one of its own).
class ConnectionRow : public QObject
{
    Q_OBJECT
public:
    // The controls are made on page, which lays them out; the dialog belongs
    // to page's window.
    ConnectionRow(ImportSetup &setup, UserPrompts &prompts, QWidget *page);

    QLineEdit *box() const { return m_box; }
    QPushButton *connectButton() const { return m_connect; }
    QPushButton *disconnectButton() const { return m_disconnect; }
    ConnectDialog *dialog() const { return m_dialog; }

    bool isConnected() const { return m_connection.isOpen(); }
    // The time-out the last connect used, for the runs to use too.
    int timeoutSeconds() const { return m_timeoutSeconds; }

    // Back on the set-up panel: the box, Connect and Disconnect are usable,
    // so that another database can be chosen.
    void makeUsable();
    // As it is after a connect, or before any when nothing is connected.
    void showConnectionState();
    // Offers the database a settings file names in the dialog, unless a
    // connection is open; the operator types the password or cancels.
    void offer(const QString &settingsFile);

public slots:
    void onConnectClicked();
    void onDisconnectClicked();

signals:
    // Opened (true) or closed, or an attempt failed (false).
    void connectedChanged(bool connected);

private:
    void openGiven();
    bool openFromDialog(const QString &connectionString, int timeoutSeconds, DbError *error);
    void showText(const QString &connectionString);
    void onBoxEdited(const QString &text);
    void setConnected(bool connected);

    ImportSetup &m_setup;
    DbConnection m_connection;
    int m_timeoutSeconds;
    QString m_shown; // what the box shows for the set-up's connection string
    QLineEdit *m_box;
    QPushButton *m_connect;
    QPushButton *m_disconnect;
    ConnectDialog *m_dialog;
};

} // namespace vxr
