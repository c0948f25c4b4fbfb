// Runs the real console program and checks its output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli/parse_flag.h"
#include "cli/sheet_destinations.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "support/workbook_encryption.h"

namespace fs = std::filesystem;

namespace tabulox {
namespace {

std::string ExampleWorkbookPath() { return std::string(TABULOX_SOURCE_DIR) + "/examples/example.xls"; }

struct RunResult {
  std::string output;
  int exitStatus = -1;
};

std::string ShellQuote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

// Runs the program with standard error joined to standard output, or sent to
// the file `errors` in the folder when one is named. TABULOX_PASSWORD is set
// to `password` when one is given, else left unset.
RunResult RunCommand(const std::vector<std::string>& args, const fs::path& workDir,
                     const std::string& errors = "", const std::optional<std::string>& password = {}) {
  std::string command = "cd " + ShellQuote(workDir.string()) + " && unset TABULOX_PASSWORD && ";
  if (password) command += "TABULOX_PASSWORD=" + ShellQuote(*password) + " ";
  command += "LC_ALL=C " + ShellQuote(TBULXCMD_PATH);
  for (const auto& arg : args) command += " " + ShellQuote(arg);
  command += errors.empty() ? " 2>&1" : " 2>" + ShellQuote(errors);
  RunResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) result.output.append(buf, n);
  const int status = ::pclose(pipe);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Usage() { return cli::UsageText("tbulxcmd"); }

class ConsoleProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tbulxcmd_test_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  RunResult Run(const std::vector<std::string>& args) { return RunCommand(args, dir_); }
  // Standard output alone; standard error goes to the file "errors".
  RunResult RunApart(const std::vector<std::string>& args) { return RunCommand(args, dir_, "errors"); }
  // With TABULOX_PASSWORD set.
  RunResult RunWithPassword(const std::string& password, const std::vector<std::string>& args) {
    return RunCommand(args, dir_, "", password);
  }

