#include <dialogs/KeyProgrammingDialog.h>

#include "CommandButtons.h"

#include <dialogs/DialogTexts.h>
#include <dialogs/SpinControl.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keycomposition/KeyMap.h>

#include <resources/ResourceIds.h>
#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>
#include <widgets/PhysicalKeys.h>
#include <widgets/SkinnedButton.h>
#include <widgets/StripButton.h>

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextCursor>

#include <chrono>

using namespace dialogs;
using namespace dialoglayout;
using namespace keycomposition;

namespace {

constexpr int BOLD_FONT_HEIGHT = 0; // the field's own size

// The six modifier buttons in the order of m_modifierButtons.
constexpr int MODIFIER_IDS[]
    = { KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT, KEY_LEFT_CTRL, KEY_RIGHT_CTRL, KEY_LEFT_ALT, KEY_RIGHT_ALT };
constexpr int STRIP_UNKNOWN = 0;
constexpr int STRIP_RELEASED = 1;
constexpr int STRIP_PUSHED = 2;

QRect rectOf(const DialogPlace& place)
{
    return widgets::dialogRect(place.x, place.y, place.width, place.height);
}

std::uint32_t monotonicTicks()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

enum class FieldCheck { Ok, NotUnsigned, OutOfRange };

// An unsigned decimal number, blanks around it allowed, as the field
// exchange reads it.
FieldCheck readUnsigned(const QString& text, unsigned maximum, unsigned& value)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return FieldCheck::NotUnsigned;
    unsigned long long number = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return FieldCheck::NotUnsigned;
        if (number <= maximum)
            number = number * 10 + static_cast<unsigned>(c.unicode() - '0');
    }
    if (number > maximum)
        return FieldCheck::OutOfRange;
    value = static_cast<unsigned>(number);
    return FieldCheck::Ok;
}

struct StripLook {
    int released;
    int pushed;
    const char* releasedTip;
    const char* pushedTip;
};

StripLook stripLookOf(Modifier modifier)
{
    switch (modifier) {
    case Modifier::Ctrl:
        return { resources::BITMAP_CTRL_RELEASED, resources::BITMAP_CTRL_PUSHED, TIP_CTRL_RELEASED,
            TIP_CTRL_PUSHED };
    case Modifier::Alt:
        return { resources::BITMAP_ALT_RELEASED, resources::BITMAP_ALT_PUSHED, TIP_ALT_RELEASED,
            TIP_ALT_PUSHED };
    case Modifier::Shift:
    case Modifier::None:
        break;
    }
    return { resources::BITMAP_SHIFT_RELEASED, resources::BITMAP_SHIFT_PUSHED, TIP_SHIFT_RELEASED,
        TIP_SHIFT_PUSHED };
}

constexpr int TWO_LINE_FONT_PIXELS = 10; // two lines of the 11-pixel font need 26 pixels
// Narrowest a one-line caption is drawn, in percent of its width.
constexpr int MIN_CAPTION_STRETCH = 75;
constexpr int CAPTION_STRETCH_STEP = 5;

// An on-screen key. Two-line captions (shifted over unshifted) are drawn a
// pixel smaller, so that both lines fit a 15-unit key.
class COnScreenKeyButton : public QPushButton {
public:
    using QPushButton::QPushButton;

    // A one-line caption wider than the key's label area ("Hom", "Num" in
    // the dialog font) would be cut at both sides: it is drawn narrower, at
    // the same height. Called once the key has its caption and size.
    void FitCaption()
    {
        if (text().contains(QLatin1Char('\n')))
            return;
        QStyleOptionButton option;
        initStyleOption(&option);
        const int room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).width();
        QFont fitted = font();
        for (int stretch = QFont::Unstretched; stretch >= MIN_CAPTION_STRETCH;
             stretch -= CAPTION_STRETCH_STEP) {
            fitted.setStretch(stretch);
            if (QFontMetrics(fitted).boundingRect(text()).width() <= room)
                break;
        }
        if (fitted.stretch() != QFont::Unstretched)
            setFont(fitted);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QStringList lines = text().split(QLatin1Char('\n'));
        if (lines.size() < 2) {
            QPushButton::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);

