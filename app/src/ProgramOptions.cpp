#include <app/AppTexts.h>
#include <app/ProgramOptions.h>

#include <lodemar/ExitCodes.h>
#include <lodemar/Version.h>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

namespace app {
namespace {

inline constexpr std::string_view OPTION_EMULATE = "--emulate";

} // namespace

int parseProgramOptions(
    const std::vector<std::string>& arguments, ProgramOptions& options, std::string& error)
{
    // QCommandLineParser knows no option whose value may be left out:
    // --emulate=MEMFILE is taken apart here, the parser sees --emulate.
    int result = OPTIONS_OK;
    QStringList given { QStringLiteral("lodemar") };
    for (const std::string& argument : arguments) {
        const std::string_view text = argument;
        if (text == OPTION_EMULATE) {
            options.emulatedKeyboardMemory.clear();
        } else if (text.size() > OPTION_EMULATE.size()
            && text.substr(0, OPTION_EMULATE.size()) == OPTION_EMULATE
            && text[OPTION_EMULATE.size()] == '=') {
            const std::string_view file = text.substr(OPTION_EMULATE.size() + 1);
            if (file.empty() && result == OPTIONS_OK) {
                error = argument;
                result = OPTIONS_EMPTY_MEMFILE;
            }
            options.emulatedKeyboardMemory.assign(file);
            given << QString::fromUtf8(OPTION_EMULATE.data(), static_cast<qsizetype>(OPTION_EMULATE.size()));
            continue;
        }
        given << QString::fromLocal8Bit(argument.c_str());
    }

    QCommandLineParser parser;
    const QCommandLineOption emulate(QStringLiteral("emulate"));
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({ emulate, help, version });
    const bool parsed = parser.parse(given);
    options.emulate = parser.isSet(emulate);
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (result != OPTIONS_OK)
        return result;
    if (!parsed) {
        // The argument as given, for the message.
        const QString unknown = parser.unknownOptionNames().value(0);
        error = unknown.toLocal8Bit().toStdString();
        for (const std::string& argument : arguments)
            if (argument == "-" + error || argument == "--" + error
                || argument.rfind("--" + error + "=", 0) == 0) {
                error = argument;
                break;
            }
        return OPTIONS_UNKNOWN;
    }
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        options.file = files.first().toLocal8Bit().toStdString();
    if (files.size() > 1) {
        error = files[1].toLocal8Bit().toStdString();
        return OPTIONS_EXTRA_FILE;
    }
    return OPTIONS_OK;
}

int AnswerBeforeQtStarts(int argc, char** argv)
{
    ProgramOptions options;
    std::string error;
    parseProgramOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options, error);
    const std::string program = programFileName(argc > 0 ? argv[0] : nullptr);
    if (options.help) {
        std::printf(USAGE_TEXT, program.c_str());
        return lodemar::EXIT_OK;
    }
    if (options.version) {
        std::printf(VERSION_TEXT, program.c_str(), LODEMAR_VERSION);
        return lodemar::EXIT_OK;
    }
    return -1;
}

} // namespace app
