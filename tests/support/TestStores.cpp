#include "TestStores.h"

#include "database/StoreSchema.h"

namespace vxr::test {

TempSqliteStore::TempSqliteStore()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_dir.errorString();
        return;
    }
    m_path = m_dir.filePath(QStringLiteral("store.db"));
    createSqliteStore(m_path, &m_error);
}

QString TempSqliteStore::connectionString() const
{
    return QStringLiteral("Provider=SQLite;Data Source=") + m_path;
}

} // namespace vxr::test
