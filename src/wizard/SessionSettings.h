#pragma once

#include "import/ImportSetup.h"

#include <QString>

namespace vxr {

class FieldTable;
class UserPrompts;

// What Save, Save As and Exit know of the session's settings: the set-up as
// it stood when it was last loaded, saved or started afresh, which tells
// unsaved changes, and what a settings file on disk holds, which tells a
// save that would put another table, text file or database over it.
class SessionSettings
{
public:
    SessionSettings(const ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts)
        : m_setup(setup), m_fields(fields), m_prompts(prompts)
    {
    }

    // The set-up as it is now counts as saved.
    void markSaved() { m_saved = m_setup; }
    bool hasUnsavedChanges() const;
    // Exit: true when nothing is unsaved, or the operator lets it go.
    bool mayLeave();
    // Before the set-up is written to path: true when no settings file is
    // there, or it holds the same table, text file and database, or the
    // operator agrees to replace what it holds.
    bool mayWriteOver(const QString &path);
    // Writes the set-up to path and says whether it could; true when written.
    bool write(const QString &path);

private:
    const ImportSetup &m_setup;
    const FieldTable &m_fields;
    UserPrompts &m_prompts;
    ImportSetup m_saved;
};

} // namespace vxr
