// Runs the real lodemar-cli binary: the file commands.
#include "CliFixture.h"

#include <lodemar/Version.h>

#include <keydata/KeyboardFit.h>
#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keydata/KeyText.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <sstream>

#include <sys/stat.h>

using namespace keydata;
using namespace clitest;

namespace {

using CliTest = CCliFixture;

const fs::path EXAMPLES = EXAMPLES_DIR;
const char* const LAYOUTS[] = { "retail-pos", "multi-layer" };

KeyTable loadExample(const std::string& name)
{
    KeyTable table;
    EXPECT_TRUE(loadKeyFile((EXAMPLES / (name + ".dat")).string(), table).Ok());
    return table;
}

std::string hexOf(std::span<const std::uint8_t> bytes)
{
    std::string hex;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

} // namespace

TEST_F(CliTest, HelpAndCommandLineErrors)
{
    CliRun run = cli({ "--version" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "lodemar-cli " LODEMAR_VERSION "\n");
    run = cli({ "--help" });
    EXPECT_EQ(run.status, 0);
    for (const char* command :
        { "show LAYOUT", "export LAYOUT", "import FILE.json -o FILE.dat", "help [COMMAND]" })
        EXPECT_NE(run.out.find(command), std::string::npos) << command;
    EXPECT_EQ(run.err, "");

    for (const std::vector<std::string>& asked :
        { std::vector<std::string> { "import", "--help" }, { "help", "import" } }) {
        run = cli(asked);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("usage: lodemar-cli import FILE.json -o FILE.dat\n", 0), 0u) << run.out;
    }
    EXPECT_EQ(cli({ "help" }).out, cli({ "--help" }).out);
    expectFailure(cli({ "help", "frobnicate" }), 2, "unknown command 'frobnicate'");

    expectFailure(cli({}), 2, "no command");
    expectFailure(cli({ "frobnicate" }), 2, "unknown command 'frobnicate'");
    expectFailure(cli({ "show" }), 2, "show: wrong arguments");
    expectFailure(cli({ "export", "a.dat", "b.dat" }), 2, "export: wrong arguments");
    expectFailure(cli({ "import", "a.json" }), 2, "-o FILE.dat");
    expectFailure(cli({ "import", "a.json", "-x", "b.dat" }), 2, "unknown option '-x'");
}

TEST_F(CliTest, ImportOfEachExampleReproducesItsDatFile)
{
    for (const char* name : LAYOUTS) {
        const std::string out = path(std::string(name) + ".dat");
        const CliRun run = cli({ "import", (EXAMPLES / (std::string(name) + ".json")).string(), "-o", out });
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out + run.err, "");
        EXPECT_EQ(readBytes(out), readBytes(EXAMPLES / (std::string(name) + ".dat"))) << name;
    }
}

TEST_F(CliTest, ExportPrintsWhatTheKeysHold)
{
    for (const char* name : LAYOUTS) {
        const CliRun run = cli({ "export", (EXAMPLES / (std::string(name) + ".dat")).string() });
        ASSERT_EQ(run.status, 0) << run.err;
        // The committed JSON is the export of the committed file.
        EXPECT_EQ(run.out, readText(EXAMPLES / (std::string(name) + ".json"))) << name;

        const KeyTable table = loadExample(name);
        const auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json.at("format"), "lodemar-key-table");
        EXPECT_EQ(json.at("version"), 2);
        EXPECT_EQ(json.at("systemConfig"), table.systemConfig);
        EXPECT_EQ(json.at("mcrConfig"), table.mcrConfig);
        const auto& keys = json.at("keys");
        ASSERT_EQ(keys.size(), 128u);
        for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
            const auto& key = keys[static_cast<std::size_t>(n)];
            const KeyRecord& record = table.RecordOfKeyNumber(n);
            const SlotCode slot = slotOfKeyNumber(n);
            EXPECT_EQ(key.at("keyNumber"), n);
            EXPECT_EQ(key.at("row"), slotRow(slot));
            EXPECT_EQ(key.at("column"), slotColumn(slot));
            EXPECT_EQ(key.at("kind"), record.kind);
            EXPECT_EQ(key.at("content"), hexOf(record.Bytes()));
            std::string caption;
            keyNumberCaption(n, caption);
            EXPECT_EQ(key.at("caption"), caption.empty() ? nlohmann::json() : nlohmann::json(caption)) << n;
            if (record.kind == KIND_STRING) {
                // The characters themselves (these layouts keep to ASCII but for the separator).
                std::string characters;
                for (const std::uint8_t b : record.Bytes())
                    characters += b < 0x80 ? std::string(1, char(b))
                                           : std::string { char(0xC0 | b >> 6), char(0x80 | (b & 0x3F)) };
                EXPECT_EQ(key.at("text"), characters) << n;
            } else {
                std::string text;
                renderKeyText(record, text);
                EXPECT_EQ(key.value("display", ""), text) << n;
            }
        }
    }
}