  fs::path dir_;
};

TEST(UsageText, NamesTheProgramAndEndsEveryLineWithCrLf) {
  EXPECT_EQ(cli::UsageText("/usr/local/bin/tbulxcmd"),
            "KV-Tabulox Command Version 3.0\r\n"
            "\r\n"
            "Usage: tbulxcmd [-o] [-c99999] <Source File> <Destination Text File>\r\n"
            "Flag \"-o\": If output file exists then overwrite it.\r\n"
            "Flag \"-c\": Specify the code page identifier for output text file. (Default is system's code page)\r\n"
            "If <Destination Text File> is \"*\", the text output NOT to a file but instead to standard output.\r\n"
            "\r\n"
            "Options:\r\n"
            "  --as-shown       Write each cell as the spreadsheet shows it, rows and columns in place,\r\n"
            "                   cells holding a TAB, a double quote or a line break quoted.\r\n"
            "  --csv            The same, separated by commas, for one sheet without heading.\r\n"
            "  --sheet=NAME|N   Only this sheet (N counts from 1, hidden sheets included); may be repeated.\r\n"
            "  --each-sheet     One destination per sheet: it must hold %n (the sheet's number)\r\n"
            "                   or %s (its name).\r\n"
            "  --skip-hidden[=sheets,rows,columns]\r\n"
            "                   Leave hidden sheets, rows and columns out (all three when bare).\r\n"
            "  --password-file=FILE\r\n"
            "                   The password of an encrypted source: the first line of FILE\r\n"
            "                   (else the environment variable TABULOX_PASSWORD).\r\n"
            "  --help           Print this text.\r\n"
            "\r\n"
            "Read KV-Tabulox help to get more details about command usage.\r\n");
}

struct FlagCase {
  const char* argument;
  bool valid;
};

class ParseFlagTable : public ::testing::TestWithParam<FlagCase> {};

TEST_P(ParseFlagTable, AcceptsExactlyTheValidForms) {
  cli::RunSettings settings;
  EXPECT_EQ(cli::ParseFlag(GetParam().argument, settings), GetParam().valid) << GetParam().argument;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ParseFlagTable,
    ::testing::Values(FlagCase{"-o", true}, FlagCase{"-O", true}, FlagCase{"-x", false},
                      FlagCase{"-c", false}, FlagCase{"-S", false}, FlagCase{"-", false},
                      FlagCase{"", false}, FlagCase{"o", false}, FlagCase{"-oo", false},
                      FlagCase{"-c65001", true}, FlagCase{"-C1252", true}, FlagCase{"-c-5", true},
                      FlagCase{"-c 932", true}, FlagCase{"-c$4E4", true}, FlagCase{"-c0x4e4", true},
                      FlagCase{"-cabc", false}, FlagCase{"-c12a", false}, FlagCase{"-c99999999999", false},
                      FlagCase{"-c2147483647", true}, FlagCase{"-c-2147483648", true},
                      FlagCase{"-c2147483648", false}, FlagCase{"-S1", true}, FlagCase{"-s9abc", true},
                      FlagCase{"-Sx", false}, FlagCase{"-TXLS", true}, FlagCase{"-txls", true},
                      FlagCase{"-TXLSX", true}, FlagCase{"-TDOC", true}, FlagCase{"-TC H", true},
                      FlagCase{"-TSX X", false}, FlagCase{"-TXLSXX", false}, FlagCase{"-TXL", false},
                      FlagCase{"-TABC", false}, FlagCase{"--o", false}, FlagCase{"-TXLSB", true},
                      FlagCase{"-txlsb", true}, FlagCase{"-TXLSBB", false},
                      FlagCase{"--password-file=pw.txt", true}, FlagCase{"--password-file=", false},
                      FlagCase{"--password-file", false}, FlagCase{"--password=secret", false}));

TEST(ParseFlag, RecordsTheSettings) {
  cli::RunSettings settings;
  ASSERT_TRUE(cli::ParseFlag("-o", settings));
  ASSERT_TRUE(cli::ParseFlag("-c$4E4", settings));
  ASSERT_TRUE(cli::ParseFlag("-txlsx", settings));
  EXPECT_TRUE(settings.overwrite);
  EXPECT_EQ(settings.codePage, 1252);
  EXPECT_EQ(settings.forcedSourceType, "XLSX");
  // Hexadecimal digits in either case, after either prefix.
  for (const char* flag : {"-c0xfde9", "-c$fde9", "-c0XFDE9", "-c$FdE9"}) {
    settings.codePage = 0;
    ASSERT_TRUE(cli::ParseFlag(flag, settings)) << flag;
    EXPECT_EQ(settings.codePage, 65001) << flag;
  }
}

struct UsageCase {
  std::vector<std::string> args;
};

class RejectedCommandLine : public ::testing::TestWithParam<UsageCase> {};

TEST_P(RejectedCommandLine, PrintsUsageAndExitsWithTwo) {
  const RunResult r = RunCommand(GetParam().args, fs::temp_directory_path());
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.output, Usage());
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RejectedCommandLine,
    ::testing::Values(UsageCase{{}}, UsageCase{{"a.xls"}}, UsageCase{{"a.xls", "out.txt", "-o"}},
                      UsageCase{{"-c", "a.xls", "b.txt"}}, UsageCase{{"-cabc", "a.xls", "b.txt"}},
                      UsageCase{{"-S", "a.xls", "b.txt"}}, UsageCase{{"-Sx", "a.xls", "b.txt"}},
                      UsageCase{{"-TXLSXX", "a.xls", "b.txt"}}, UsageCase{{"-x", "a.xls", "b.txt"}},
                      UsageCase{{"-o", "-TQQQ", "a.xls", "b.txt"}}));

TEST_F(ConsoleProgram, MissingSourceIsReportedFirst) {
  WriteFile("out.txt", "keep");
  for (const std::string dest : {"out.txt", "*"}) {
    const RunResult r = Run({"-S1", "missing.xls", dest});
    EXPECT_EQ(r.exitStatus, 254);
    EXPECT_EQ(r.output, "Input file \"missing.xls\" not exists\r\n");
  }
  EXPECT_EQ(ReadFile("out.txt"), "keep");
}

