// CDataAreaGauge: how much of the keyboard's data area the key table's
// function and string contents take, as a line of text over a bar, in the
// main window's free top-left corner, coloured by the level the presenter
// gives (it warns as the table nears the limit and when it cannot be
// written), so that an overflow shows while editing rather than when a
// write is refused.
#pragma once

#include <presenters/CMainView.h>

#include <QWidget>

namespace app {

class CDataAreaGauge : public QWidget {
    Q_OBJECT
public:
    using Level = presenters::DataAreaLevel;

    explicit CDataAreaGauge(QWidget* parent = nullptr);

    void Show(const presenters::DataAreaLook& look);

    Level GetLevel() const { return m_look.level; }
    QString Text() const { return QString::fromStdString(m_look.text); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    presenters::DataAreaLook m_look;
};

} // namespace app