TEST_F(CliTest, ShowPrintsEveryGridKeyKey120AndTheDataArea)
{
    const CliRun run = cli({ "show", (EXAMPLES / "retail-pos.dat").string() });
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string& out = run.out;
    // The layout in JSON shows the same, but for the file's name and size.
    const CliRun json = cli({ "show", (EXAMPLES / "retail-pos.json").string() });
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.substr(json.out.find('\n')), out.substr(out.find('\n')));
    EXPECT_NE(out.find("systemConfig 0x03: Beep enable on, Send break code on, Beep (nop key) off\n"),
        std::string::npos);
    EXPECT_NE(
        out.find(
            "mcrConfig    0x0F: Send format_code on, Send [Enter] on, Track2 enable on, Track3 enable on\n"),
        std::string::npos);
    EXPECT_NE(
        out.find(
            "\n1     93  (0,0)   string    4011[Enter][SE/]RET[Tab]4011[Enter][SE/]PRC[Tab]4011[Enter]\n"),
        std::string::npos);
    EXPECT_NE(out.find("\n12     5  (0,11)  function  CTL(D)0F0CTL\n"), std::string::npos);
    EXPECT_NE(out.find("\n29    22  (1,9)   function  CTL(P)0F0CTLD1SD1SD1SCR.\n"), std::string::npos);
    EXPECT_NE(out.find("\nL    125  (5,0)   switch    <M1>\n"), std::string::npos);
    EXPECT_NE(out.find("\nX    122  (5,3)   switch    Caps.\n"), std::string::npos);
    EXPECT_NE(out.find("\n-    120  (5,5)   empty\n"), std::string::npos);

    // One line per grid key, captioned 1..95 and L, R, S, X, Z, with its kind.
    const KeyTable table = loadExample("retail-pos");
    std::istringstream lines(out);
    std::string line;
    int gridLines = 0;
    while (std::getline(lines, line)) {
        for (int g = 0; g < GRID_KEYS; ++g) {
            std::string caption;
            keyCaption(GRID_FIRST_CONTROL_ID + g, false, caption);
            if (line.rfind(caption + " ", 0) != 0)
                continue;
            const GridSlot slot = slotOfGridIndex(g);
            const KeyRecord& record = table.Record(slot.row, slot.column);
            std::string text;
            renderKeyText(record, text);
            EXPECT_NE(line.find(text), std::string::npos) << line;
            const char* kinds[] = { "empty", "switch", "function", "string" };
            ASSERT_LE(record.kind, KIND_STRING);
            std::istringstream fields(line);
            std::string label, number, slotText, kind;
            fields >> label >> number >> slotText >> kind;
            EXPECT_EQ(number, std::to_string(keyNumberOfSlot(slot.row, slot.column)));
            EXPECT_EQ(kind, kinds[record.kind]) << line;
            ++gridLines;
        }
    }
    EXPECT_EQ(gridLines, 100);

    const KeyboardFit fit = checkKeyboardFit(table);
    EXPECT_NE(out.find("Data area: " + std::to_string(fit.dataUsed) + " of 3584 bytes used, "
                  + std::to_string(fit.dataFree) + " free\n"),
        std::string::npos);
    EXPECT_NE(out.find("Keyboard write: fits\n"), std::string::npos);
}

