#pragma once

#include "WizardPage.h"

#include "import/ImportSetup.h"

#include <QHash>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vxr {

class ConnectionRow;
class FieldTable;
class FormatGroup;
class UserPrompts;

// Panel 1: the database, the text file, its delimiter and quote options, the
// destination table, the file's format, and the settings file to load. When
// the text file's first lines split better at another delimiter than the
// chosen one, the panel says so and offers it. For a workbook (.xlsx, .ods)
// the panel lists its sheets to choose from.
class SetupPage : public WizardPage
{
    Q_OBJECT
public:
    SetupPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent);

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
    // Save As: always a name the operator gives, which becomes the
    // session's settings file once written. Empty when cancelled.
    QString saveAsTarget();
    // The next step gets the keyboard: connecting, else moving on with next,
    // else naming the text file.
    void focusNextStep(QWidget *next);
    void focusFileName();

signals:
    // Another destination table was chosen. The mapping starts empty, or as
    // it was when that table was last left in this set-up; leaving a mapping
    // is asked first.
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
    void onDelimiterChosen(int index);
    void onOtherDelimiterEdited(const QString &text);
    void showDelimiter();
    void showDelimiterOffer();
    void onUseOfferClicked();
    void showSheets();

    ImportSetup &m_setup;
    const FieldTable &m_fields;
    UserPrompts &m_prompts;
    // The mappings of the tables left in this set-up, by table id.
    QHash<int, std::array<int, MappingRows + 1>> m_leftMappings;
    int m_offeredCode = 0;
    QString m_settingsFile;
    ConnectionRow *m_connection;
    QLineEdit *m_fileName;
    QPushButton *m_browse;
    QComboBox *m_delimiter;
    QLineEdit *m_otherDelimiter;
    QLabel *m_sheetLabel;
    QComboBox *m_sheet;
    QLabel *m_offer;
    QPushButton *m_useOffer;
    QCheckBox *m_quote;
    QCheckBox *m_duplicate;
    QComboBox *m_table;
    FormatGroup *m_format;
    QLineEdit *m_settingsBox;
    QPushButton *m_load;
};

} // namespace vxr