TEST_F(ConsoleProgram, ExistingDestinationWithoutOverwriteIsKept) {
  WriteFile("book", "not looked at");
  WriteFile("out.txt", "keep");
  const RunResult r = Run({"book", "out.txt"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.output, "Output file \"out.txt\" already exists, convert canceled\r\n");
  EXPECT_EQ(ReadFile("out.txt"), "keep");
}

TEST_F(ConsoleProgram, TypesOtherThanWorkbooksAreNotSupported) {
  WriteFile("notes.txt", "text");
  WriteFile("noext", "text");
  WriteFile("dot.", "text");
  for (const auto& args : std::vector<std::vector<std::string>>{{"notes.txt", "a.txt"},
                                                                 {"noext", "a.txt"},
                                                                 {"dot.", "a.txt"},
                                                                 {"-TDOC", "notes.txt", "a.txt"}}) {
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitStatus, 253);
    EXPECT_EQ(r.output, "Input file \"" + args[args.size() - 2] + "\" type not support\r\n");
  }
  EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
}

TEST_F(ConsoleProgram, NotACompoundFileIsFormatNotCorrect) {
  WriteFile("text.xls", "just some text, not a workbook");
  WriteFile("out.txt", "keep");
  const RunResult r = Run({"-o", "text.xls", "out.txt"});
  EXPECT_EQ(r.exitStatus, 251);
  EXPECT_EQ(r.output, "Input file \"text.xls\" format not correct\r\n");
  EXPECT_EQ(ReadFile("out.txt"), "keep");
}

// The type comes from the last dot of the file name alone.
TEST_F(ConsoleProgram, TheLastExtensionNamesTheType) {
  for (const std::string source : {"report.2023.xls", "x.xlsx.xls", "x.xls.xlsx", "dir.xls/book"}) {
    if (source == "dir.xls/book") fs::create_directory(dir_ / "dir.xls");
    WriteFile(source, "not a workbook");
    const RunResult r = Run({source, "*"});
    const bool workbookType = source != "dir.xls/book";
    EXPECT_EQ(r.exitStatus, workbookType ? 251 : 253) << source;
  }
  // An .xls name with .xlsx before it is read as a compound file: the example converts.
  fs::copy_file(ExampleWorkbookPath(), dir_ / "x.xlsx.xls", fs::copy_options::overwrite_existing);
  EXPECT_EQ(Run({"x.xlsx.xls", "*"}).exitStatus, 0);
}

TEST_F(ConsoleProgram, ForcedTypeOverridesTheExtension) {
  WriteFile("book.dat", "not a compound file");
  const RunResult r = Run({"-TXLS", "book.dat", "*"});
  EXPECT_EQ(r.exitStatus, 251);
  EXPECT_EQ(r.output, "Input file \"book.dat\" format not correct\r\n");
}