TEST_F(CliTest, ShowMakesKeyTextSafeAndReportsWhatCannotBeWritten)
{
    KeyTable table;
    table.systemConfig = 0x83;
    ASSERT_EQ(storeKey(table.RecordOfKeyNumber(93), KIND_STRING, Bytes { 'a', 0x1B, '[', '2', 'J', 0xE9 }),
        KEYTABLE_OK);
    table.RecordOfKeyNumber(85).kind = 5;
    for (int n = 0; n < 15; ++n) // one key more than the data area holds
        ASSERT_EQ(storeKey(table.RecordOfKeyNumber(n), KIND_STRING, Bytes(255, 'x')), KEYTABLE_OK);
    ASSERT_TRUE(saveKeyFile(path("odd.dat"), table).Ok());

    const CliRun run = cli({ "show", path("odd.dat") });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find('\x1B'), std::string::npos);
    EXPECT_NE(run.out.find("a\\x1B[2J\xC3\xA9\n"), std::string::npos); // ESC escaped, 0xE9 as UTF-8
    EXPECT_NE(run.out.find("\n2     85  (0,1)   kind 5\n"), std::string::npos);
    EXPECT_NE(run.out.find("other bits 0x80"), std::string::npos);
    EXPECT_NE(run.out.find("Keyboard write: refused"), std::string::npos);
    EXPECT_NE(run.out.find("key 2 (key number 85) has an unknown kind"), std::string::npos);
    EXPECT_NE(run.out.find("(from key 30 (key number 14) on)"), std::string::npos);
    EXPECT_NE(run.out.find("bit 7"), std::string::npos);
    EXPECT_EQ(run.out.find("Keyboard write: fits"), std::string::npos);
}

TEST_F(CliTest, LoadFailuresAreOneLine)
{
    expectFailure(cli({ "show", path("missing.dat") }), 1, "cannot open");
    writeText(m_dir / "three.dat", std::string("\xFC\x00\x00", 3));
    expectFailure(cli({ "show", path("three.dat") }), 1, "not a keyboard data file");
    writeText(m_dir / "empty.dat", "");
    expectFailure(cli({ "export", path("empty.dat") }), 1, "is empty");
    std::string big(8001, '\0');
    big[0] = '\xFC';
    big[3] = '\xFA';
    writeText(m_dir / "big.dat", big);
    expectFailure(cli({ "export", path("big.dat") }), 1, "longer than 8000 bytes");
}

