// What the main window adds so that nothing is lost by accident: the
// question before changes nothing holds are discarded, undo and redo of the
// table, the data area gauge, dropped files and the recent files.
#include "AppTestSupport.h"

#include <keylayout/TableJson.h>

#include <app/AppTexts.h>
#include <app/DataAreaGauge.h>
#include <app/FileDialogs.h>

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <widgets/ControlId.h>

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <string>

using namespace app;
using namespace app::test;
using widgets::MessageAnswer;
using widgets::MessageIcon;

namespace {

using Reply = driverchannel::testing::CFakeDriverPlatform::Reply;

constexpr char READ_QUESTION[] = "While reading keyboard data, Do NOT use your keyboard and mouse.\n"
                                 "\t\tAre you sure read data from keyboard now?";

class KeepingChangesTest : public MainDialogFixture {
protected:
    void SetUp() override
    {
        MainDialogFixture::SetUp();
        ASSERT_TRUE(folder.isValid());
        previousHook = SetFileDialogHook([this](const FileDialogRequest&) {
            ++fileDialogs;
            return answer;
        });
        dialog = MakeDialog();
    }
    void TearDown() override { SetFileDialogHook(std::move(previousHook)); }

    // The key editor stores text into the key of this key cap, as OK would.
    void Edit(int controlId, const std::string& text, std::uint8_t kind = keydata::KIND_STRING)
    {
        editorAction = [&](keydata::KeyRecord& record) { storeBytes(record, kind, text); };
        dialog->KeyCap(controlId)->click();
        editorAction = nullptr;
    }

    QString SaveFile(const QString& name, const keydata::KeyTable& table)
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(keydata::saveKeyFile(QFile::encodeName(path).toStdString(), table).ok());
        return path;
    }
    QString WriteText(const QString& name, const std::string& text)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), qint64(text.size()));
        return path;
    }

    void ReplyToRead(const keydata::KeyTable& keyboard)
    {
        const std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
        platform.replies.push_back(Reply { true, std::uint32_t(image.size()), image });
    }

    // A file dragged over the window and dropped: the drop goes to the
    // widget that took the drag.
    void Drop(const QString& path)
    {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &drop);
    }

    QTemporaryDir folder;
    QString answer; // the file dialog's answer
    int fileDialogs = 0;
    FileDialogHook previousHook;
    std::unique_ptr<CMainDialog> dialog;
};

} // namespace

// Each way of losing the table asks first when it has changes; No keeps
// window and table, Yes goes ahead as the command always did.
TEST_F(KeepingChangesTest, ChangesThatNothingHoldsAreAskedAboutBeforeTheyAreLost)
{
    struct Way {
        const char* name;
        const char* question;
        std::function<void(CMainDialog&)> act;
        std::function<bool(CMainDialog&)> wentAhead;
    };
    const auto closed = [](CMainDialog& window) { return !window.isVisible(); };
    const Way ways[] = {
        { "Quit", DISCARD_QUIT, [](CMainDialog& window) { window.CommandButton(IDC_QUIT)->click(); },
            closed },
        { "Escape", DISCARD_QUIT,
            [](CMainDialog& window) { QTest::keyClick(window.KeyCap(1001), Qt::Key_Escape); }, closed },
        { "close button", DISCARD_QUIT, [](CMainDialog& window) { window.close(); }, closed },
        { "Load", DISCARD_LOAD, [](CMainDialog& window) { window.OnLoadFromFile(); },
            [this](CMainDialog&) { return fileDialogs > 0; } },
        { "Read", DISCARD_READ, [](CMainDialog& window) { window.OnReadKbData(); },
            [this](CMainDialog&) { return seams.LastText() == QString::fromLatin1(READ_QUESTION); } },
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        dialog = MakeDialog();
        ASSERT_TRUE(showActive(*dialog));
        Edit(1023, "mine");
        const keydata::KeyTable edited = dialog->Table();
        seams.messages.clear();
        fileDialogs = 0;

        seams.messageAnswers = { MessageAnswer::No };
        way.act(*dialog);
        ASSERT_EQ(seams.messages.size(), 1u);
        EXPECT_EQ(seams.messages[0].text, QString::asprintf(MSG_DISCARD_CHANGES, way.question));
        EXPECT_EQ(seams.messages[0].icon, MessageIcon::Question);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(way.wentAhead(*dialog));
        EXPECT_EQ(dialog->Table(), edited);

        // Yes; the read's own question is then answered No.
        seams.messageAnswers = { MessageAnswer::Yes, MessageAnswer::No };
        way.act(*dialog);
        EXPECT_TRUE(way.wentAhead(*dialog));
        // Quitting asks only about the changes.
        if (std::string_view(way.name) == "Quit") {
            EXPECT_EQ(seams.messages.size(), 2u);
        }
    }
}

