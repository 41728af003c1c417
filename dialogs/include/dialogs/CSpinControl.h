// CSpinControl: the up-down control beside a number field. It keeps no
// value of its own: each step (a click on an arrow, or the Up and Down keys
// in its buddy field) is reported as Stepped(+1) or Stepped(-1), and the
// dialog decides what the step does.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace dialogs {

class CSpinControl : public QWidget {
    Q_OBJECT
public:
    explicit CSpinControl(QWidget* parent = nullptr);

    // The field whose Up and Down keys step too.
    void SetBuddy(QLineEdit* buddy);

    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

signals:
    void Stepped(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    QLineEdit* m_buddy = nullptr;
};

} // namespace dialogs
