#include "LogViewer.h"

#include "UserPrompts.h"

#include "text/TextEncoding.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vxr {

namespace {

// The log holds the program's own lines and the raw lines of the text files
// it imported, in whatever encoding those had: each line is decoded by
// itself, as UTF-8 when it is valid UTF-8, else as Windows-1252.
QString decodeLog(const QByteArray &bytes)
{
    FileDecoding decoding(TextEncoding(), bytes.left(4));
    QString text;
    text.reserve(bytes.size());
    QString line;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes.at(stop - 1) == '\r')
            --stop;
        decoding.decodeInto(QByteArrayView(bytes).sliced(start, stop - start), line);
        text += line;
        if (end < bytes.size())
            text += u'\n';
        start = end + 1;
    }
    return text;
}

} // namespace

LogViewer::LogViewer(QString path, UserPrompts &prompts, QWidget *owner)
    : ToolWindow("LogViewer", QStringLiteral("Import Log - ") + QFileInfo(path).fileName(), owner),
      m_path(std::move(path)), m_prompts(prompts)
{
    m_where = new QLabel(this);
    m_where->setTextFormat(Qt::PlainText);
    m_where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtLog"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    auto *editor = new QPushButton(QStringLiteral("Open in &Text Editor"), this);
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(refresh, QDialogButtonBox::ActionRole);
    buttons->addButton(editor, QDialogButtonBox::ActionRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_where);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);

    connect(refresh, &QPushButton::clicked, this, [this] {
        if (!reload())
            m_prompts.message(MessageKind::Exclamation, m_error);
    });
    connect(editor, &QPushButton::clicked, this, &LogViewer::openInEditor);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    placeOnScreen(QSize(900, 560));
}

bool LogViewer::failed(const QString &reason)
{
    m_error = QStringLiteral("The log file cannot be read:\r\n") + QDir::toNativeSeparators(m_path)
        + QStringLiteral("\r\n") + reason;
    return false;
}

bool LogViewer::reload()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    const qint64 size = file.size();
    const qint64 skipped = std::max<qint64>(0, size - ShownBytes);
    QByteArray bytes;
    if (file.seek(skipped))
        bytes = file.read(ShownBytes);
    if (file.error() != QFileDevice::NoError)
        return failed(file.errorString());
    QString text;
    if (skipped > 0) {
        // Start at a whole line.
        const qsizetype lineStart = bytes.indexOf('\n') + 1;
        bytes.remove(0, lineStart);
        text = QStringLiteral("(The start of the log, %1, is not shown here; open it in a text editor to see it.)\n")
                   .arg(QLocale().formattedDataSize(skipped + lineStart));
    }
    text += decodeLog(bytes);
    m_text->setPlainText(text);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
    m_text->moveCursor(QTextCursor::End);
    m_where->setText(QDir::toNativeSeparators(m_path) + QStringLiteral("  (")
                     + QLocale().formattedDataSize(size) + u')');
    m_error.clear();
    return true;
}

void LogViewer::openInEditor()
{
    if (!m_prompts.openExternally(m_path)) {
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("No text editor could be started for the log file. It is at:\r\n")
                              + QDir::toNativeSeparators(m_path));
    }
}

} // namespace vxr