TEST_F(CliTest, ImportIsStrictAndWritesNothingOnError)
{
    const std::string out = path("out.dat");
    writeText(m_dir / "keep.dat", "previous");
    auto importFails = [&](const std::string& json, const std::string& needle) {
        writeText(m_dir / "in.json", json);
        expectFailure(cli({ "import", path("in.json"), "-o", out }), 1, needle);
        EXPECT_FALSE(fs::exists(out)) << json;
        expectFailure(cli({ "import", path("in.json"), "-o", path("keep.dat") }), 1, needle);
        EXPECT_EQ(readText(m_dir / "keep.dat"), "previous");
    };
    auto keys = [](const std::string& list) {
        return "{\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[" + list + "]}";
    };

    const std::pair<std::string, const char*> refused[] = {
        { "{\"systemConfig\":3,", "bad JSON" },
        { "[1,2]", "top level" },
        { "{\"format\":\"other\",\"version\":2,\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[]}",
            "format must be \"lodemar-key-table\"" },
        { "{\"format\":\"lodemar-key-table\",\"version\":3,\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[]}",
            "format version 3 is newer than this lodemar-cli reads (up to 2)" },
        { "{\"format\":\"lodemar-key-table\",\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[]}",
            ": version is missing" },
        { "{\"mcrConfig\":15,\"keys\":[]}", ": systemConfig is missing" },
        { "{\"systemConfig\":\"3\",\"mcrConfig\":15,\"keys\":[]}", "systemConfig must be an integer" },
        { "{\"systemConfig\":3,\"mcrConfig\":250,\"keys\":[]}", "mcrConfig must be an integer" },
        { "{\"systemConfig\":3,\"mcrConfig\":15}", ": keys is missing" },
        { "{\"systemConfig\":3,\"mcrConfig\":15,\"keys\":{}}", "keys must be an array" },
        { keys("{\"keyNumber\":5,\"kind\":3,\"content\":\"41fa42\"}"),
            ": key 12 (key number 5): content byte 0xFA at offset 1" },
        { keys("{\"keyNumber\":6,\"kind\":3,\"content\":\"" + std::string(512, '4') + "\"}"),
            "key 31 (key number 6): content has 256 bytes" },
        { keys("{\"keyNumber\":7,\"kind\":250,\"content\":\"\"}"),
            "key 89 (key number 7): kind must be an integer 0..249" },
        { keys("{\"keyNumber\":7,\"kind\":-1,\"content\":\"\"}"), "(key number 7): kind must" },
        { keys("{\"keyNumber\":7,\"kind\":2.5,\"content\":\"\"}"), "(key number 7): kind must" },
        { keys("{\"keyNumber\":7,\"content\":\"\"}"), "(key number 7): kind is missing" },
        { keys("{\"keyNumber\":8,\"kind\":3,\"content\":\"4100\"}"), "(key number 8): content byte 0x00" },
        { keys("{\"keyNumber\":8,\"kind\":3,\"content\":\"4g\"}"),
            "(key number 8): content must be a string" },
        { keys("{\"keyNumber\":8,\"kind\":3,\"content\":\"414\"}"),
            "(key number 8): content must be a string" },
        { keys("{\"keyNumber\":8,\"kind\":3}"), "(key number 8): content is missing" },
        { keys("{\"keyNumber\":128,\"kind\":0,\"content\":\"\"}"), "keys[0]: keyNumber must be" },
        { keys("{\"keyNumber\":1,\"kind\":0,\"content\":\"\"},{\"keyNumber\":1,\"kind\":0,\"content\":\"\"}"),
            "key 88 (key number 1): listed twice" },
        { keys("{\"keyNumber\":60,\"kind\":3,\"content\":\"41\"},{\"keyNumber\":99,\"kind\":3,\"content\":"
               "\"42\"}"),
            "key number 99: differs from key number 60" },
        // Read as the first version: its caption and text named nothing.
        { keys("{\"caption\":\"1\",\"kind\":3,\"content\":\"41\"}"),
            "keys[0]: keyNumber is missing (the file has no \"format\" field and was read as version 1, "
            "which ignores "
            "caption; add \"format\": \"lodemar-key-table\", \"version\": 2)" },
        { keys("{\"keyNumber\":5,\"kind\":3,\"text\":\"A\"}"),
            "(key number 5): content is missing (the file has no \"format\" field and was read as version 1, "
            "which "
            "ignores text;" },
    };
    for (const auto& [json, problem] : refused)
        importFails(json, problem);

    // Valid JSON whose image could not be loaded again is refused by the save.
    std::string list;
    for (int n = 0; n < 31; ++n)
        list += (n ? "," : "")
            + ("{\"keyNumber\":" + std::to_string(n) + ",\"kind\":3,\"content\":\"" + std::string(510, '6')
                + "\"}");
    importFails(keys(list), "cannot be loaded again");
}