        QFont small = font();
        small.setPixelSize(TWO_LINE_FONT_PIXELS);
        painter.setFont(small);
        const QFontMetrics metrics(small);
        const int step = metrics.height();
        const int textHeight = step * int(lines.size() - 1) + metrics.height();
        const int shift = isDown() ? 1 : 0;
        int baseline = (height() - textHeight) / 2 + metrics.ascent() + shift;
        painter.setPen(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        for (const QString& line : lines) {
            painter.drawText(QPoint((width() - metrics.horizontalAdvance(line)) / 2 + shift, baseline), line);
            baseline += step;
        }
    }
};

} // namespace

CKeyProgrammingDialog::CKeyProgrammingDialog(keydata::KeyTable& table, QWidget* parent)
    : QDialog(parent)
    , m_table(table)
    , m_ticks(monotonicTicks)
{
    setWindowTitle(QString::fromLatin1(TEXT_KEY_DIALOG_TITLE));
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(KEY_DIALOG_WIDTH, KEY_DIALOG_HEIGHT));
    BuildControls();
}

CKeyProgrammingDialog::~CKeyProgrammingDialog() = default;

void CKeyProgrammingDialog::SetTitle(const QString& title)
{
    m_title = title;
}

void CKeyProgrammingDialog::SetPosition(int row, int column)
{
    m_row = row;
    m_column = column;
}

void CKeyProgrammingDialog::SetTickSource(TickSource ticks)
{
    m_ticks = ticks ? std::move(ticks) : monotonicTicks;
}

keydata::KeyRecord* CKeyProgrammingDialog::Record() const
{
    if (!keydata::isTableSlot(m_row, m_column))
        return nullptr;
    return &m_table.record(m_row, m_column);
}

