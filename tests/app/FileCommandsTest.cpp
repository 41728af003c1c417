// "&Save to file...", "&Load from file..." and "&Config..." of the main
// window: the file dialogs answered through their seam, real files in a
// temporary folder.
#include "AppTestSupport.h"

#include <app/FileDialogs.h>

#include <keydata/KeyImage.h>
#include <tavrin/TavrinControl.h>
#include <widgets/ControlId.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace app;
using namespace app::test;
using widgets::MessageAnswer;
using widgets::MessageIcon;

namespace {

class FileCommandsTest : public MainDialogFixture {
protected:
    void SetUp() override
    {
        MainDialogFixture::SetUp();
        ASSERT_TRUE(folder.isValid());
        previousHook = SetFileDialogHook([this](const FileDialogRequest& request) {
            requests.push_back(request);
            return answer;
        });
        dialog = MakeDialog();
    }
    void TearDown() override { SetFileDialogHook(std::move(previousHook)); }

    QString Path(const QString& name) const { return folder.filePath(name); }

    static QByteArray ReadAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool WriteAll(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QTemporaryDir folder;
    QString answer; // the user's choice; empty: cancelled
    std::vector<FileDialogRequest> requests;
    FileDialogHook previousHook;
    std::unique_ptr<CMainDialog> dialog;
};

} // namespace

TEST_F(FileCommandsTest, SavingWritesTheDatFileAndTurnsTheProgrammedKeysBlack)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    dialog->KeyCap(1001)->SetCaptionColor(COLOR_KEY_CHANGED);
    answer = Path(QStringLiteral("keys"));
    dialog->CommandButton(IDC_SAVE_FILE)->click();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, FileDialogKind::Save);
    EXPECT_EQ(requests[0].filter, QStringLiteral("Keyboard data file (*.dat)"));
    EXPECT_EQ(requests[0].owner.data(), dialog.get());

    const QString saved = Path(QStringLiteral("keys.dat"));
    const std::vector<std::uint8_t> image = keydata::encodeImage(dialog->Table());
    EXPECT_EQ(
        ReadAll(saved), QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())));
    EXPECT_EQ(image.size(), 516u + 3u);
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_EQ(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_STORED);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, QStringLiteral("Save data to file %1 successful").arg(saved));
    EXPECT_EQ(seams.messages[0].icon, MessageIcon::None);
}

TEST_F(FileCommandsTest, NamesEndingInDatInAnyCaseKeepTheirSuffix)
{
    for (const char* name : { "upper.DAT", "mixed.Dat", "lower.dat" }) {
        answer = Path(QString::fromLatin1(name));
        dialog->OnSaveToFile();
        EXPECT_TRUE(QFile::exists(answer)) << name;
        EXPECT_FALSE(QFile::exists(answer + QStringLiteral(".dat"))) << name;
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(FileCommandsTest, CancellingEitherDialogDoesNothing)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    const keydata::KeyTable before = dialog->Table();
    answer.clear();
    dialog->OnSaveToFile();
    dialog->OnLoadFromFile(); // asks about the unsaved key first (Yes)
    EXPECT_EQ(requests.size(), 2u);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_TRUE(isDiscardQuestion(seams.messages[0]));
    EXPECT_EQ(dialog->Table(), before);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(FileCommandsTest, AFailedSaveIsNeverReportedAsSuccess)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    dialog->KeyCap(1001)->SetCaptionColor(COLOR_KEY_CHANGED);

    // No such folder: the file cannot be created.
    answer = Path(QStringLiteral("missing/keys"));
    dialog->OnSaveToFile();
    EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 fail").arg(answer + QStringLiteral(".dat")));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::None);

    // A name that leads to a device, or a FIFO: no key data file, not opened.
    const QString full = Path(QStringLiteral("full.dat"));
    const QString fifo = Path(QStringLiteral("fifo.dat"));
    ASSERT_EQ(::symlink("/dev/full", QFile::encodeName(full).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& name : { full, fifo }) {
        answer = name;
        dialog->OnSaveToFile();
        EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 fail").arg(answer));
        dialog->OnLoadFromFile();
        EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 fail").arg(answer));
    }

    // The disk fills up half-way (a file size limit stands in for it).
    answer = Path(QStringLiteral("limited.dat"));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    dialog->OnSaveToFile();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    const QString text = seams.LastText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Save data to file %1 fail: ").arg(answer)))
        << text.toStdString();
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
    EXPECT_EQ(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_CHANGED);
}

TEST_F(FileCommandsTest, ATableTooLongForAFileIsRefusedAndNothingIsWritten)
{
    // 516 + 31 x 255 = 8421 bytes of image.
    for (int id = 1001; id <= 1031; ++id)
        storeBytes(recordOf(*dialog, id), keydata::KIND_STRING, std::string(255, 'y'));
    dialog->KeyCap(1001)->SetCaptionColor(COLOR_KEY_CHANGED);
    answer = Path(QStringLiteral("long.dat"));
    ASSERT_TRUE(WriteAll(answer, QByteArrayLiteral("old")));
    dialog->OnSaveToFile();
    EXPECT_EQ(ReadAll(answer), QByteArrayLiteral("old"));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
    EXPECT_TRUE(seams.LastText().contains(QStringLiteral("8421 bytes"))) << seams.LastText().toStdString();
    EXPECT_EQ(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_CHANGED);
}

TEST_F(FileCommandsTest, LoadingAppliesTheFileAndRefreshesTheGrid)
{
    keydata::KeyTable stored;
    stored.mcrConfig = 0x03;
    storeBytes(stored.record(1, 0), keydata::KIND_STRING, "loaded");
    const std::vector<std::uint8_t> image = keydata::encodeImage(stored);
    answer = Path(QStringLiteral("upper.DAT"));
    ASSERT_TRUE(
        WriteAll(answer, QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()))));

    dialog->CommandButton(IDC_LOAD_FILE)->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, FileDialogKind::Open);
    EXPECT_EQ(requests[0].filter, QStringLiteral("Keyboard data file (*.DAT *.dat)"));
    EXPECT_EQ(dialog->Table(), stored);
    EXPECT_EQ(dialog->KeyCap(1020)->text(), QStringLiteral("20"));
    EXPECT_EQ(dialog->KeyCap(1020)->CaptionColor(), COLOR_KEY_STORED);
    EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 successful!").arg(answer));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::None);
}