// Format 2: a string key's text stands for its content, never silently
// against it; the first version's text was display text and is ignored.
TEST_F(CliTest, StringKeysAsTextAndTheFirstVersion)
{
    const std::string v2
        = "{\"format\":\"lodemar-key-table\",\"version\":2,\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[";
    const struct {
        const char* key;
        const char* problem; // null: imported, key number 5 holding "A\tb\xE9"
    } cases[] = {
        { "{\"keyNumber\":5,\"kind\":3,\"text\":\"A\\tb\u00e9\"}", nullptr },
        { "{\"keyNumber\":5,\"kind\":3,\"content\":\"410962e9\",\"text\":\"A\\tb\u00e9\"}", nullptr },
        { "{\"keyNumber\":5,\"kind\":3,\"content\":\"410962\",\"text\":\"A\\tb\u00e9\"}",
            "(key number 5): text and content are both given and disagree" },
        { "{\"keyNumber\":5,\"kind\":2,\"text\":\"A\"}", "(key number 5): text is for string keys" },
        { "{\"keyNumber\":5,\"kind\":3,\"text\":\"\u00fa\"}",
            "(key number 5): text character U+00FA at offset 0" },
        { "{\"keyNumber\":5,\"kind\":3,\"text\":\"\u20ac\"}", "(key number 5): text character U+20AC" },
        { "{\"keyNumber\":5,\"kind\":3}", "(key number 5): content is missing" },
        // A key named by its caption alone, or by both when they agree.
        { "{\"caption\":\"12\",\"kind\":3,\"text\":\"A\\tb\u00e9\"}", nullptr },
        { "{\"caption\":\"12\",\"keyNumber\":5,\"kind\":3,\"text\":\"A\\tb\u00e9\"}", nullptr },
        { "{\"caption\":\"13\",\"keyNumber\":5,\"kind\":3,\"text\":\"A\"}",
            "keys[0]: keyNumber 5 and caption \"13\" (key number 79) name different keys" },
        { "{\"caption\":\"96\",\"kind\":3,\"text\":\"A\"}",
            "keys[0]: caption must be the caption of a key cap" },
        { "{\"caption\":5,\"kind\":3,\"text\":\"A\"}", "keys[0]: caption must be" },
        { "{\"caption\":null,\"kind\":3,\"text\":\"A\"}", "keys[0]: keyNumber or caption is missing" },
    };
    for (const auto& c : cases) {
        writeText(m_dir / "in.json", v2 + c.key + "]}");
        const CliRun run = cli({ "import", path("in.json"), "-o", path("k.dat") });
        if (c.problem != nullptr) {
            expectFailure(run, 1, c.problem);
            continue;
        }
        ASSERT_EQ(run.status, 0) << c.key << run.err;
        KeyTable table;
        ASSERT_TRUE(loadKeyFile(path("k.dat"), table).Ok());
        EXPECT_EQ(hexOf(table.RecordOfKeyNumber(5).Bytes()), "410962e9") << c.key;
    }
    // Without a format field: the first version, whose text is ignored.
    writeText(m_dir / "old.json",
        "{\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[{\"keyNumber\":5,\"kind\":3,\"content\":\"0d\","
        "\"text\":\"[Enter]\"}]}");
    ASSERT_EQ(cli({ "import", path("old.json"), "-o", path("old.dat") }).status, 0);
}

// "-" is standard input or output: export | import - -o - gives the file again.
TEST_F(CliTest, StandardInputAndOutput)
{
    const std::string dat = (EXAMPLES / "retail-pos.dat").string();
    const std::string command = std::string("cat '") + dat + "' | '" + LODEMAR_CLI + "' export - | '"
        + LODEMAR_CLI + "' import - -o - > '" + path("piped.dat") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readBytes(path("piped.dat")), readBytes(dat));
    ASSERT_EQ(cli({ "export", dat, "-o", path("out.json") }).status, 0);
    EXPECT_EQ(readText(m_dir / "out.json"), readText(EXAMPLES / "retail-pos.json"));
}

