#pragma once

#include <QLabel>

namespace vxr {

// A file path on one line: shortened in the middle ("/home/…/items.csv")
// when it does not fit, in full as its tool tip, so that a long path never
// widens the window.
class PathLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PathLabel(QWidget *parent = nullptr);

    void setPath(const QString &path);
    QString path() const { return m_path; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showFitting();

    QString m_path;
};

} // namespace vxr