// .xlsb names and -TXLSB go to the binary workbook reader: an .xlsx package
// has no workbook.bin, so it is not one.
TEST_F(ConsoleProgram, BinaryWorkbooksAreATypeOfTheirOwn) {
  WriteFile("book.XLSB", "not an archive");
  EXPECT_EQ(Run({"book.XLSB", "*"}).exitStatus, 251);
  fs::copy_file(ExampleWorkbookPath(), dir_ / "example.dat", fs::copy_options::overwrite_existing);
  // -TXLSB names a workbook; its content, an .xls workbook, picks the reader.
  const RunResult asXls = Run({"-TXLS", "example.dat", "*"});
  EXPECT_EQ(asXls.exitStatus, 0);
  const RunResult asXlsb = Run({"-TXLSB", "example.dat", "*"});
  EXPECT_EQ(asXlsb.exitStatus, 0);
  EXPECT_EQ(asXlsb.output, asXls.output);
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

const std::string kExample = std::string(TABULOX_SOURCE_DIR) + "/examples/example.xls";

// Templates and macro-enabled workbooks are workbooks; what the file holds
// picks the reader, so the example .xls converts under each of the names.
TEST_F(ConsoleProgram, TemplateAndMacroExtensionsAreWorkbooks) {
  const RunResult plain = Run({"-c65001", kExample, "*"});
  ASSERT_EQ(plain.exitStatus, 0);
  for (const std::string name : {"book.XLT", "book.xlsm", "book.xltx", "book.xltm", "book.xlsx"}) {
    fs::copy_file(kExample, dir_ / name);
    const RunResult r = Run({"-c65001", name, "*"});
    EXPECT_EQ(r.exitStatus, 0) << name;
    EXPECT_EQ(r.output, plain.output) << name;
  }
}

TEST_F(ConsoleProgram, ConvertsIntoAFileAndReportsSuccess) {
  const RunResult r = Run({"-c65001", kExample, "out.txt"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.output, "\"" + kExample + "\" --> \"out.txt\" OK\r\n");
  const std::string text = ReadFile("out.txt");
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF" "Sales\r\nRegion\tRevenue\tShare\tClosed\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\r\n\r\nStock\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Chart"), std::string::npos);
  EXPECT_NE(text.find("Notes\r\nHidden sheets are converted too.\r\n\r\n"), std::string::npos);
}

TEST_F(ConsoleProgram, ExampleWorkbookGivesItsText) {
  const RunResult r = Run({kExample, "*"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.output,
            "Sales\r\n"
            "Region\tRevenue\tShare\tClosed\r\n"
            "North\t1,234,567.89 EUR\t62.50%\t2024-01-01\r\n"
            "South\t98,765.40 EUR\t37.50%\t2024-02-01\r\n"
            "\t1333332.291\r\n"
            "\r\n"
            "Stock\r\n"
            "Item\tCount\r\n"
            "Bolts\t250\r\n"
            "Nuts\t1200\t5\r\n"
            "\t\t\r\n"
            "\t\tCaf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\r\n"
            "\r\n"
            "Notes\r\n"
            "Hidden sheets are converted too.\r\n"
            "\r\n");
}

TEST_F(ConsoleProgram, StandardOutputCarriesOnlyTheText) {
  const RunResult toStdout = Run({"-c65001", kExample, "*"});
  ASSERT_EQ(Run({"-c65001", kExample, "file.txt"}).exitStatus, 0);
  EXPECT_EQ(toStdout.exitStatus, 0);
  EXPECT_EQ(toStdout.output, ReadFile("file.txt"));
}

TEST_F(ConsoleProgram, Utf16OutputHasItsMark) {
  ASSERT_EQ(Run({"-c1200", kExample, "out.txt"}).exitStatus, 0);
  const std::string text = ReadFile("out.txt");
  EXPECT_EQ(text.substr(0, 6), std::string("\xFF\xFE" "S\0a\0", 6));
}

TEST_F(ConsoleProgram, OverwriteReplacesTheDestination) {
  WriteFile("out.txt", "old");
  const RunResult r = Run({"-O", "-c65001", kExample, "out.txt"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(ReadFile("out.txt").substr(0, 8), "\xEF\xBB\xBF" "Sales");
}

TEST_F(ConsoleProgram, DestinationInAMissingFolderCannotBeCreated) {
  const RunResult r = Run({kExample, "no/such/folder/out.txt"});
  EXPECT_EQ(r.exitStatus, 250);
  EXPECT_EQ(r.output, "Output file \"no/such/folder/out.txt\" create error\r\n");
}

// Exit status of a shell command run in the test folder.
int ShellStatus(const fs::path& dir, const std::string& command) {
  const std::string line = "cd " + ShellQuote(dir.string()) + " && " + command;
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ConsoleProgram, EveryKindOfExistingDestinationCountsWithoutOverwrite) {
  WriteFile("file", "keep");
  fs::create_symlink("file", dir_ / "link");
  fs::create_symlink("nowhere", dir_ / "dangling");
  fs::create_directory(dir_ / "folder");
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  for (const std::string dest : {"link", "dangling", "folder", "fifo"}) {
    const RunResult r = Run({kExample, dest});
    EXPECT_EQ(r.exitStatus, 1) << dest;
    EXPECT_EQ(r.output, "Output file \"" + dest + "\" already exists, convert canceled\r\n");
  }
  EXPECT_EQ(ReadFile("file"), "keep");
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling"));
  EXPECT_FALSE(fs::exists(dir_ / "nowhere"));

  const RunResult r = Run({"-o", kExample, "folder"});
  EXPECT_EQ(r.exitStatus, 250);
  EXPECT_EQ(r.output, "Output file \"folder\" create error\r\n");
}

TEST_F(ConsoleProgram, OverwriteThroughALinkAndIntoAStream) {
  WriteFile("target", "old");
  fs::create_symlink("target", dir_ / "link");
  ASSERT_EQ(Run({"-o", "-c65001", kExample, "link"}).exitStatus, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(ReadFile("target").substr(0, 8), "\xEF\xBB\xBF" "Sales");

  // Standard output is the test's pipe: written in place, the message after the text.
  const RunResult r = Run({"-o", kExample, "/dev/stdout"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.output.rfind("Sales\r\n", 0), 0u);
  EXPECT_NE(r.output.find("\"" + kExample + "\" --> \"/dev/stdout\" OK\r\n"), std::string::npos);
}

TEST_F(ConsoleProgram, ALongDestinationNameIsWritten) {
  const std::string name(255, 'd');
  EXPECT_EQ(Run({kExample, name}).exitStatus, 0);
  EXPECT_EQ(ReadFile(name).substr(0, 5), "Sales");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
}

TEST_F(ConsoleProgram, StandardOutputThatCannotTakeTheTextIsAWriteError) {
  const std::string program = ShellQuote(TBULXCMD_PATH) + " " + ShellQuote(kExample) + " '*'";
  EXPECT_EQ(ShellStatus(dir_, program + " > /dev/full"), 249);
  EXPECT_EQ(ShellStatus(dir_, program + " >&-"), 249);
  // A pipe whose reader is gone, with SIGPIPE ignored.
  EXPECT_EQ(ShellStatus(dir_, "trap '' PIPE; (sleep 0.5; " + program + "; echo $? > status) | true"), 0);
  EXPECT_EQ(ReadFile("status"), "249\n");
  EXPECT_EQ(ShellStatus(dir_, program + " > /dev/null"), 0);
}

// Text that reached the stream but whose close fails (a deferred write error)
// is a write error too; the same close failing after a message-only run
// changes nothing.
TEST_F(ConsoleProgram, AFailingCloseOfStandardOutputIsAWriteError) {
  const std::string preload = std::string("LD_PRELOAD=") + ShellQuote(FAILING_STDOUT_CLOSE_PATH) +
                              " ASAN_OPTIONS=verify_asan_link_order=0 ";
  const std::string program = ShellQuote(TBULXCMD_PATH) + " " + ShellQuote(kExample);
  EXPECT_EQ(ShellStatus(dir_, preload + program + " '*' > out.txt"), 249);
  EXPECT_EQ(ReadFile("out.txt").substr(0, 5), "Sales");
  EXPECT_EQ(ShellStatus(dir_, preload + program + " file.txt > /dev/null"), 0);
  EXPECT_EQ(ReadFile("file.txt").substr(0, 5), "Sales");
}

TEST_F(ConsoleProgram, DestinationEqualToTheSourceIsReadFirst) {
  fs::copy_file(kExample, dir_ / "book.xls");
  const RunResult r = Run({"-o", "-TXLS", "-c65001", "book.xls", "book.xls"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(ReadFile("book.xls").substr(0, 8), "\xEF\xBB\xBF" "Sales");
}

// The example workbook's worksheets: 1 "Sales", 2 "Stock", 3 "Notes" (hidden).
const std::string kStockCsv =
    "Item,Count,\r\n"
    "Bolts,250,\r\n"
    "Nuts,1200,5\r\n"
    ",,\r\n"
    ",,Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\r\n";

TEST_F(ConsoleProgram, HelpPrintsTheUsageAndSucceeds) {
  const RunResult alone = Run({"--help"});
  EXPECT_EQ(alone.exitStatus, 0);
  EXPECT_EQ(alone.output, Usage());
  EXPECT_EQ(Run({"--help", kExample, "out.txt"}).exitStatus, 0);
  EXPECT_FALSE(fs::exists(dir_ / "out.txt"));
  // A source named so is a file name, as it has always been.
  EXPECT_EQ(Run({"-o", "--help", "out.txt"}).exitStatus, 254);
}

TEST_F(ConsoleProgram, LongOptionsThatAreNotValidPrintTheUsage) {
  for (const std::string option : {"--sheet=", "--sheet=0", "--sheet", "--skip-hidden=cells",
                                   "--skip-hidden=rows,", "--as-shown=1", "--csv=yes", "--bogus", "--"}) {
    const RunResult r = Run({option, kExample, "out.txt"});
    EXPECT_EQ(r.exitStatus, 2) << option;
    EXPECT_EQ(r.output, Usage()) << option;
  }
  // One destination per sheet needs %n or %s in its name.
  EXPECT_EQ(Run({"--each-sheet", kExample, "out.txt"}).exitStatus, 2);
  EXPECT_EQ(Run({"--each-sheet", kExample, "*"}).exitStatus, 2);
  EXPECT_FALSE(fs::exists(dir_ / "out.txt"));
}

TEST_F(ConsoleProgram, CsvOfOneSheetOnStandardOutputHoldsOnlyTheText) {
  const RunResult r = RunApart({"--csv", "--sheet=2", kExample, "*"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.output, kStockCsv);
  EXPECT_EQ(ReadFile("errors"), "");
  // By name, in any ASCII letter case, into a file.
  EXPECT_EQ(Run({"--csv", "--sheet=STOCK", kExample, "stock.csv"}).exitStatus, 0);
  EXPECT_EQ(ReadFile("stock.csv"), kStockCsv);
}

TEST_F(ConsoleProgram, ASheetThatIsNotThereIsNamedWithTheWorkbooksSheets) {
  for (const std::string choice : {"--sheet=Nope", "--sheet=4"}) {
    const RunResult r = RunApart({"--as-shown", "--sheet=Sales", choice, kExample, "*"});
    EXPECT_EQ(r.exitStatus, 236);
    EXPECT_EQ(r.output, "");
    const std::string named = choice == "--sheet=4" ? "4" : "\"Nope\"";
    EXPECT_EQ(ReadFile("errors"), "Input file \"" + kExample + "\" has no sheet " + named +
                                      "; its sheets: 1 \"Sales\", 2 \"Stock\", 3 \"Notes\"\r\n");
  }
  // Either layout; the message goes to standard output when the text goes to a file.
  const RunResult file = Run({"--sheet=Nope", kExample, "out.txt"});
  EXPECT_EQ(file.exitStatus, 236);
  EXPECT_FALSE(fs::exists(dir_ / "out.txt"));
}

TEST_F(ConsoleProgram, CsvOfSeveralSheetsWithTextWritesNothing) {
  const RunResult r = Run({"--csv", kExample, "out.csv"});
  EXPECT_EQ(r.exitStatus, 235);
  EXPECT_EQ(r.output, "Input file \"" + kExample +
                          "\" has more than one sheet with text (1 \"Sales\", 2 \"Stock\", 3 \"Notes\"): "
                          "choose one with --sheet=NAME or --sheet=N, or write each with --each-sheet\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "out.csv"));
}

TEST_F(ConsoleProgram, EachSheetGoesIntoAFileOfItsOwn) {
  const RunResult r = Run({"--csv", "--each-sheet", kExample, "book-%n-%s.csv"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.output, "\"" + kExample + "\" --> \"book-1-Sales.csv\" OK\r\n\"" + kExample +
                          "\" --> \"book-2-Stock.csv\" OK\r\n\"" + kExample +
                          "\" --> \"book-3-Notes.csv\" OK\r\n");
  EXPECT_EQ(ReadFile("book-2-Stock.csv"), kStockCsv);
  EXPECT_EQ(ReadFile("book-3-Notes.csv"), "Hidden sheets are converted too.\r\n");

  // Hidden sheets left out; an existing file stops the run before anything is written.
  WriteFile("Stock.txt", "keep");
  const RunResult kept = Run({"--as-shown", "--skip-hidden=sheets", "--each-sheet", kExample, "%s.txt"});
  EXPECT_EQ(kept.exitStatus, 1);
  EXPECT_FALSE(fs::exists(dir_ / "Sales.txt"));
  EXPECT_EQ(ReadFile("Stock.txt"), "keep");
  EXPECT_EQ(Run({"-o", "--as-shown", "--skip-hidden", "--each-sheet", kExample, "%s.txt"}).exitStatus, 0);
  EXPECT_TRUE(fs::exists(dir_ / "Sales.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "Notes.txt"));
  EXPECT_EQ(ReadFile("Stock.txt"), RunApart({"--as-shown", "--sheet=Stock", kExample, "*"}).output);
}

// --- encrypted sources ---------------------------------------------------------------------

// A workbook encrypted with RC4 and the password "secret", and its text.
std::string EncryptedWorkbook(bool encrypted) {
  const auto stream = [&](std::u16string_view password) {
    testing::BiffWriter w;
    w.Bof(testing::kBofGlobals);
    if (encrypted) w.Record(0x002F, testing::FilePassPayload(testing::BiffEncryption::kRc4, password));
    w.Sst({u"hidden text"});
    const auto sheet = w.BoundSheet(u"Vault");
    w.Eof();
    w.StartSheet(sheet);
    w.LabelSst(0, 0, 0, 0);
    w.Number(0, 1, 0, 7);
    w.Eof();
    std::vector<std::uint8_t> bytes(w.bytes().begin(), w.bytes().end());
    if (encrypted) testing::EncryptBiffStream(bytes, testing::BiffEncryption::kRc4, password);
    return bytes;
  };
  const std::vector<std::uint8_t> file = testing::WriteCompoundFile({{u"Workbook", stream(u"secret")}});
  return {file.begin(), file.end()};
}

const std::string kVaultText = "\xEF\xBB\xBFVault\r\nhidden text\t7\r\n\r\n";

TEST_F(ConsoleProgram, TheEnvironmentGivesThePassword) {
  WriteFile("vault.xls", EncryptedWorkbook(true));
  const RunResult opened = RunWithPassword("secret", {"-c65001", "vault.xls", "*"});
  EXPECT_EQ(opened.exitStatus, 0);
  EXPECT_EQ(opened.output, kVaultText);
  // Without a password the message is the one it has always been; an empty
  // variable is no password.
  for (const std::optional<std::string>& password : {std::optional<std::string>(), std::optional<std::string>("")}) {
    const RunResult refused = RunCommand({"vault.xls", "out.txt"}, dir_, "", password);
    EXPECT_EQ(refused.exitStatus, 245);
    EXPECT_EQ(refused.output, "Input file \"vault.xls\" is encrypted\r\n");
  }
  const RunResult wrong = RunWithPassword("Secret", {"vault.xls", "out.txt"});
  EXPECT_EQ(wrong.exitStatus, 245);
  EXPECT_EQ(wrong.output, "Input file \"vault.xls\" is encrypted and the password did not open it\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "out.txt"));
}

TEST_F(ConsoleProgram, APasswordFileGivesItsFirstLine) {
  WriteFile("vault.xls", EncryptedWorkbook(true));
  WriteFile("crlf.txt", "secret\r\nnot this line\n");
  WriteFile("lf.txt", "secret\n");
  WriteFile("bare.txt", "secret");
  for (const char* file : {"crlf.txt", "lf.txt", "bare.txt"}) {
    const RunResult r = RunApart({"-c65001", std::string("--password-file=") + file, "vault.xls", "*"});
    EXPECT_EQ(r.exitStatus, 0) << file;
    EXPECT_EQ(r.output, kVaultText) << file;
  }
  // The file wins over the environment.
  WriteFile("wrong.txt", "guess\n");
  EXPECT_EQ(RunWithPassword("secret", {"--password-file=wrong.txt", "vault.xls", "out.txt"}).exitStatus, 245);
  EXPECT_EQ(RunWithPassword("guess", {"--password-file=lf.txt", "vault.xls", "out.txt"}).exitStatus, 0);
  EXPECT_EQ(ReadFile("out.txt"), "Vault\r\nhidden text\t7\r\n\r\n");
  // An empty first line is the empty password, which does not open it; the
  // message goes to standard error when the text goes to standard output.
  WriteFile("empty.txt", "\nsecret\n");
  const RunResult empty = RunApart({"--password-file=empty.txt", "vault.xls", "*"});
  EXPECT_EQ(empty.exitStatus, 245);
  EXPECT_EQ(ReadFile("errors"), "Input file \"vault.xls\" is encrypted and the password did not open it\r\n");
  // A workbook that is not encrypted does not mind a password.
  WriteFile("plain.xls", EncryptedWorkbook(false));
  EXPECT_EQ(RunApart({"-c65001", "--password-file=wrong.txt", "plain.xls", "*"}).output, kVaultText);
}

TEST_F(ConsoleProgram, APasswordFileThatCannotBeReadStopsTheRun) {
  WriteFile("vault.xls", EncryptedWorkbook(true));
  fs::create_directory(dir_ / "folder");
  for (const char* file : {"missing.txt", "folder"}) {
    const RunResult r = Run({std::string("--password-file=") + file, "vault.xls", "out.txt"});
    EXPECT_EQ(r.exitStatus, 2) << file;
    EXPECT_EQ(r.output, "Password file \"" + std::string(file) + "\" cannot be read\r\n");
  }
  EXPECT_FALSE(fs::exists(dir_ / "out.txt"));
}

TEST_F(ConsoleProgram, EachSheetAndSheetChoicesUseThePassword) {
  WriteFile("vault.xls", EncryptedWorkbook(true));
  WriteFile("pw.txt", "secret\n");
  EXPECT_EQ(Run({"--password-file=pw.txt", "--each-sheet", "vault.xls", "%s.txt"}).exitStatus, 0);
  EXPECT_EQ(ReadFile("Vault.txt"), "Vault\r\nhidden text\t7\r\n\r\n");
  const RunResult missing = Run({"--password-file=pw.txt", "--sheet=Nope", "vault.xls", "out.txt"});
  EXPECT_EQ(missing.exitStatus, 236);
  EXPECT_EQ(missing.output, "Input file \"vault.xls\" has no sheet \"Nope\"; its sheets: 1 \"Vault\"\r\n");
}

TEST_F(ConsoleProgram, AMethodThatIsNotReadIsNamed) {
  testing::BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.Record(0x002F, testing::Bytes().u16(2).u16(0).u16(0));
  w.Eof();
  const std::vector<std::uint8_t> file =
      testing::WriteCompoundFile({{u"Workbook", {w.bytes().begin(), w.bytes().end()}}});
  WriteFile("odd.xls", std::string(file.begin(), file.end()));
  for (const std::optional<std::string>& password : {std::optional<std::string>(), std::optional<std::string>("x")}) {
    const RunResult r = RunCommand({"odd.xls", "out.txt"}, dir_, "", password);
    EXPECT_EQ(r.exitStatus, 245);
    EXPECT_EQ(r.output, "Input file \"odd.xls\" is encrypted with a method that is not supported\r\n");
  }
}

TEST(SheetDestinations, NamesAreMadeSafeAndNeverRepeatWithinARun) {
  const std::vector<SheetInfo> sheets{
      {"a/b", false, 1}, {"a_b", false, 2}, {std::string("tab\tnul\0", 8), false, 3}, {"a_b", false, 4}};
  EXPECT_EQ(cli::SheetDestinations("out/%s.txt", sheets),
            (std::vector<std::string>{"out/a_b.txt", "out/a_b_2.txt", "out/tab_nul_.txt",
                                      "out/a_b_4.txt"}));
  EXPECT_EQ(cli::SheetDestinations("%n %% %x.txt", sheets),
            (std::vector<std::string>{"1 %% %x.txt", "2 %% %x.txt", "3 %% %x.txt", "4 %% %x.txt"}));
  EXPECT_TRUE(cli::HasSheetPlaceholder("x%n"));
  EXPECT_TRUE(cli::HasSheetPlaceholder("%s.txt"));
  EXPECT_FALSE(cli::HasSheetPlaceholder("100%.txt"));
}

}  // namespace
}  // namespace tabulox
