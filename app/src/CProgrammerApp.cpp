#include <app/AppTexts.h>
#include <app/CMainDialog.h>
#include <app/CProgrammerApp.h>
#include <app/CSingleInstance.h>
#include <app/ProgramChannel.h>
#include <app/ProgramOptions.h>
#include <app/TerminationSignals.h>

#include <resources/Resources.h>
#include <transfer/CKeyboardTransfer.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace app {

void BringToFront(QWidget* window)
{
    if (window != nullptr && window->isVisible()) {
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
    }
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != window) {
        modal->raise();
        modal->activateWindow();
    }
}

presenters::LoadFailureReason ProgramLoadFailureReason(const ProgramOptions& options)
{
    driverchannel::DriverBackendOptions backend;
    if (options.emulate)
        backend.emulatedKeyboardMemory = options.emulatedKeyboardMemory.empty()
            ? driverchannel::DefaultEmulatedKeyboardMemory()
            : options.emulatedKeyboardMemory;
    return [backend](const driverchannel::CDriverChannel& channel, int result) {
        return transfer::loadFailureReason(channel, backend, result, PROGRAM_NAME);
    };
}

int CProgrammerApp::Run(int& argc, char** argv)
{
    // Before anything is shown or loaded: a later copy ends here.
    CSingleInstance instance;
    switch (instance.Acquire()) {
    case InstanceState::AlreadyRunning: {
        const bool shown = instance.AskRunningCopyToShow(SHOW_REQUEST_LIMIT_MS);
        std::fprintf(stderr, shown ? MSG_ALREADY_RUNNING_SHOWN : MSG_ALREADY_RUNNING,
            programFileName(argc > 0 ? argv[0] : nullptr).c_str());
        return EXIT_ALREADY_RUNNING;
    }
    case InstanceState::Refused:
        std::fprintf(stderr, ERROR_LOCK_NOT_OWN, programFileName(argc > 0 ? argv[0] : nullptr).c_str(),
            instance.RefusedPath().c_str());
        return EXIT_LOCK_REFUSED;
    case InstanceState::Acquired:
    case InstanceState::Unavailable:
        break;
    }

    QApplication application(argc, argv);
    const QString programPath = QCoreApplication::applicationFilePath();
    // Every message box is captioned with this name.
    QCoreApplication::setApplicationName(
        QString::fromStdString(applicationNameOf(programPath.toStdString())));

    // Qt has taken its own options out of the arguments by now.
    std::vector<std::string> arguments;
    const QStringList given = QCoreApplication::arguments();
    for (qsizetype i = 1; i < given.size(); ++i)
        arguments.push_back(given[i].toLocal8Bit().toStdString());
    ProgramOptions options;
    std::string error;
    const QByteArray program = QFileInfo(programPath).fileName().toLocal8Bit();
    switch (parseProgramOptions(arguments, options, error)) {
    case OPTIONS_OK:
        break;
    case OPTIONS_EMPTY_MEMFILE:
        std::fprintf(stderr, ERROR_EMPTY_MEMFILE, program.constData());
        std::fprintf(stderr, USAGE_TEXT, program.constData());
        return EXIT_USAGE;
    case OPTIONS_EXTRA_FILE:
        std::fprintf(stderr, ERROR_EXTRA_FILE, program.constData(), error.c_str());
        std::fprintf(stderr, USAGE_TEXT, program.constData());
        return EXIT_USAGE;
    default:
        std::fprintf(stderr, ERROR_UNKNOWN_OPTION, program.constData(), error.c_str());
        std::fprintf(stderr, USAGE_TEXT, program.constData());
        return EXIT_USAGE;
    }
    if (options.help) {
        std::printf(USAGE_TEXT, program.constData());
        return 0;
    }

    QApplication::setWindowIcon(resources::resourceIcon(resources::ICON_PROGRAM));
    widgets::installFontSubstitutions();
    QuitOnTerminationSignals(&application);
    // Later copies ask for the window; until it exists, for the box that
    // its making may show.
    QPointer<QWidget> window;
    std::unique_ptr<QSocketNotifier> requests;
    if (const int listener = instance.Listen(); listener >= 0) {
        requests = std::make_unique<QSocketNotifier>(listener, QSocketNotifier::Read);
        QObject::connect(requests.get(), &QSocketNotifier::activated, requests.get(), [&instance, &window] {
            if (instance.TakeShowRequest())
                BringToFront(window);
        });
    }
    {
        CMainDialog dialog(CreateProgramChannel(options), options.emulate);
        dialog.Presenter().SetLoadFailureReason(ProgramLoadFailureReason(options));
        if (!options.file.empty())
            dialog.Presenter().SetStartFile(
                QFileInfo(QFile::decodeName(QByteArray::fromStdString(options.file)))
                    .absoluteFilePath()
                    .toStdString());
        window = &dialog;
        widgets::SetMainWindow(&dialog);
        if (!TerminationRequested())
            dialog.exec();
    }
    // Only now, with the driver removed by the window's channel: a new copy
    // started meanwhile must not load the driver while this one removes it.
    requests.reset();
    instance.Release();
    return 0;
}

} // namespace app
