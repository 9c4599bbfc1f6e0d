#pragma once

#include "WizardPage.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QListWidget;
class QTableView;

namespace vxr {

struct ImportSetup;
class FieldTable;
class MappingModel;
class UserPrompts;

// Panel 2: the grid of text positions with the field mapped to each, and the
// destination table's fields beside it. A double-click on a field maps it to
// the grid's current position and moves on to the next one; a double-click
// on the grid unmaps that position. Fields already mapped are dimmed in the
// list. The keyboard maps too: Enter or Space in the list, the filter box or
// the grid assigns the selected field, Delete (or Backspace) in the grid
// removes it, and the arrow keys in the filter box move along the list.
// Typing in the filter box selects the field the text picks (see
// FieldSearch.h), or none when several fit equally well. Column names of the
// first line that only suggest a field (see HeaderGuess.h) are shown beside
// the grid until the operator accepts them.
class MappingPage : public WizardPage
{
    Q_OBJECT
public:
    MappingPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent);

    void showSetup() override;
    // Selects position 1 and reads the sample column from the text file.
    void enter() override;
    // The fields of the table the set-up now has, and its (empty) mapping.
    void showTableFields();

    // The grid's current text position (1 to 52).
    int currentPosition() const;
    void selectPosition(int position);
    // Maps the positions left unmapped whose column name in the text file's
    // first line is a field's own name, and shows the fields the other
    // names suggest; with tell, names that do neither are listed to the
    // operator.
    void mapFromHeader(bool tell);

public slots:
    // Maps the field selected in the list to the current position, unless
    // it is mapped already, and moves on to the next position.
    void assignSelectedField();
    // Maps the suggested fields still free to their positions.
    void acceptSuggestions();

private:
    QLayout *buildLists();
    void fitColumns();
    void fillSamples();
    void markAssignedFields();
    void unmapCurrent();
    void showSuggestionCount();
    void onFirstLineToggled(bool names);
    void filterFields(const QString &text);
    void stepFieldList(int step);
    bool eventFilter(QObject *watched, QEvent *event) override;

    ImportSetup &m_setup;
    const FieldTable &m_fields;
    UserPrompts &m_prompts;
    MappingModel *m_model;
    QTableView *m_grid;
    QLineEdit *m_filter;
    QListWidget *m_fieldList;
    QCheckBox *m_firstLine;
    QLabel *m_searchNote;
    QLabel *m_suggestionNote;
    QPushButton *m_acceptSuggestions;
    QString m_suggestedFrom; // the text file whose first line made the suggestions
};

} // namespace vxr
