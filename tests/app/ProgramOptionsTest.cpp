#include <app/ProgramOptions.h>

#include <gtest/gtest.h>

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
    EXPECT_EQ(parseProgramOptions({ "--help", "file.dat" }, options, error), OPTIONS_UNKNOWN);
    EXPECT_EQ(error, "file.dat");
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
