#include "FormatGroup.h"

#include "UserPrompts.h"
#include "WizardPage.h"

#include "import/ImportSetup.h"
#include "import/PanelChoices.h"

#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QLocale>

namespace vxr {

namespace {

QComboBox *editableList(QWidget *parent, const char *name)
{
    auto *list = named(new QComboBox(parent), name);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMinimumWidth(260);
    return list;
}

// The entry whose caption is in the list's box, or the name typed there.
QString chosenName(const QComboBox *list)
{
    const QString text = list->currentText();
    const int index = list->findText(text);
    return index >= 0 ? list->itemData(index).toString() : text;
}

// The entry of this name, or the name itself when the list has none.
void showName(QComboBox *list, const QString &name)
{
    const QSignalBlocker quiet(list);
    const int index = list->findData(name, Qt::UserRole, Qt::MatchFixedString);
    if (index >= 0)
        list->setCurrentIndex(index);
    else
        list->setEditText(name);
}

} // namespace

FormatGroup::FormatGroup(ImportSetup &setup, UserPrompts &prompts, QWidget *parent)
    : QGroupBox(QStringLiteral("Text file format"), parent), m_setup(setup), m_prompts(prompts)
{
    setObjectName(QStringLiteral("fraFormat"));
    m_encoding = editableList(this, "cmbEncoding");
    m_locale = editableList(this, "cmbLocale");
    m_stripApostrophes = named(
        new QCheckBox(QStringLiteral("Remove apostrophes from values, as earlier imports did (O'Brien becomes OBrien)."),
                      this),
        "chkStripApostrophes");
    m_strict = named(new QCheckBox(QStringLiteral("Reject lines whose numbers or dates cannot be read."), this),
                     "chkStrict");
    m_rejectCut = named(new QCheckBox(QStringLiteral("Reject lines whose text is longer than its column, instead of "
                                                     "cutting it."),
                                      this),
                        "chkRejectCut");

    auto *grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(8);
    grid->addWidget(makeLabel(this, "lblEncoding", QStringLiteral("Encoding:")), 0, 0);
    grid->addWidget(m_encoding, 0, 1, Qt::AlignLeft);
    grid->addWidget(makeLabel(this, "lblLocale", QStringLiteral("Regional settings:")), 1, 0);
    grid->addWidget(m_locale, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_stripApostrophes, 2, 0, 1, 2);
    grid->addWidget(m_strict, 3, 0, 1, 2);
    grid->addWidget(m_rejectCut, 4, 0, 1, 2);
    fillLists();

    connect(m_encoding, &QComboBox::activated, this, &FormatGroup::onEncodingChosen);
    connect(m_encoding->lineEdit(), &QLineEdit::editingFinished, this, &FormatGroup::onEncodingChosen);
    connect(m_locale, &QComboBox::activated, this, &FormatGroup::onLocaleChosen);
    connect(m_locale->lineEdit(), &QLineEdit::editingFinished, this, &FormatGroup::onLocaleChosen);
    connect(m_stripApostrophes, &QCheckBox::toggled, this, [this](bool on) { m_setup.stripApostrophes = on; });
    connect(m_strict, &QCheckBox::toggled, this, [this](bool on) { m_setup.strictValues = on; });
    connect(m_rejectCut, &QCheckBox::toggled, this, [this](bool on) { m_setup.rejectCut = on; });
}

void FormatGroup::fillLists()
{
    for (const EncodingChoice &choice : encodingChoices())
        m_encoding->addItem(choice.caption, choice.name);
    // The C locale names no region; amounts and dates are then read as in
    // the United States.
    const QLocale system = QLocale::system();
    m_locale->addItem(system.language() == QLocale::C ? QStringLiteral("System (C: as en_US)")
                                                      : QStringLiteral("System (%1)").arg(system.name()),
                      QString());
    for (const QString &name : localeChoices()) {
        const QLocale locale(name);
        m_locale->addItem(QStringLiteral("%1 - %2 (%3)")
                              .arg(name, QLocale::languageToString(locale.language()),
                                   QLocale::territoryToString(locale.territory())),
                          name);
    }
}

void FormatGroup::showSetup()
{
    showEncoding();
    showLocale();
    const QSignalBlocker quietStrip(m_stripApostrophes);
    const QSignalBlocker quietStrict(m_strict);
    const QSignalBlocker quietCut(m_rejectCut);
    m_stripApostrophes->setChecked(m_setup.stripApostrophes);
    m_strict->setChecked(m_setup.strictValues);
    m_rejectCut->setChecked(m_setup.rejectCut);
}

void FormatGroup::showEncoding()
{
    showName(m_encoding, m_setup.encoding.name());
}

void FormatGroup::showLocale()
{
    showName(m_locale, m_setup.localeName);
}

void FormatGroup::onEncodingChosen()
{
    QString error;
    const std::optional<TextEncoding> encoding = TextEncoding::fromName(chosenName(m_encoding), &error);
    if (encoding)
        m_setup.encoding = *encoding;
    showEncoding();
    if (!encoding)
        m_prompts.message(MessageKind::Critical, sentence(error));
}

void FormatGroup::onLocaleChosen()
{
    const QString name = chosenName(m_locale).trimmed();
    const QString error = localeProblem(name);
    if (error.isEmpty())
        m_setup.localeName = name;
    showLocale();
    if (!error.isEmpty())
        m_prompts.message(MessageKind::Critical, sentence(error));
}

} // namespace vxr