TEST_F(KeepingChangesTest, ATableTheKeyboardOrAFileHoldsHasNoChanges)
{
    EXPECT_FALSE(dialog->HasUnsavedChanges());
    Edit(1005, "x");
    EXPECT_TRUE(dialog->HasUnsavedChanges());
    dialog->Undo(); // back to what was held
    EXPECT_FALSE(dialog->HasUnsavedChanges());
    dialog->Redo();
    EXPECT_TRUE(dialog->HasUnsavedChanges());

    // Written and confirmed by the read-back.
    platform.replies.assign(130, Reply {});
    ReplyToRead(dialog->Table());
    dialog->OnWriteToKb();
    EXPECT_FALSE(dialog->HasUnsavedChanges());

    Edit(1005, "y");
    answer = folder.filePath(QStringLiteral("saved"));
    dialog->OnSaveToFile();
    EXPECT_FALSE(dialog->HasUnsavedChanges());

    Edit(1005, "z");
    keydata::KeyTable keyboard;
    storeBytes(keyboard.record(2, 2), keydata::KIND_STRING, "kb");
    ReplyToRead(keyboard);
    seams.messageAnswers = { MessageAnswer::Yes, MessageAnswer::Yes };
    dialog->OnReadKbData();
    EXPECT_EQ(dialog->Table(), keyboard);
    EXPECT_FALSE(dialog->HasUnsavedChanges());

    Edit(1005, "w");
    dialog->LoadFile(folder.filePath(QStringLiteral("saved.dat")));
    EXPECT_FALSE(dialog->HasUnsavedChanges());
    EXPECT_EQ(recordOf(*dialog, 1005).bytes().size(), 1u);
}

TEST_F(KeepingChangesTest, UndoAndRedoTakeBackEditsLoadsReadsAndTheConfiguration)
{
    ASSERT_TRUE(showActive(*dialog));
    EXPECT_FALSE(dialog->CanUndo());
    EXPECT_EQ(dialog->UndoText(), QStringLiteral("&Undo"));
    keydata::KeyTable loaded;
    storeBytes(loaded.record(0, 0), keydata::KIND_STRING, "file");
    const QString file = SaveFile(QStringLiteral("layout.dat"), loaded);
    keydata::KeyTable keyboard;
    storeBytes(keyboard.record(1, 1), keydata::KIND_FUNCTION, "\x1C");
    ReplyToRead(keyboard);

    std::vector<keydata::KeyTable> tables { dialog->Table() };
    Edit(1023, "typed");
    tables.push_back(dialog->Table());
    EXPECT_EQ(dialog->UndoText(), QStringLiteral("&Undo key 23"));
    seams.onModal = [](QDialog& config) {
        config.show();
        qobject_cast<QCheckBox*>(widgets::findControl(&config, 1155))->click(); // "Beep enable"
        config.accept();
        return int(QDialog::Accepted);
    };
    dialog->OnConfig();
    tables.push_back(dialog->Table());
    EXPECT_EQ(dialog->UndoText(), QStringLiteral("&Undo the configuration change"));
    dialog->OnReadKbData();
    tables.push_back(dialog->Table());
    EXPECT_EQ(dialog->UndoText(), QStringLiteral("&Undo reading the keyboard"));
    dialog->LoadFile(file);
    tables.push_back(dialog->Table());
    EXPECT_EQ(dialog->UndoText(), QStringLiteral("&Undo loading layout.dat"));

    // Back step by step: Ctrl+Z, the menu's action, Undo(); an undone key
    // turns red and shows its caption again.
    QTest::keyClick(dialog->KeyCap(1001), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dialog->Table(), tables[3]);
    EXPECT_EQ(dialog->KeyCap(1021)->text(), QStringLiteral("21"));
    EXPECT_EQ(dialog->KeyCap(1021)->CaptionColor(), COLOR_KEY_CHANGED);
    EXPECT_EQ(dialog->KeyCap(1001)->text(), QString());
    EXPECT_EQ(dialog->RedoText(), QStringLiteral("&Redo loading layout.dat"));
    std::unique_ptr<QMenu> menu(dialog->CreateContextMenu());
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 8);
    EXPECT_TRUE(entries[2]->isSeparator());
    EXPECT_EQ(entries[3]->text(), QStringLiteral("&Undo reading the keyboard"));
    EXPECT_EQ(entries[4]->text(), QStringLiteral("&Redo loading layout.dat"));
    EXPECT_EQ(entries[5]->text(), QString::fromLatin1(MENU_RECENT));
    EXPECT_TRUE(entries[6]->isSeparator());
    EXPECT_EQ(entries[7]->text(), QStringLiteral("&About Me..."));
    entries[3]->trigger();
    EXPECT_EQ(dialog->Table(), tables[2]);
    dialog->Undo();
    dialog->Undo();
    EXPECT_EQ(dialog->Table(), tables[0]);
    EXPECT_FALSE(dialog->CanUndo());

    // Forward again with both redo keys; a new edit drops what is left.
    QTest::keyClick(dialog->KeyCap(1001), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(dialog->KeyCap(1001), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialog->Table(), tables[2]);
    Edit(1040, "new");
    EXPECT_FALSE(dialog->CanRedo());
    dialog->Undo();
    EXPECT_EQ(dialog->Table(), tables[2]);
}

