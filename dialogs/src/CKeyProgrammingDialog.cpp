#include <dialogs/CKeyProgrammingDialog.h>

#include "CommandButtons.h"
#include "COnScreenKeyButton.h"

#include <dialogs/CSpinControl.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keycomposition/KeyCodes.h>
#include <widgets/ControlId.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/CStripButton.h>
#include <widgets/DialogUnits.h>
#include <widgets/PhysicalKeys.h>

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QTextCursor>

using namespace dialoglayout;
using dialogs::COnScreenKeyButton;
using dialogs::CSpinControl;
using dialogs::skinCommandButton;
using keycomposition::Mode;

namespace {

constexpr int BOLD_FONT_HEIGHT = 0; // the field's own size

QRect rectOf(const DialogPlace& place)
{
    return widgets::dialogRect(place.x, place.y, place.width, place.height);
}

QString qtText(const std::string& text)
{
    return QString::fromStdString(text);
}

template <typename Control> Control* placed(Control* control, const DialogPlace& place, int id = 0)
{
    control->setGeometry(rectOf(place));
    if (id != 0)
        widgets::setControlId(control, id);
    return control;
}

} // namespace

CKeyProgrammingDialog::CKeyProgrammingDialog(
    keydata::KeyTable& table, presenters::CFrontEndServices& services, QWidget* parent)
    : QDialog(parent)
    , m_presenter(static_cast<presenters::CKeyProgrammingView&>(*this), services, table)
{
    setWindowTitle(QString::fromLatin1(TEXT_KEY_DIALOG_TITLE));
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(KEY_DIALOG_WIDTH, KEY_DIALOG_HEIGHT));
    BuildControls();
}

CKeyProgrammingDialog::~CKeyProgrammingDialog() = default;

void CKeyProgrammingDialog::SetTitle(const QString& title)
{
    m_presenter.SetTitle(title.toStdString());
}

void CKeyProgrammingDialog::SetPosition(int row, int column)
{
    m_presenter.SetPosition(row, column);
}

