#pragma once

#include "ToolWindow.h"

class QLabel;
class QPlainTextEdit;

namespace vxr {

class UserPrompts;

// The import log, read-only, in a window of the program's own: the newest
// run at the bottom, Refresh for a log that has grown, and the desktop's
// text editor one button away.
class LogViewer : public ToolWindow
{
    Q_OBJECT
public:
    LogViewer(QString path, UserPrompts &prompts, QWidget *owner);

    // Reads the log again and shows its end. False (with errorString()) when
    // it cannot be read; what was shown stays.
    bool reload();
    QString errorString() const { return m_error; }

    QPlainTextEdit *text() const { return m_text; }

    // The most of the log that is shown: the end of a larger file.
    static constexpr qint64 ShownBytes = 8 * 1024 * 1024;

private:
    void openInEditor();
    bool failed(const QString &reason);

    QString m_path;
    UserPrompts &m_prompts;
    QString m_error;
    QLabel *m_where = nullptr;
    QPlainTextEdit *m_text = nullptr;
};

} // namespace vxr
