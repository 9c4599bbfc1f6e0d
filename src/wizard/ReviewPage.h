#pragma once

#include "WizardPage.h"

#include "import/PreviewCell.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QTableWidget;

namespace vxr {

struct ImportSetup;
struct PreviewCount;
class FieldTable;
class PreviewJob;
class UserPrompts;

// Panel 3: the first lines of the text file split as the import will split
// them (the same reader set up the same way), under the names of the mapped
// fields, and whether the first line is skipped. The lines show either as
// read or as the import would store them (numbers, dates, cut texts, the
// references found or added), problem cells marked; the problems of the
// whole file are counted in the background.
class ReviewPage : public WizardPage
{
    Q_OBJECT
public:
    ReviewPage(ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent);
    ~ReviewPage() override;

    void showSetup() override;
    // Reads the preview from the text file and starts the stored values.
    void enter() override;

protected:
    // A panel left may come back to another set-up: its count stops.
    void hideEvent(QHideEvent *event) override;

private:
    void showLines();
    void showStoredLines(const QList<PreviewLine> &lines);
    void showCount(const PreviewCount &count);
    void showFailure(const QString &why);
    void fitColumns();

    ImportSetup &m_setup;
    const FieldTable &m_fields;
    UserPrompts &m_prompts;
    QTableWidget *m_preview;
    QRadioButton *m_asRead;
    QRadioButton *m_asStored;
    QLabel *m_count;
    QLabel *m_unseen;
    QCheckBox *m_skipFirstLine;
    PreviewJob *m_job;
    QList<QStringList> m_read;
    QList<PreviewLine> m_stored;
};

} // namespace vxr
