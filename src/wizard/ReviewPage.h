#pragma once

#include "WizardPage.h"

class QCheckBox;
class QTableWidget;

namespace vxr {

struct ImportSetup;
class FieldTable;
class UserPrompts;

// Panel 3: the first lines of the text file split as the import will split
// them (the same reader set up the same way), under the names of the mapped
// fields, and whether the first line is skipped.
class ReviewPage : public WizardPage
{
    Q_OBJECT
public:
    ReviewPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent);

    void showSetup() override;
    // Reads the preview from the text file.
    void enter() override;

private:
    void fitColumns();

    ImportSetup &m_setup;
    const FieldTable &m_fields;
    UserPrompts &m_prompts;
    QTableWidget *m_preview;
    QCheckBox *m_skipFirstLine;
};

} // namespace vxr
