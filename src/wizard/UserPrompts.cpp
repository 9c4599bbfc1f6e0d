#include "UserPrompts.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <cstdio>

namespace vxr {

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Critical:
        return QMessageBox::Critical;
    case MessageKind::Exclamation:
        return QMessageBox::Warning;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

QString captionOrTitle(const QString &caption)
{
    return caption.isEmpty() ? applicationTitle() : caption;
}

} // namespace

void QtUserPrompts::message(MessageKind kind, const QString &text, const QString &caption)
{
    QMessageBox box(iconOf(kind), captionOrTitle(caption), text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtUserPrompts::disclaimer(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, m_parent);
    auto *doNotShow = new QCheckBox(QStringLiteral("Do not show this again"), &box);
    box.setCheckBox(doNotShow);
    box.exec();
    return doNotShow->isChecked();
}

bool QtUserPrompts::question(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtUserPrompts::getOpenFileName(const QString &title, const QString &initial, const QString &filter)
{
    // The dialog itself refuses names of files or folders that do not exist.
    return QFileDialog::getOpenFileName(m_parent, title, initial, filter);
}

QString QtUserPrompts::getSaveFileName(const QString &title, const QString &initial, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, title, initial, filter);
}

bool QtUserPrompts::openExternally(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void UnattendedPrompts::message(MessageKind, const QString &text, const QString &caption)
{
    const QByteArray line = (captionOrTitle(caption) + QStringLiteral(": ") + text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
}

} // namespace vxr