TEST_F(CliTest, DiffNamesTheKeysThatDiffer)
{
    const std::string dat = (EXAMPLES / "retail-pos.dat").string();
    const std::string json = (EXAMPLES / "retail-pos.json").string();
    CliRun run = cli({ "diff", dat, json });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");

    KeyTable table = loadExample("retail-pos");
    ASSERT_EQ(storeKey(table.RecordOfKeyNumber(93), KIND_STRING, Bytes { 'H', 'i' }), KEYTABLE_OK);
    table.mcrConfig = 0x0E;
    ASSERT_TRUE(saveKeyFile(path("changed.dat"), table).Ok());
    run = cli({ "diff", json, path("changed.dat") });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("key 1 (key number 93)\n  - string 4011[Enter]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n  + string Hi\nmcrConfig\n  - 0x0F\n  + 0x0E\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1 keys and 1 settings bytes differ"), std::string::npos) << run.out;

    expectFailure(cli({ "diff", dat, path("missing.json") }), 4, "cannot open");
    expectFailure(cli({ "diff", "-", "-" }), 2, "diff: standard input (-) is named twice");
    writeText(m_dir / "text.txt", "hello");
    expectFailure(cli({ "diff", path("text.txt"), dat }), 4, "neither a keyboard data file");
    expectFailure(cli({ "diff", dat }), 2, "diff: wrong arguments");
    expectFailure(cli({ "diff", "--keyboard", dat, json }), 2, "--keyboard takes the place");
}

TEST_F(CliTest, ImportKeepsWhatAFileCanHoldAndIgnoresDisplayFields)
{
    // An empty function key and a switch key with two bytes survive; row,
    // column, text and unknown fields are ignored; unlisted keys are empty.
    writeText(m_dir / "in.json",
        "{\"systemConfig\":5,\"mcrConfig\":0,\"note\":\"x\",\"keys\":["
        "{\"keyNumber\":3,\"row\":0,\"column\":0,\"kind\":2,\"content\":\"\",\"text\":\"ignored\"},"
        "{\"keyNumber\":4,\"kind\":1,\"content\":\"0102\"},"
        "{\"keyNumber\":60,\"kind\":3,\"content\":\"4142\"},{\"keyNumber\":127,\"kind\":3,\"content\":"
        "\"4142\"}]}");
    ASSERT_EQ(cli({ "import", path("in.json"), "-o", path("k.dat") }).status, 0);
    KeyTable table;
    ASSERT_TRUE(loadKeyFile(path("k.dat"), table).Ok());
    EXPECT_EQ(table.systemConfig, 5);
    EXPECT_EQ(table.RecordOfKeyNumber(3).kind, KIND_FUNCTION);
    EXPECT_EQ(table.RecordOfKeyNumber(3).ContentLength(), 0u);
    EXPECT_EQ(table.RecordOfKeyNumber(4).ContentLength(), 2u);
    EXPECT_EQ(table.RecordOfKeyNumber(100).ContentLength(), 2u);
    EXPECT_EQ(table.RecordOfKeyNumber(0).kind, KIND_EMPTY);

    // Export then import gives the same file again.
    const CliRun exported = cli({ "export", path("k.dat") });
    ASSERT_EQ(exported.status, 0);
    writeText(m_dir / "again.json", exported.out);
    ASSERT_EQ(cli({ "import", path("again.json"), "-o", path("again.dat") }).status, 0);
    EXPECT_EQ(readBytes(path("again.dat")), readBytes(path("k.dat")));
}