void CKeyProgrammingDialog::BuildControls()
{
    // Group boxes are siblings drawn behind the controls, as in a template.
    auto* keyboard = new QGroupBox(QString::fromLatin1(TEXT_KEYBOARD_GROUP), this);
    keyboard->setGeometry(rectOf(KEYBOARD_GROUP_PLACE));

    for (const OnScreenKey& key : onScreenKeys()) {
        QPushButton* button = nullptr;
        const Modifier modifier = modifierOf(key.id);
        if (modifier != Modifier::None || key.id == KEY_KEYPAD_ENTER) {
            auto* strip = new widgets::CStripButton(this);
            if (key.id == KEY_KEYPAD_ENTER)
                m_keypadEnter = strip;
            for (std::size_t i = 0; i < std::size(MODIFIER_IDS); ++i)
                if (MODIFIER_IDS[i] == key.id)
                    m_modifierButtons[i] = strip;
            button = strip;
        } else {
            button = new COnScreenKeyButton(this);
        }
        button->setText(QString::fromLatin1(key.caption));
        button->setGeometry(rectOf(key.place));
        if (auto* onScreen = dynamic_cast<COnScreenKeyButton*>(button))
            onScreen->FitCaption();
        widgets::setControlId(button, key.id);
        const int id = key.id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnKeyClicked(id); });
        m_keys.insert(id, button);
    }

    auto* keyDataLabel = new QLabel(QString::fromLatin1(TEXT_KEY_DATA), this);
    keyDataLabel->setGeometry(rectOf(KEY_DATA_LABEL_PLACE));
    m_keyData = new QPlainTextEdit(this);
    m_keyData->setGeometry(rectOf(KEY_DATA_PLACE));
    widgets::setControlId(m_keyData, ID_KEY_DATA);
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

    m_delete = new widgets::CStripButton(this);
    m_delete->setText(QString::fromLatin1(TEXT_DELETE_BUTTON));
    m_delete->setGeometry(rectOf(DELETE_PLACE));
    widgets::setControlId(m_delete, ID_DELETE);
    connect(m_delete, &QPushButton::clicked, this, [this] {
        const CKeyComposer::UndoStep step(m_composer);
        OnDelete();
    });

    m_contentUse = new QLabel(this);
    m_contentUse->setObjectName(QStringLiteral("contentUse"));
    widgets::setControlId(m_contentUse, ID_CONTENT_USE);
    m_contentUse->setGeometry(rectOf(CONTENT_USE_PLACE));
    m_contentUse->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_undo = new QPushButton(QString::fromLatin1(TEXT_UNDO_BUTTON), this);
    m_undo->setObjectName(QStringLiteral("undo"));
    widgets::setControlId(m_undo, ID_UNDO);
    m_undo->setGeometry(rectOf(UNDO_PLACE));
    m_undo->setToolTip(QString::fromLatin1(TIP_UNDO));
    m_undo->setAutoDefault(false);
    m_undo->setFocusPolicy(Qt::NoFocus); // "Key Data" keeps the keyboard
    connect(m_undo, &QPushButton::clicked, this, &CKeyProgrammingDialog::OnUndo);
    // "Key Data" takes Ctrl+Z as keys to capture; elsewhere it undoes.
    connect(
        new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, &CKeyProgrammingDialog::OnUndo);

    auto* operation = new QGroupBox(QString::fromLatin1(TEXT_OPERATION_GROUP), this);
    operation->setGeometry(rectOf(OPERATION_GROUP_PLACE));
    auto* delayLabel = new QLabel(QString::fromLatin1(TEXT_DELAY), this);
    delayLabel->setGeometry(rectOf(DELAY_LABEL_PLACE));
    m_delayEdit = new QLineEdit(this);
    m_delayEdit->setGeometry(rectOf(DELAY_PLACE));
    widgets::setControlId(m_delayEdit, ID_DELAY);
    m_delaySpin = new CSpinControl(this);
    m_delaySpin->setGeometry(rectOf(DELAY_SPIN_PLACE));
    m_delaySpin->SetBuddy(m_delayEdit);
    widgets::setControlId(m_delaySpin, ID_DELAY_SPIN);
    auto* layerLabel = new QLabel(QString::fromLatin1(TEXT_LAYER), this);
    layerLabel->setGeometry(rectOf(LAYER_LABEL_PLACE));
    m_layerEdit = new QLineEdit(this);
    m_layerEdit->setGeometry(rectOf(LAYER_PLACE));
    widgets::setControlId(m_layerEdit, ID_LAYER);
    m_layerSpin = new CSpinControl(this);
    m_layerSpin->setGeometry(rectOf(LAYER_SPIN_PLACE));
    m_layerSpin->SetBuddy(m_layerEdit);
    widgets::setControlId(m_layerSpin, ID_LAYER_SPIN);
    delayLabel->setBuddy(m_delayEdit);
    layerLabel->setBuddy(m_layerEdit);
    m_delayEdit->installEventFilter(this);
    m_layerEdit->installEventFilter(this);
    connect(m_delaySpin, &CSpinControl::Stepped, this, &CKeyProgrammingDialog::OnDelayStep);
    connect(m_layerSpin, &CSpinControl::Stepped, this, &CKeyProgrammingDialog::OnLayerStep);

    auto* modeGroup = new QGroupBox(QString::fromLatin1(TEXT_MODE_GROUP), this);
    modeGroup->setGeometry(rectOf(MODE_GROUP_PLACE));
    const auto makeRadio = [this](const char* text, const DialogPlace& place, int id) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), this);
        radio->setGeometry(rectOf(place));
        widgets::setControlId(radio, id);
        return radio;
    };
    m_stringMode = makeRadio(TEXT_STRING_MODE, STRING_MODE_PLACE, ID_STRING_MODE);
    m_functionMode = makeRadio(TEXT_FUNCTION_MODE, FUNCTION_MODE_PLACE, ID_FUNCTION_MODE);
    m_layerSwitch = makeRadio(TEXT_LAYER_SWITCH, LAYER_SWITCH_PLACE, ID_LAYER_SWITCH);
    // Part of the template, without any behaviour.
    QRadioButton* combine = makeRadio(TEXT_COMBINE_KEY, COMBINE_KEY_PLACE, ID_COMBINE_KEY);
    combine->setEnabled(false);
    combine->hide();
    m_stringMode->installEventFilter(this);
    m_functionMode->installEventFilter(this);
    connect(m_stringMode, &QRadioButton::clicked, this, [this] { OnModeClicked(Mode::String); });
    connect(m_functionMode, &QRadioButton::clicked, this, [this] { OnModeClicked(Mode::Function); });
    connect(m_layerSwitch, &QRadioButton::clicked, this, [this] { OnModeClicked(Mode::LayerSwitch); });

    m_switchLayer = new QComboBox(this);
    m_switchLayer->setGeometry(rectOf(SWITCH_LAYER_PLACE));
    for (int layer = 1; layer <= SWITCH_LAYER_COUNT; ++layer)
        m_switchLayer->addItem(QString::asprintf(TEXT_SWITCH_LAYER_ITEM, layer));
    m_switchLayer->setCurrentIndex(-1);
    widgets::setControlId(m_switchLayer, ID_SWITCH_LAYER);
    connect(m_switchLayer, &QComboBox::activated, this, &CKeyProgrammingDialog::OnSwitchLayerActivated);

    m_ok = new widgets::CSkinnedButton(QString::fromLatin1(TEXT_OK), this);
    m_ok->setGeometry(rectOf(OK_PLACE));
    m_ok->SetControlId(ID_OK);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CKeyProgrammingDialog::accept);
    m_cancel = new widgets::CSkinnedButton(QString::fromLatin1(TEXT_CANCEL), this);
    m_cancel->setGeometry(rectOf(CANCEL_PLACE));
    m_cancel->SetControlId(ID_CANCEL);
    connect(m_cancel, &QPushButton::clicked, this, &CKeyProgrammingDialog::reject);
}

