#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QFormLayout;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace vxr {

struct DbError;
class UserPrompts;

// "Database Connect": the kind of database and its own fields (server, port,
// user, password and database; an ODBC data source; or the file of an
// embedded store). Connect (or Enter) builds the connection string and opens
// it through the opener it was given. A failed connect keeps the dialog open with
// what went wrong in plain words and the driver's own text under Details, so
// that the operator only corrects what was wrong. Passwords are never shown.
class ConnectDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens a connection string with a time-out in seconds; false with *error
    // filled when it could not be opened.
    using Opener = std::function<bool(const QString &connectionString, int timeoutSeconds, DbError *error)>;

    ConnectDialog(UserPrompts &prompts, Opener opener, QWidget *parent = nullptr);

    enum Provider { SqlServerProvider = 0, PostgresProvider = 1, DsnProvider = 2, SqliteProvider = 3 };

    // Chooses the kind of database and fills its fields from a connection
    // string, password included (a typed string that failed, for example).
    void fillFrom(const QString &connectionString);
    // Shows a failed connect of connectionString inside the dialog.
    void showFailure(const DbError &error, const QString &connectionString);
    // Removes what showFailure or a refused entry showed.
    void clearMessage();
    // Opens the dialog filled from a connection string a settings file
    // names, with a note saying so and the password (never stored) to type.
    void offerConnection(const QString &connectionString);

public slots:
    void onConnectClicked();
    void reject() override;

signals:
    // Cancel pressed or the dialog closed without connecting.
    void cancelled();

private:
    // The connection string the fields make, or empty with *problem filled
    // (and the field to correct focused) when something is missing.
    QString builtConnectionString(QString *problem);
    void buildControls();
    void buildMessageArea();
    void providerChanged();
    void browseDatabaseFile();
    void showMessage(const QString &text, const QString &details, bool failure = true);
    QLineEdit *passwordField() const;

    UserPrompts &m_prompts;
    Opener m_opener;
    QFormLayout *m_form = nullptr;
    QHBoxLayout *m_fileRow = nullptr;
    QComboBox *m_provider = nullptr;
    // SQL Server.
    QLineEdit *m_serverName = nullptr;
    QLineEdit *m_userName = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_database = nullptr;
    // PostgreSQL through ODBC.
    QLineEdit *m_pgServer = nullptr;
    QLineEdit *m_pgPort = nullptr;
    QLineEdit *m_pgUser = nullptr;
    QLineEdit *m_pgPassword = nullptr;
    QLineEdit *m_pgDatabase = nullptr;
    // Another ODBC data source.
    QComboBox *m_dataSource = nullptr;
    QLineEdit *m_dsnUser = nullptr;
    QLineEdit *m_dsnPassword = nullptr;
    // SQLite store file.
    QLineEdit *m_databaseFile = nullptr;
    QPushButton *m_browseDatabase = nullptr;
    QSpinBox *m_timeout = nullptr;
    // What went wrong.
    QFrame *m_message = nullptr;
    QLabel *m_messageIcon = nullptr;
    QLabel *m_messageText = nullptr;
    QToolButton *m_details = nullptr;
    QPlainTextEdit *m_detailsText = nullptr;
    QPushButton *m_connect = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace vxr
