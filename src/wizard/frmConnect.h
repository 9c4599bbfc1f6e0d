#pragma once

#include <QDialog>

class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;

namespace vxr {

class UserPrompts;

// The connection string of a SQL Server database, values inserted as typed.
QString SqlServerConnectionString(const QString &user, const QString &password, const QString &database,
                                  const QString &server);
// The connection string of the embedded store in a database file.
QString SqliteConnectionString(const QString &path);

constexpr int DefaultConnectionTimeout = 15;

// "Database Connect": asks for server, user, password and database (or for
// the file of an embedded store) and hands back the connection string. The
// dialog keeps what was typed between showings, so that after a failed
// connect the operator only corrects what was wrong.
class frmConnect : public QDialog
{
    Q_OBJECT
public:
    explicit frmConnect(UserPrompts &prompts, QWidget *parent = nullptr);

    enum Provider { SqlServerProvider = 0, SqliteProvider = 1 };

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void reject() override;

signals:
    // OK pressed with valid values.
    void connectionStringBuilt(const QString &connectionString, int timeoutSeconds);
    // Cancel pressed or the dialog closed without OK.
    void cancelled();

private:
    void buildControls();
    void providerChanged();
    void browseDatabaseFile();
    bool readTimeout(int *seconds);

    UserPrompts &m_prompts;
    QFormLayout *m_form = nullptr;
    QHBoxLayout *m_fileRow = nullptr;
    QComboBox *cmbProvider = nullptr;
    QLineEdit *txtServerName = nullptr;
    QLineEdit *txtUserName = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLineEdit *txtDatabase = nullptr;
    QLineEdit *txtDatabaseFile = nullptr;
    QPushButton *cmdBrowseDatabase = nullptr;
    QLineEdit *txtConnectionTimeOut = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};

} // namespace vxr
