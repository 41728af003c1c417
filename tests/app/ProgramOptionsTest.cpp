#include <app/ProgramOptions.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/wait.h>

using namespace app;

TEST(ProgramOptions, EmulationIsOptInWithAnOptionalMemoryFile)
{
    std::string error;
    ProgramOptions plain;
    EXPECT_EQ(parseProgramOptions({}, plain, error), OPTIONS_OK);
    EXPECT_FALSE(plain.emulate);

    ProgramOptions byDefault;
    EXPECT_EQ(parseProgramOptions({ "--emulate" }, byDefault, error), OPTIONS_OK);
    EXPECT_TRUE(byDefault.emulate);
    EXPECT_TRUE(byDefault.emulatedKeyboardMemory.empty());

    ProgramOptions withFile;
    EXPECT_EQ(parseProgramOptions({ "--emulate=/tmp/kb=1.mem" }, withFile, error), OPTIONS_OK);
    EXPECT_TRUE(withFile.emulate);
    EXPECT_EQ(withFile.emulatedKeyboardMemory, "/tmp/kb=1.mem");
}

TEST(ProgramOptions, UnknownOptionsAndAnEmptyFileAreRefused)
{
    std::string error;
    ProgramOptions options;
    EXPECT_EQ(parseProgramOptions({ "--emulate=" }, options, error), OPTIONS_EMPTY_MEMFILE);
    EXPECT_EQ(parseProgramOptions({ "--emulated" }, options, error), OPTIONS_UNKNOWN);
    EXPECT_EQ(error, "--emulated");
    EXPECT_EQ(parseProgramOptions({ "a.dat", "--emulate", "b.json" }, options, error), OPTIONS_EXTRA_FILE);
    EXPECT_EQ(error, "b.json");
}

TEST(ProgramOptions, AFileToLoadAtStart)
{
    std::string error;
    ProgramOptions options;
    EXPECT_EQ(parseProgramOptions({ "--emulate", "/tmp/keys one.dat" }, options, error), OPTIONS_OK);
    EXPECT_TRUE(options.emulate);
    EXPECT_EQ(options.file, "/tmp/keys one.dat");
    ProgramOptions none;
    EXPECT_EQ(parseProgramOptions({ "--emulate" }, none, error), OPTIONS_OK);
    EXPECT_TRUE(none.file.empty());
}

TEST(ProgramOptions, HelpAndVersion)
{
    std::string error;
    for (const char* help : { "-h", "--help" }) {
        ProgramOptions options;
        EXPECT_EQ(parseProgramOptions({ help }, options, error), OPTIONS_OK);
        EXPECT_TRUE(options.help) << help;
    }
    ProgramOptions version;
    EXPECT_EQ(parseProgramOptions({ "--version" }, version, error), OPTIONS_OK);
    EXPECT_TRUE(version.version);
    // The last --emulate counts.
    ProgramOptions last;
    EXPECT_EQ(parseProgramOptions({ "--emulate=a", "--emulate" }, last, error), OPTIONS_OK);
    EXPECT_TRUE(last.emulatedKeyboardMemory.empty());
}

#ifndef _WIN32
TEST(ProgramOptions, ApplicationNameIsTheFileNameWithoutExtensionCapitalised)
{
    EXPECT_EQ(applicationNameOf("/usr/bin/lodemar"), "Lodemar");
    EXPECT_EQ(applicationNameOf("lodemar"), "Lodemar");
    EXPECT_EQ(applicationNameOf("/opt/v1.2/lodemar.bin"), "Lodemar");
    EXPECT_EQ(applicationNameOf("./Lodemar"), "Lodemar");
    EXPECT_EQ(applicationNameOf("/x/.hidden"), ".hidden");
}
#endif

// The program itself, where no display can be had (the xcb platform with no
// X server aborts as soon as the QApplication is made).
TEST(ProgramOptions, HelpAndVersionNeedNoDisplay)
{
    const std::string program = LODEMAR_PROGRAM_PATH;
    for (const char* argument : { "-h", "--help", "--version" }) {
        const std::string command
            = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' " + argument + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[512];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        const int status = ::pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << argument << ": " << out;
        EXPECT_EQ(out.rfind(argument == std::string("--version") ? "lodemar " : "Usage: lodemar", 0), 0u)
            << out;
    }
}