void CKeyProgrammingDialog::showEvent(QShowEvent* event)
{
    if (!m_open)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CKeyProgrammingDialog::OnInitDialog()
{
    m_open = true;
    if (!m_title.isEmpty())
        setWindowTitle(m_title);

    m_keypadEnter->LoadStrip(KEYPAD_ENTER_STRIP);
    m_keypadEnter->SetTip(QString::fromLatin1(TIP_KEYPAD_ENTER));
    m_delete->LoadStrip(DELETE_STRIP);
    m_delete->SetTip(QString::fromLatin1(TIP_DELETE));
    skinCommandButton(*m_ok);
    skinCommandButton(*m_cancel);

    if (const keydata::KeyRecord* record = Record())
        m_composer.Open(*record);
    else
        m_composer.Open(keydata::KeyRecord {});
    ShowSwitchLayer();
    m_stripShown.fill(STRIP_UNKNOWN);
    ShowFields();

    widgets::CColorFont bold(widgets::logicalFontOf(m_keyData->font()));
    bold.SetHeight(BOLD_FONT_HEIGHT);
    bold.SetBold(true);
    m_keyData->setFont(bold.Font());
    m_keyDataFont = bold;
    m_keyData->setFocus(Qt::OtherFocusReason);
}

void CKeyProgrammingDialog::done(int result)
{
    m_open = false;
    m_keyDataFont.reset();
    QDialog::done(result);
}

void CKeyProgrammingDialog::accept()
{
    if (m_telling)
        return;
    if (!m_open)
        OnInitDialog(); // accepted without being shown: the key as it is
    // An invalid field keeps the dialog open after the delay went in.
    const CKeyComposer::UndoStep step(m_composer);
    // A value shown in Delay counts however it got there: typed (OK with a
    // click takes the focus from the field, Enter in the field does not) or
    // set with the spin arrows, which never take the focus.
    if (!OnDelayFocusOut())
        return;
    if (!ReadFields())
        return;
    if (keydata::KeyRecord* record = Record()) {
        if (m_composer.Store(*record) != keydata::KEYTABLE_OK) {
            Tell(QString::fromLatin1(TEXT_KEY_STRING_FULL));
            return;
        }
    }
    QDialog::accept();
}

bool CKeyProgrammingDialog::ReadFields()
{
    const auto read = [this](QLineEdit* field, unsigned maximum, unsigned& value) {
        const FieldCheck check = readUnsigned(field->text(), maximum, value);
        if (check == FieldCheck::Ok)
            return true;
        if (check == FieldCheck::NotUnsigned)
            Tell(QString::fromLatin1(TEXT_NOT_UNSIGNED), widgets::MessageIcon::Warning);
        else
            Tell(QString::fromLatin1(TEXT_OUT_OF_RANGE).arg(0).arg(maximum), widgets::MessageIcon::Warning);
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return false;
    };
    unsigned delay = 0;
    if (!read(m_delayEdit, MAX_DELAY, delay))
        return false;
    m_composer.SetDelay(delay);
    unsigned layer = 0;
    if (!read(m_layerEdit, MAX_LAYER, layer))
        return false;
    m_composer.SetLayer(layer);
    return true;
}

void CKeyProgrammingDialog::ShowFields()
{
    m_keyData->setPlainText(QString::fromLatin1(m_composer.Text()));
    m_keyData->moveCursor(QTextCursor::End);
    m_keyData->ensureCursorVisible();
    m_delayEdit->setText(QString::number(m_composer.Delay()));
    m_layerEdit->setText(QString::number(m_composer.Layer()));
    switch (m_composer.GetMode()) {
    case Mode::String:
        m_stringMode->setChecked(true);
        break;
    case Mode::Function:
        m_functionMode->setChecked(true);
        break;
    case Mode::LayerSwitch:
        m_layerSwitch->setChecked(true);
        break;
    case Mode::None:
        break;
    }
    ApplyPadState();
    ShowModifierStrips();
    m_contentUse->setText(QString::fromLatin1(TEXT_CONTENT_USE).arg(m_composer.ContentLength()));
    m_undo->setEnabled(m_composer.CanUndo());
}

void CKeyProgrammingDialog::ApplyPadState()
{
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it)
        it.value()->setEnabled(m_composer.IsControlEnabled(it.key()));
    for (QWidget* control : std::initializer_list<QWidget*> {
             m_keyData, m_delete, m_delayEdit, m_delaySpin, m_layerEdit, m_layerSpin, m_switchLayer })
        control->setEnabled(m_composer.IsControlEnabled(widgets::controlId(control)));
}