TEST_F(KeepingChangesTest, TheDataAreaGaugeWarnsBeforeAWriteWouldBeRefused)
{
    const CDataAreaGauge* gauge = dialog->DataAreaGauge();
    EXPECT_EQ(gauge->Text(), QStringLiteral("Keyboard data area: 0 of 3584 bytes used (0 %)"));
    EXPECT_EQ(gauge->GetLevel(), CDataAreaGauge::Level::Normal);

    // Each 255-byte key takes 256 bytes of the area.
    struct Step {
        int keys;
        const char* text;
        CDataAreaGauge::Level level;
    };
    const Step steps[] = {
        { 11, "Keyboard data area: 2816 of 3584 bytes used (79 %)", CDataAreaGauge::Level::Normal },
        { 12, "Keyboard data area: 3072 of 3584 bytes used (86 %)", CDataAreaGauge::Level::NearLimit },
        { 15, "Keyboard data area: 3840 of 3584 bytes used (108 %)", CDataAreaGauge::Level::Refused },
    };
    int programmed = 0;
    for (const Step& step : steps) {
        while (programmed < step.keys)
            Edit(1001 + programmed++, std::string(255, 'k'));
        EXPECT_EQ(gauge->Text(), QString::fromLatin1(step.text));
        EXPECT_EQ(gauge->GetLevel(), step.level);
    }
    EXPECT_TRUE(gauge->toolTip().contains(QStringLiteral("3584"))) << gauge->toolTip().toStdString();
    dialog->Undo();
    EXPECT_EQ(gauge->GetLevel(), CDataAreaGauge::Level::NearLimit);
}

TEST_F(KeepingChangesTest, DroppedFilesLoadAsLoadDoesAndJoinTheRecentFiles)
{
    keydata::KeyTable table;
    storeBytes(table.record(0, 3), keydata::KIND_STRING, "dat");
    const QString dat = SaveFile(QStringLiteral("drop.DAT"), table);
    Drop(dat);
    EXPECT_EQ(dialog->Table(), table);
    EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 successful!").arg(dat));
    EXPECT_EQ(dialog->KeyCap(1004)->text(), QStringLiteral("4"));

    // A JSON layout as lodemar-cli exports it.
    storeBytes(table.record(1, 0), keydata::KIND_FUNCTION, "\x12\x1C");
    const QString json = WriteText(QStringLiteral("layout.json"), keylayout::exportJson(table));
    Drop(json);
    EXPECT_EQ(dialog->Table(), table);
    EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 successful!").arg(json));
    EXPECT_EQ(dialog->RecentFiles().mid(0, 2), QStringList({ json, dat }));

    // Layouts that are no key table change nothing, with the reason.
    const struct {
        const char* name;
        std::string text;
        const char* why;
    } bad[] = {
        { "broken.json", "{\"keys\": [", "It is not valid JSON." },
        { "key.json",
            R"({"systemConfig": 3, "mcrConfig": 15, "keys": [{"keyNumber": 5, "kind": 3, "content": "zz"}]})",
            "Key number 5: content must be a string of hexadecimal byte pairs." },
    };
    for (const auto& layout : bad) {
        const QString path = WriteText(QString::fromLatin1(layout.name), layout.text);
        Drop(path);
        EXPECT_EQ(seams.LastText(),
            QStringLiteral("File %1 NOT a save file!\n\n%2").arg(path, QString::fromLatin1(layout.why)));
        EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
        EXPECT_EQ(dialog->Table(), table);
    }

    // A recent file from the menu, after the question about an edit.
    Edit(1050, "edit");
    seams.messages.clear();
    std::unique_ptr<QMenu> menu(dialog->CreateContextMenu());
    QMenu* recent = menu->actions()[5]->menu();
    ASSERT_NE(recent, nullptr);
    ASSERT_GE(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[1]->text(), QStringLiteral("&2 %1").arg(dat));
    recent->actions()[1]->trigger();
    ASSERT_EQ(seams.messages.size(), 2u);
    EXPECT_TRUE(isDiscardQuestion(seams.messages[0]));
    EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 successful!").arg(dat));
    EXPECT_EQ(recordOf(*dialog, 1050).bytes().size(), 0u);
    EXPECT_EQ(dialog->RecentFiles().front(), dat);
}
