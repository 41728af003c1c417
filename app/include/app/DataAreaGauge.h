// CDataAreaGauge: how much of the keyboard's data area the key table's
// function and string contents take, as a line of text over a bar, in the
// main window's free top-left corner. The colour warns as the table nears
// the limit and when it cannot be written, so that an overflow shows while
// editing rather than when a write is refused.
#pragma once

#include <keydata/KeyboardFit.h>

#include <QWidget>

namespace app {

class CDataAreaGauge : public QWidget {
    Q_OBJECT
public:
    enum class Level { Normal, NearLimit, Refused };
    // From this share of the data area on, the gauge warns.
    static constexpr int NEAR_LIMIT_PERCENT = 80;

    explicit CDataAreaGauge(QWidget* parent = nullptr);

    // Shows the fit check of the current table.
    void Show(const keydata::KeyboardFit& fit);

    Level GetLevel() const { return m_level; }
    QString Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Level m_level = Level::Normal;
    QString m_text;
    int m_permille = 0;
};

} // namespace app