void CKeyProgrammingDialog::ShowModifierStrips()
{
    for (std::size_t i = 0; i < std::size(MODIFIER_IDS); ++i) {
        const int id = MODIFIER_IDS[i];
        const int shown = m_composer.IsModifierPushed(id) ? STRIP_PUSHED : STRIP_RELEASED;
        if (m_stripShown[i] == shown)
            continue;
        const StripLook look = stripLookOf(modifierOf(id));
        widgets::CStripButton* button = m_modifierButtons[i];
        const bool pushed = shown == STRIP_PUSHED;
        button->LoadStrip(pushed ? look.pushed : look.released);
        button->SetTip(QString::fromLatin1(pushed ? look.pushedTip : look.releasedTip));
        button->update();
        m_stripShown[i] = shown;
    }
}

void CKeyProgrammingDialog::Tell(const QString& text, widgets::MessageIcon icon)
{
    m_telling = true;
    widgets::ShowMessage(this, text, icon);
    m_telling = false;
    // The box had the keyboard: a modifier key released meanwhile sent its
    // key-up there. The platform knows which keys are still down.
    const Qt::KeyboardModifiers down = QGuiApplication::queryKeyboardModifiers();
    m_composer.ForgetReleasedModifierKeys(
        down.testFlag(Qt::ShiftModifier), down.testFlag(Qt::ControlModifier), down.testFlag(Qt::AltModifier));
    ShowModifierStrips();
}

