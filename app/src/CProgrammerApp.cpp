#include <app/AppTexts.h>
#include <app/CMainDialog.h>
#include <app/CProgrammerApp.h>
#include <app/ProgramChannel.h>
#include <app/ProgramOptions.h>
#include <app/SingleInstance.h>
#include <app/TerminationSignals.h>

#include <resources/Resources.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

namespace app {

int CProgrammerApp::Run(int& argc, char** argv)
{
    // Before anything is shown or loaded: a second copy ends here, silently.
    CSingleInstance instance;
    if (instance.Acquire() == InstanceState::AlreadyRunning)
        return 0;

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
    default:
        std::fprintf(stderr, ERROR_UNKNOWN_OPTION, program.constData(), error.c_str());
        std::fprintf(stderr, USAGE_TEXT, program.constData());
        return EXIT_USAGE;
    }
    if (options.help) {
        std::printf(USAGE_TEXT, program.constData());
        return 0;
    }

    // Before the channel looks for the driver host.
    UseDriverHostNearProgram(QFile::encodeName(QFileInfo(programPath).absolutePath()).toStdString());

    QApplication::setWindowIcon(resources::resourceIcon(resources::ICON_PROGRAM));
    widgets::installFontSubstitutions();
    QuitOnTerminationSignals(&application);
    {
        CMainDialog dialog(CreateProgramChannel(options), options.emulate);
        dialog.SetKeyEditor(CreateProgramKeyEditor());
        widgets::SetMainWindow(&dialog);
        if (!TerminationRequested())
            dialog.exec();
    }
    // Only now, with the driver removed by the window's channel: a new copy
    // started meanwhile must not load the driver while this one removes it.
    instance.Release();
    return 0;
}

} // namespace app
