// CTipButton: a push button with its own tool tip (one tool, text and
// activation set with SetTip). CStripButton builds on it.
#pragma once

#include <QPushButton>
#include <QString>

namespace widgets {

class CTipButton : public QPushButton {
    Q_OBJECT
public:
    explicit CTipButton(QWidget* parent = nullptr);
    explicit CTipButton(const QString& text, QWidget* parent = nullptr);

    // A null text does nothing. Otherwise the button's one tool gets this
    // text (added on the first call, replaced on later ones) and the tool
    // tip is activated or deactivated.
    void SetTip(const QString& text, bool activate = true);

    int ToolCount() const { return m_hasTool ? 1 : 0; }
    QString TipText() const { return m_tipText; }
    bool IsTipActive() const { return m_tipActive; }

protected:
    // Tool tips follow the mouse through Qt's help events, which reach the
    // button without the relaying a message hook would need.
    bool event(QEvent* event) override;

private:
    bool m_hasTool = false;
    bool m_tipActive = false;
    QString m_tipText;
};

} // namespace widgets