void CKeyProgrammingDialog::Report(int result)
{
    if (result == COMPOSE_E_FULL)
        Tell(QString::fromLatin1(TEXT_KEY_STRING_FULL));
}

void CKeyProgrammingDialog::OnKeyClicked(int id)
{
    const CKeyComposer::UndoStep step(m_composer);
    Report(m_composer.Append(id));
    // The toggle runs after the append, refused or not.
    m_composer.ToggleModifier(id);
    ShowFields();
    if (lockCodeOf(id) && m_composer.IsLocked() && m_composer.GetPadState() == PadState::LockKey)
        m_keyData->setFocus(Qt::OtherFocusReason);
}

void CKeyProgrammingDialog::OnModeClicked(Mode mode)
{
    const CKeyComposer::UndoStep step(m_composer);
    ReadFields(); // Delay and Layer keep their values through a mode change
    m_composer.SelectMode(mode);
    if (mode == Mode::LayerSwitch)
        m_switchLayer->setCurrentIndex(0);
    ShowFields();
}

void CKeyProgrammingDialog::OnSwitchLayerActivated(int index)
{
    const CKeyComposer::UndoStep step(m_composer);
    m_composer.SelectSwitchLayer(index);
    ShowFields();
}

void CKeyProgrammingDialog::OnUndo()
{
    if (!m_open || m_telling || !m_composer.Undo())
        return;
    ShowSwitchLayer();
    ShowFields();
}

void CKeyProgrammingDialog::ShowSwitchLayer()
{
    m_switchLayer->setCurrentIndex(m_composer.GetMode() == Mode::LayerSwitch && !m_composer.IsLocked()
            ? m_composer.SwitchLayerIndex()
            : -1);
}

void CKeyProgrammingDialog::OnDelete()
{
    if (!ReadFields())
        return;
    m_composer.Delete();
    ShowFields();
}

void CKeyProgrammingDialog::OnDelayStep(int delta)
{
    if (!ReadFields())
        return;
    m_composer.StepDelay(delta);
    ShowFields();
}

void CKeyProgrammingDialog::OnLayerStep(int delta)
{
    if (!ReadFields())
        return;
    m_composer.StepLayer(delta);
    ShowFields();
}

bool CKeyProgrammingDialog::OnDelayFocusOut()
{
    if (!ReadFields())
        return false;
    const int result = m_composer.InsertDelay();
    Report(result);
    ShowFields();
    return result == COMPOSE_OK;
}

void CKeyProgrammingDialog::OnLayerFocusOut()
{
    // The typed layer is shown at once, as a spin step shows it.
    if (ReadFields())
        ShowFields();
}

bool CKeyProgrammingDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_delayEdit || watched == m_layerEdit)) {
        // Not while a message is up or the field's own handling moves the focus.
        if (m_open && !m_telling && !m_leavingField) {
            m_leavingField = true;
            if (watched == m_delayEdit) {
                const CKeyComposer::UndoStep step(m_composer);
                OnDelayFocusOut();
            } else {
                OnLayerFocusOut();
            }
            m_leavingField = false;
        }
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
    if ((watched == m_stringMode || watched == m_functionMode) && event->type() == QEvent::KeyPress) {
        widgets::PhysicalKey key;
        if (widgets::physicalKeyOf(event, key) && key.virtualKey == VK_RETURN) {
            m_keyData->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;
    }
    if (watched == m_keyData && m_open)
        return OnKeyDataEvent(event);
    return QDialog::eventFilter(watched, event);
}

bool CKeyProgrammingDialog::OnKeyDataEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    const CKeyComposer::UndoStep step(m_composer);
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    widgets::PhysicalKey key;
    const bool known = widgets::physicalKeyOf(*keyEvent, key);
    const bool alt = keyEvent->modifiers().testFlag(Qt::AltModifier);
    const bool systemKey = known
        ? (key.message == widgets::KeyMessage::SysKeyDown || key.message == widgets::KeyMessage::SysKeyUp)
        : alt;
    const bool function = m_composer.GetMode() == Mode::Function;

    if (type == QEvent::ShortcutOverride) {
        // Keys the capture takes must not trigger shortcuts first; system
        // keys outside Function Mode keep their mnemonics.
        if (systemKey && !function)
            return false;
        event->accept();
        return true;
    }
    if (type == QEvent::KeyRelease) {
        if (keyEvent->isAutoRepeat())
            return true; // the platform's key-up comes once, at the real release
        return known && OnKeyDataKeyUp(key);
    }
    if (!known) {
        if (systemKey && !function)
            return false;
        m_composer.ClearPressTimes();
        return true;
    }
    return OnKeyDataKeyDown(key, keyEvent->modifiers().testFlag(Qt::ShiftModifier));
}

