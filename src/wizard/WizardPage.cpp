#include "WizardPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace vxr {

WizardPage::WizardPage(const char *name, QWidget *parent) : QFrame(parent)
{
    setObjectName(QString::fromLatin1(name));
    setFrameShape(QFrame::NoFrame);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, bool wrap)
{
    auto *label = named(new QLabel(text, parent), name);
    label->setWordWrap(wrap);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *makeHeading(QWidget *parent, const char *name, const QString &text)
{
    QLabel *label = makeLabel(parent, name, text);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    label->setFont(font);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QPushButton(caption, parent), name);
}

QGridLayout *makeValueGrid(QWidget *parent, std::initializer_list<CaptionedValue> cells)
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    for (const CaptionedValue &cell : cells) {
        grid->addWidget(makeLabel(parent, cell.captionName, cell.caption), cell.row, cell.column);
        grid->addWidget(cell.value, cell.row, cell.column + 1);
    }
    return grid;
}

} // namespace vxr