TEST_F(FileCommandsTest, FilesThatAreNotSaveFilesLeaveTheTableAlone)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "kept");
    const keydata::KeyTable before = dialog->Table();

    answer = Path(QStringLiteral("short.dat"));
    ASSERT_TRUE(WriteAll(answer, QByteArray("\xFC\x00\x00", 3)));
    dialog->OnLoadFromFile();
    EXPECT_EQ(seams.LastText(), QStringLiteral("File %1 NOT a save file!").arg(answer));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);

    answer = Path(QStringLiteral("gone.dat"));
    dialog->OnLoadFromFile();
    EXPECT_EQ(seams.LastText(), QStringLiteral("Open file %1 fail").arg(answer));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::None);

    // Empty, and too long to be an image: nothing is said.
    seams.messages.clear();
    answer = Path(QStringLiteral("empty.dat"));
    ASSERT_TRUE(WriteAll(answer, QByteArray()));
    dialog->OnLoadFromFile();
    QByteArray tooLong(8001, '\x01');
    tooLong[0] = char(0xFC);
    tooLong[3] = char(0xFA);
    answer = Path(QStringLiteral("long.dat"));
    ASSERT_TRUE(WriteAll(answer, tooLong));
    dialog->OnLoadFromFile();
    // Only the questions about the unsaved key (Yes).
    EXPECT_EQ(seams.messages.size(), 2u);
    EXPECT_TRUE(std::ranges::all_of(seams.messages, isDiscardQuestion));
    EXPECT_EQ(dialog->Table(), before);
}

// The configuration dialog changes the settings bytes, which then travel
// with the next write and the next save; the grid is left as it was.
TEST_F(FileCommandsTest, TheConfigurationTravelsWithTheNextWriteAndSave)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    dialog->KeyCap(1001)->SetCaptionColor(COLOR_KEY_CHANGED);
    seams.onModal = [](QDialog& config) {
        config.show();
        for (int id : { 1155, 1160 }) // "Beep enable", "Track2 enable"
            qobject_cast<QCheckBox*>(widgets::findControl(&config, id))->click();
        config.accept();
        return config.result();
    };
    dialog->CommandButton(IDC_CONFIG)->click();
    ASSERT_EQ(seams.modalRuns.size(), 1u);
    EXPECT_EQ(seams.modalRuns[0].className, QStringLiteral("CConfigDialog"));
    EXPECT_EQ(seams.modalRuns[0].title, QStringLiteral("Config"));
    EXPECT_EQ(dialog->Table().systemConfig, 0x02);
    EXPECT_EQ(dialog->Table().mcrConfig, 0x0B);
    EXPECT_EQ(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_CHANGED); // no refresh

    platform.ioCalls.clear();
    dialog->OnWriteToKb();
    ASSERT_FALSE(platform.ioCalls.empty());
    const std::vector<std::uint8_t>& header = platform.ioCalls[0].input;
    ASSERT_EQ(header.size(), 8u);
    EXPECT_EQ(header[6], 0x02);
    EXPECT_EQ(header[7], 0x0B);

    answer = Path(QStringLiteral("config"));
    dialog->OnSaveToFile();
    EXPECT_EQ(ReadAll(Path(QStringLiteral("config.dat"))).left(3), QByteArray("\xFC\x02\x0B", 3));

    // Cancel keeps the bytes.
    seams.onModal = [](QDialog& config) {
        config.show();
        qobject_cast<QCheckBox*>(widgets::findControl(&config, 1161))->click();
        config.reject();
        return config.result();
    };
    dialog->OnConfig();
    EXPECT_EQ(dialog->Table().mcrConfig, 0x0B);
}
