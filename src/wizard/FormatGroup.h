#pragma once

#include <QGroupBox>

class QCheckBox;
class QComboBox;

namespace vxr {

struct ImportSetup;
class UserPrompts;

// "Text file format" on the set-up panel: how the file's bytes are read (its
// encoding), how its amounts and dates are written (regional settings), and
// what happens to apostrophes and to values that cannot be read. A name
// typed into either list counts when the operator leaves it or presses
// Enter; one nobody knows is refused, and the list goes back to the set-up's.
class FormatGroup : public QGroupBox
{
    Q_OBJECT
public:
    FormatGroup(ImportSetup &setup, UserPrompts &prompts, QWidget *parent);

    void showSetup();

private:
    void fillLists();
    void onEncodingChosen();
    void onLocaleChosen();
    void showEncoding();
    void showLocale();

    ImportSetup &m_setup;
    UserPrompts &m_prompts;
    QComboBox *m_encoding;
    QComboBox *m_locale;
    QCheckBox *m_stripApostrophes;
    QCheckBox *m_strict;
    QCheckBox *m_rejectCut;
};

} // namespace vxr
