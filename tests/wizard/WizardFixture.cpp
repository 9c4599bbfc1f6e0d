#include "WizardFixture.h"

#include <QLineEdit>
#include <QListWidget>

namespace vxr::test {

void WizardTest::assign(const QString &fieldName)
{
    auto *list = control<QListWidget>("lstFields");
    const auto found = list->findItems(fieldName, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << fieldName.toStdString();
    list->setCurrentItem(found.first());
    window->lstFields_DblClick();
}

void WizardTest::connectTo(const QString &connectionString)
{
    control<QLineEdit>("txtVXRDB")->setText(connectionString);
    window->cmdConnect_Click();
}

} // namespace vxr::test