bool CKeyProgrammingDialog::OnKeyDataKeyDown(const widgets::PhysicalKey& key, bool shifted)
{
    const int mapped = buttonOfVirtualKey(key.virtualKey);
    if (key.message == widgets::KeyMessage::SysKeyDown) {
        if (m_composer.GetMode() != Mode::Function)
            return false; // mnemonics
        if (key.virtualKey == VK_MENU)
            Report(m_composer.AltKeyDown(key.extended));
        // Alt with a letter: the letter's code after the Alt code.
        if (m_composer.AltState() == 0 && mapped != 0)
            Report(m_composer.Append(mapped));
        ShowFields();
        return true;
    }
    switch (key.virtualKey) {
    case VK_BACK:
        if (m_composer.GetMode() == Mode::String) {
            OnDelete();
            Report(m_composer.Append(mapped)); // the on-screen Backspace: disabled here
        } else {
            OnDoublePress(PressKey::Backspace, KEY_BACKSPACE, [this] { OnDelete(); });
        }
        break;
    case VK_TAB:
        OnDoublePress(PressKey::Tab, KEY_TAB, [this, shifted] { focusNextPrevChild(!shifted); });
        return true;
    case VK_RETURN:
        OnDoublePress(PressKey::Enter, KEY_ENTER, [this] { accept(); });
        return true;
    case VK_ESCAPE:
        OnDoublePress(PressKey::Escape, KEY_ESCAPE, [this] { reject(); });
        return true;
    case VK_SHIFT:
        Report(m_composer.ShiftKeyDown(key.extended));
        break;
    case VK_CONTROL:
        Report(m_composer.CtrlKeyDown(key.extended));
        break;
    default:
        m_composer.ClearPressTimes();
        if (mapped != 0)
            Report(m_composer.Append(mapped));
        break;
    }
    ShowFields();
    return true;
}

bool CKeyProgrammingDialog::OnKeyDataKeyUp(const widgets::PhysicalKey& key)
{
    if (key.message == widgets::KeyMessage::SysKeyUp) {
        if (key.virtualKey == VK_MENU) {
            Report(m_composer.AltKeyUp(key.extended));
            ShowFields();
        }
        return true; // every system key-up
    }
    if (key.virtualKey == VK_SHIFT)
        Report(m_composer.ShiftKeyUp(key.extended));
    else if (key.virtualKey == VK_CONTROL)
        Report(m_composer.CtrlKeyUp(key.extended));
    else
        return false;
    ShowFields();
    return true;
}

void CKeyProgrammingDialog::OnDoublePress(PressKey key, int buttonId, const std::function<void()>& action)
{
    switch (m_composer.DoublePress(key, m_ticks())) {
    case PressResult::Act:
        action();
        break;
    case PressResult::AppendKey:
        Report(m_composer.Append(buttonId));
        ShowFields();
        break;
    case PressResult::Wait:
        break;
    }
}