// Whatever the loader accepts comes back byte for byte: kinds the keyboard
// does not know, and key text with DEL and C1 controls, escaped in JSON.
TEST_F(CliTest, ExportAndImportRoundTripEveryLoadableFile)
{
    KeyTable table;
    table.RecordOfKeyNumber(20).kind = 0xF9;
    table.RecordOfKeyNumber(21).kind = 4;
    ASSERT_EQ(storeKey(table.RecordOfKeyNumber(22), KIND_STRING, Bytes { 'a', 0x7F, 0x85, 0x9F, 0xA0, 0x1B }),
        KEYTABLE_OK);
    // The edges of what a string key's text carries: 0x01, Enter, Tab, the
    // separator and delay bytes, 0xF9.
    ASSERT_EQ(
        storeKey(table.RecordOfKeyNumber(23), KIND_STRING, Bytes { 0x01, 0x0D, 0x09, 0xE2, 0xE3, 0xF9 }),
        KEYTABLE_OK);
    ASSERT_TRUE(saveKeyFile(path("odd.dat"), table).Ok());

    const CliRun exported = cli({ "export", path("odd.dat") });
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("\"text\":\"a\\u007f\\u0085\\u009f\xC2\xA0\\u001b\""), std::string::npos)
        << exported.out;
    for (const char* raw : { "\x7F", "\xC2\x85", "\xC2\x9F" })
        EXPECT_EQ(exported.out.find(raw), std::string::npos);
    writeText(m_dir / "odd.json", exported.out);
    const CliRun imported = cli({ "import", path("odd.json"), "-o", path("back.dat") });
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(readBytes(path("back.dat")), readBytes(path("odd.dat")));
}

// A FIFO would block the open for ever; a folder is no file to read.
TEST_F(CliTest, OnlyRegularFilesAreReadOrWritten)
{
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    fs::create_directory(m_dir / "folder");
    writeText(m_dir / "in.json", "{\"systemConfig\":3,\"mcrConfig\":15,\"keys\":[]}");
    expectFailure(cli({ "show", path("fifo") }), 1, "is not a regular file");
    expectFailure(cli({ "show", path("folder") }), 1, "cannot read " + path("folder") + ": Is a directory");
    expectFailure(cli({ "import", path("in.json"), "-o", path("fifo") }), 1, "is not a regular file");
    expectFailure(cli({ "export", (EXAMPLES / "retail-pos.dat").string(), "-o", path("fifo") }), 1,
        "is not a regular file");
    expectFailure(cli({ "import", path("fifo"), "-o", path("out.dat") }), 1, "is not a regular file");
    expectFailure(cli({ "import", path("folder"), "-o", path("out.dat") }), 1,
        "cannot read " + path("folder") + ": Is a directory");
    EXPECT_EQ(fs::status(m_dir / "fifo").type(), fs::file_type::fifo);
    EXPECT_FALSE(fs::exists(m_dir / "out.dat"));
}

TEST_F(CliTest, OutputThatCannotBeWrittenFails)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    const CliRun run = cli({ "export", (EXAMPLES / "retail-pos.dat").string() }, "/dev/full");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.err), 1);
}

// Root writes into a sticky folder where another user has planted links
// named like the outputs: neither import nor export follows them.
TEST_F(CliTest, OutputsNeverFollowAnotherUsersLink)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's links";
    const fs::path shared = m_dir / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    writeText(m_dir / "precious", "precious");
    const std::string dat = (EXAMPLES / "retail-pos.dat").string();
    const std::string json = (EXAMPLES / "retail-pos.json").string();
    for (const auto& [out, command] :
        { std::pair { "out.dat", std::vector<std::string> { "import", json, "-o" } },
            std::pair { "out.json", std::vector<std::string> { "export", dat, "-o" } } }) {
        const fs::path link = shared / out;
        fs::create_symlink(m_dir / "precious", link);
        ASSERT_EQ(::lchown(link.c_str(), OTHER_USER, OTHER_USER), 0);
        std::vector<std::string> line = command;
        line.push_back(link.string());
        expectFailure(cli(line), 1, "Permission denied");
        EXPECT_EQ(readText(m_dir / "precious"), "precious") << out;
        EXPECT_TRUE(fs::is_symlink(link)) << out;
    }
}