void CKeyProgrammingDialog::BuildControls()
{
    // Group boxes are siblings drawn behind the controls, as in a template.
    placed(new QGroupBox(QString::fromLatin1(TEXT_KEYBOARD_GROUP), this), KEYBOARD_GROUP_PLACE);
    for (const OnScreenKey& key : onScreenKeys()) {
        QPushButton* button = isStripKey(key.id) ? static_cast<QPushButton*>(new widgets::CStripButton(this))
                                                 : new COnScreenKeyButton(this);
        // A caption is shown as it stands: "&" would mark a mnemonic.
        button->setText(QString::fromLatin1(key.caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
        button->setAccessibleName(QString::fromStdString(keycomposition::onScreenKeyName(key.id)));
        placed(button, key.place, key.id);
        if (auto* onScreen = dynamic_cast<COnScreenKeyButton*>(button))
            onScreen->FitCaption();
        const int id = key.id;
        connect(button, &QPushButton::clicked, this, [this, id] { m_presenter.OnKeyClicked(id); });
        m_controls.insert(id, button);
    }

    auto* keyDataLabel = placed(new QLabel(QString::fromLatin1(TEXT_KEY_DATA), this), KEY_DATA_LABEL_PLACE);
    m_keyData = placed(new QPlainTextEdit(this), KEY_DATA_PLACE, ID_KEY_DATA);
    // The text is made from the content, never typed: every key is captured.
    m_keyData->setReadOnly(true);
    m_keyData->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_keyData->setFocusPolicy(Qt::StrongFocus);
    m_keyData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_keyData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_keyData->setWordWrapMode(QTextOption::WrapAnywhere);
    m_keyData->setContextMenuPolicy(Qt::NoContextMenu);
    m_keyData->setAcceptDrops(false);
    m_keyData->installEventFilter(this);
    m_keyData->viewport()->installEventFilter(this);
    keyDataLabel->setBuddy(m_keyData);

    auto* deleteKey = placed(new widgets::CStripButton(this), DELETE_PLACE, ID_DELETE);
    deleteKey->setText(QString::fromLatin1(TEXT_DELETE_BUTTON));
    deleteKey->setAccessibleName(QString::fromLatin1(TIP_DELETE));
    connect(deleteKey, &QPushButton::clicked, this, [this] { m_presenter.OnDeleteClicked(); });

    auto* contentUse = placed(new QLabel(this), CONTENT_USE_PLACE, ID_CONTENT_USE);
    contentUse->setObjectName(QStringLiteral("contentUse"));
    contentUse->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* undo = placed(new QPushButton(QString::fromLatin1(TEXT_UNDO_BUTTON), this), UNDO_PLACE, ID_UNDO);
    undo->setObjectName(QStringLiteral("undo"));
    undo->setToolTip(QString::fromLatin1(TIP_UNDO));
    undo->setAutoDefault(false);
    undo->setFocusPolicy(Qt::NoFocus); // "Key Data" keeps the keyboard
    connect(undo, &QPushButton::clicked, this, [this] { m_presenter.OnUndo(); });
    // "Key Data" takes Ctrl+Z as keys to capture; elsewhere it undoes.
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this,
        [this] { m_presenter.OnUndo(); });

    placed(new QGroupBox(QString::fromLatin1(TEXT_OPERATION_GROUP), this), OPERATION_GROUP_PLACE);
    const auto field = [this](const char* label, const DialogPlace& labelPlace, const DialogPlace& place,
                           int id, const DialogPlace& spinPlace, int spinId) {
        auto* text = placed(new QLabel(QString::fromLatin1(label), this), labelPlace);
        auto* edit = placed(new QLineEdit(this), place, id);
        auto* spin = placed(new CSpinControl(this), spinPlace, spinId);
        spin->SetBuddy(edit);
        text->setBuddy(edit);
        edit->installEventFilter(this);
        m_controls.insert(spinId, spin);
        return std::pair { edit, spin };
    };
    const auto [delay, delaySpin]
        = field(TEXT_DELAY, DELAY_LABEL_PLACE, DELAY_PLACE, ID_DELAY, DELAY_SPIN_PLACE, ID_DELAY_SPIN);
    const auto [layer, layerSpin]
        = field(TEXT_LAYER, LAYER_LABEL_PLACE, LAYER_PLACE, ID_LAYER, LAYER_SPIN_PLACE, ID_LAYER_SPIN);
    m_delayEdit = delay;
    m_layerEdit = layer;
    connect(delaySpin, &CSpinControl::Stepped, this, [this](int delta) { m_presenter.OnDelayStep(delta); });
    connect(layerSpin, &CSpinControl::Stepped, this, [this](int delta) { m_presenter.OnLayerStep(delta); });

    placed(new QGroupBox(QString::fromLatin1(TEXT_MODE_GROUP), this), MODE_GROUP_PLACE);
    const auto radio = [this](const char* text, const DialogPlace& place, int id, Mode mode) {
        auto* button = placed(new QRadioButton(QString::fromLatin1(text), this), place, id);
        button->installEventFilter(this);
        connect(button, &QRadioButton::clicked, this, [this, mode] { m_presenter.OnModeClicked(mode); });
        m_controls.insert(id, button);
        return button;
    };
    radio(TEXT_STRING_MODE, STRING_MODE_PLACE, ID_STRING_MODE, Mode::String);
    radio(TEXT_FUNCTION_MODE, FUNCTION_MODE_PLACE, ID_FUNCTION_MODE, Mode::Function);
    radio(TEXT_LAYER_SWITCH, LAYER_SWITCH_PLACE, ID_LAYER_SWITCH, Mode::LayerSwitch);
    // Part of the template, without any behaviour.
    auto* combine = placed(
        new QRadioButton(QString::fromLatin1(TEXT_COMBINE_KEY), this), COMBINE_KEY_PLACE, ID_COMBINE_KEY);
    combine->setEnabled(false);
    combine->hide();

    auto* switchLayer = placed(new QComboBox(this), SWITCH_LAYER_PLACE, ID_SWITCH_LAYER);
    for (int number = 1; number <= SWITCH_LAYER_COUNT; ++number)
        switchLayer->addItem(QString::asprintf(TEXT_SWITCH_LAYER_ITEM, number));
    switchLayer->setCurrentIndex(-1);
    connect(switchLayer, &QComboBox::activated, this,
        [this](int index) { m_presenter.OnSwitchLayerChosen(index); });

    auto* ok = placed(new widgets::CSkinnedButton(QString::fromLatin1(TEXT_OK), this), OK_PLACE, ID_OK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CKeyProgrammingDialog::accept);
    auto* cancel = placed(
        new widgets::CSkinnedButton(QString::fromLatin1(TEXT_CANCEL), this), CANCEL_PLACE, ID_CANCEL);
    connect(cancel, &QPushButton::clicked, this, &CKeyProgrammingDialog::reject);

    for (QWidget* control : std::initializer_list<QWidget*> {
             m_keyData, deleteKey, contentUse, undo, m_delayEdit, m_layerEdit, switchLayer, ok, cancel })
        m_controls.insert(widgets::controlId(control), control);
}

void CKeyProgrammingDialog::showEvent(QShowEvent* event)
{
    if (!m_presenter.IsOpen()) {
        skinCommandButton(*static_cast<widgets::CSkinnedButton*>(m_controls.value(ID_OK)));
        skinCommandButton(*static_cast<widgets::CSkinnedButton*>(m_controls.value(ID_CANCEL)));
        m_presenter.Open();
        widgets::CColorFont bold(widgets::logicalFontOf(m_keyData->font()));
        bold.SetHeight(BOLD_FONT_HEIGHT);
        bold.SetBold(true);
        m_keyData->setFont(bold.Font());
        m_keyDataFont = bold;
    }
    QDialog::showEvent(event);
}

void CKeyProgrammingDialog::accept()
{
    m_presenter.OnOk();
}

void CKeyProgrammingDialog::reject()
{
    m_presenter.OnCancel();
}

void CKeyProgrammingDialog::done(int result)
{
    m_presenter.OnClosed();
    m_keyDataFont.reset();
    QDialog::done(result);
}

void CKeyProgrammingDialog::SetTitle(const std::string& title)
{
    setWindowTitle(qtText(title));
}

void CKeyProgrammingDialog::ShowKeyData(const std::string& latin1Text)
{
    m_keyData->setPlainText(QString::fromLatin1(latin1Text));
    m_keyData->moveCursor(QTextCursor::End);
    m_keyData->ensureCursorVisible();
}

void CKeyProgrammingDialog::SetFieldText(int id, const std::string& text)
{
    QWidget* control = m_controls.value(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(qtText(text));
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(qtText(text));
}

std::string CKeyProgrammingDialog::FieldText(int id) const
{
    const auto* edit = qobject_cast<const QLineEdit*>(m_controls.value(id));
    return edit ? edit->text().toStdString() : std::string();
}

void CKeyProgrammingDialog::CheckRadio(int id)
{
    if (auto* button = qobject_cast<QRadioButton*>(m_controls.value(id)))
        button->setChecked(true);
}

void CKeyProgrammingDialog::SelectSwitchLayer(int index)
{
    if (auto* combo = qobject_cast<QComboBox*>(m_controls.value(ID_SWITCH_LAYER)))
        combo->setCurrentIndex(index);
}

void CKeyProgrammingDialog::EnableControl(int id, bool enabled)
{
    if (QWidget* control = m_controls.value(id))
        control->setEnabled(enabled);
}

void CKeyProgrammingDialog::ShowStrip(int id, int bitmap, const std::string& tip)
{
    if (auto* strip = qobject_cast<widgets::CStripButton*>(m_controls.value(id))) {
        strip->LoadStrip(bitmap);
        strip->SetTip(qtText(tip));
        strip->update();
    }
}

void CKeyProgrammingDialog::FocusControl(int id, bool selectAll)
{
    QWidget* control = m_controls.value(id);
    if (!control)
        return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control); edit && selectAll)
        edit->selectAll();
}

