#include "WizardFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QStringEncoder>
#include <QTableWidget>

namespace vxr::test {
namespace {

class Format : public WizardTest
{
protected:
    // Types a name into an editable list and leaves it, as the operator would.
    void type(const char *name, const QString &value)
    {
        auto *list = control<QComboBox>(name);
        list->setEditText(value);
        emit list->lineEdit()->editingFinished();
    }
    QString previewCell(int row, int column)
    {
        window->PreviewPaint();
        const QTableWidgetItem *item = control<QTableWidget>("msflexpreview")->item(row, column);
        return item ? item->text() : QString();
    }
};

TEST_F(Format, ThePreviewFollowsTheEncodingAndApostropheChoices)
{
    QStringEncoder windows1250("windows-1250");
    const QString file = writeFile(QStringLiteral("zakaznici.csv"),
                                   windows1250.encode(QStringLiteral(u"Dvo\u0159\u00E1k,O'Brien\r\n")));
    control<QLineEdit>("txtFileName")->setText(file);
    EXPECT_EQ(previewCell(0, 0), QStringLiteral(u"Dvo\u00F8\u00E1k")); // automatic: read as Windows-1252

    auto *encodings = control<QComboBox>("cmbEncoding");
    encodings->setCurrentIndex(encodings->findData(QStringLiteral("windows-1250")));
    emit encodings->activated(encodings->currentIndex());
    EXPECT_EQ(window->Reader.Encoding.name(), QStringLiteral("windows-1250"));
    EXPECT_EQ(previewCell(0, 0), QStringLiteral(u"Dvo\u0159\u00E1k"));
    EXPECT_EQ(previewCell(0, 1), QStringLiteral("O'Brien"));
    control<QCheckBox>("chkStripApostrophes")->click();
    EXPECT_EQ(previewCell(0, 1), QStringLiteral("OBrien"));

    // A typed name is used when it is known and refused when it is not.
    type("cmbEncoding", QStringLiteral("ISO-8859-2"));
    EXPECT_EQ(window->Reader.Encoding.name(), QStringLiteral("ISO-8859-2"));
    type("cmbEncoding", QStringLiteral("klingon-8"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("klingon-8")));
    EXPECT_EQ(window->Reader.Encoding.name(), QStringLiteral("ISO-8859-2"));
    EXPECT_EQ(encodings->currentText(), QStringLiteral("Central European (ISO-8859-2)"));
}

TEST_F(Format, RegionalSettingsDecideHowAmountsAreRead)
{
    auto *locales = control<QComboBox>("cmbLocale");
    EXPECT_TRUE(window->LocaleName.isEmpty());
    locales->setCurrentIndex(locales->findData(QStringLiteral("de_DE")));
    emit locales->activated(locales->currentIndex());
    EXPECT_EQ(window->Regional.DecimalSeparator, QStringLiteral(","));
    EXPECT_EQ(window->Regional.ThousandSeparator, QStringLiteral("."));
    type("cmbLocale", QStringLiteral("en_US"));
    EXPECT_EQ(window->Regional.DecimalSeparator, QStringLiteral("."));
    type("cmbLocale", QStringLiteral("nowhere"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(window->LocaleName, QStringLiteral("en_US"));
}

} // namespace
} // namespace vxr::test
