#pragma once

#include "WizardPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vxr {

struct ImportSetup;
class ConnectionRow;
class FormatGroup;
class UserPrompts;

// Panel 1: the database, the text file, its delimiter and quote options, the
// destination table, the file's format, and the settings file to load.
class SetupPage : public WizardPage
{
    Q_OBJECT
public:
    SetupPage(ImportSetup &setup, UserPrompts &prompts, QWidget *parent);

    void showSetup() override;
    void enter() override;

    ConnectionRow *connection() const { return m_connection; }
    // The settings file loaded or saved last (or typed in), which the next
    // save writes; empty when there is none.
    void setSettingsFile(const QString &path);
    // Where a save writes: the settings file of the session, else one the
    // operator names (".imp" added when it has no extension), which becomes
    // the session's. Empty when the operator cancels.
    QString saveTarget();
    // The next step gets the keyboard: connecting, else moving on with next,
    // else naming the text file.
    void focusNextStep(QWidget *next);
    void focusFileName();

signals:
    // Another destination table was chosen; the mapping starts empty.
    void tableChanged();
    // The operator chose a settings file to load.
    void settingsFileChosen(const QString &path);

private:
    QLayout *buildTitle();
    QLayout *buildGrid();
    void fillLists();
    void onBrowseClicked();
    void onLoadClicked();
    void onTableChosen(int index);

    ImportSetup &m_setup;
    UserPrompts &m_prompts;
    QString m_settingsFile;
    ConnectionRow *m_connection;
    QLineEdit *m_fileName;
    QPushButton *m_browse;
    QComboBox *m_delimiter;
    QCheckBox *m_quote;
    QCheckBox *m_duplicate;
    QComboBox *m_table;
    FormatGroup *m_format;
    QLineEdit *m_settingsBox;
    QPushButton *m_load;
};

} // namespace vxr