void CKeyProgrammingDialog::MoveFocus(bool forward)
{
    focusNextPrevChild(forward);
}

void CKeyProgrammingDialog::Close(bool accepted)
{
    if (accepted)
        QDialog::accept();
    else
        QDialog::reject();
}

bool CKeyProgrammingDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_delayEdit || watched == m_layerEdit)) {
        m_presenter.OnFieldLeft(widgets::controlId(static_cast<QWidget*>(watched)));
        return false;
    }
    if (watched == m_keyData->viewport()) {
        // No context menu and no right-button selection in "Key Data".
        if (event->type() == QEvent::ContextMenu)
            return true;
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        return false;
    }
    if (qobject_cast<QRadioButton*>(watched) && event->type() == QEvent::KeyPress) {
        widgets::PhysicalKey key;
        return widgets::physicalKeyOf(event, key)
            && m_presenter.OnModeButtonKey(
                widgets::controlId(static_cast<QWidget*>(watched)), key.virtualKey);
    }
    if (watched == m_keyData && m_presenter.IsOpen())
        return OnKeyDataEvent(event);
    return QDialog::eventFilter(watched, event);
}

// Qt key events in "Key Data" as the platform's key messages.
bool CKeyProgrammingDialog::OnKeyDataEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    widgets::PhysicalKey key;
    const bool known = widgets::physicalKeyOf(*keyEvent, key);
    const bool systemKey = known
        ? (key.message == widgets::KeyMessage::SysKeyDown || key.message == widgets::KeyMessage::SysKeyUp)
        : keyEvent->modifiers().testFlag(Qt::AltModifier);
    if (type == QEvent::ShortcutOverride) {
        if (!m_presenter.TakesShortcut(systemKey))
            return false;
        event->accept();
        return true;
    }
    if (type == QEvent::KeyRelease) {
        if (keyEvent->isAutoRepeat())
            return true; // the platform's key-up comes once, at the real release
        return known && m_presenter.OnKeyDataKeyUp(key);
    }
    if (!known)
        return m_presenter.OnKeyDataUnknownKey(systemKey);
    return m_presenter.OnKeyDataKeyDown(key, keyEvent->modifiers().testFlag(Qt::ShiftModifier));
}
