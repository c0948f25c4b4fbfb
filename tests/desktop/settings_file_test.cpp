#include "desktop/settings_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <random>

#include "desktop/file_types.h"
#include "file_size_limit.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WriteAll;

QString Patterns(const ProgramSettings& settings) {
  QStringList patterns;
  for (const NamePattern& known : settings.namePatterns) patterns << known.pattern;
  return patterns.join(u';');
}

const QString kTablePatterns =
    QStringLiteral("*.xls;*.xlt;*.xlsx;*.xlsm;*.xltx;*.xltm;*.xlsb;*.ods;*.ots;*.fods");

TEST(SettingsFileTest, MissingFileGivesDefaults) {
  TempConfig config;
  ProgramSettings s;
  s.targetBesideSource = true;
  ReadSettingsFile(config.Path(QStringLiteral("none.dat")), s);
  EXPECT_FALSE(s.targetBesideSource);
  EXPECT_EQ(s.targetFolder, DocumentsFolderPath());
  EXPECT_EQ(s.addFolders, DocumentsFolderPath());
  EXPECT_TRUE(s.targetFolder.endsWith(u'/'));
  EXPECT_EQ(s.overwritePolicy, 0);
  EXPECT_EQ(s.outputCodePage, 0);
  EXPECT_TRUE(s.scannedTypes[FileTypeIndex(FileType::kXls)]);
  EXPECT_TRUE(s.scannedTypes[FileTypeIndex(FileType::kXlsx)]);
  EXPECT_FALSE(s.recurseFolders);
  EXPECT_FALSE(s.loggingOff);
  for (bool ticked : s.scannedTypes) EXPECT_TRUE(ticked);
  EXPECT_EQ(Patterns(s), kTablePatterns);
}

TEST(SettingsFileTest, NewFileListsEveryKeyInOrder) {
  TempConfig config;
  ProgramSettings s = DefaultSettings();
  s.targetFolder = QStringLiteral("/t/");
  s.addFolders = QStringLiteral("/a;/b");
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteSettingsFile(path, s);
  EXPECT_EQ(ReadAll(path),
            "[general]\nsamedir=0\ntargetdir=/t/\nadddir=/a;/b\nfileovertp=0\nsourcecode=0\n"
            "userfileext1=\nuserfileext2=\nselext1=1\nselxlt=1\nselext2=1\nselxlsm=1\nselxltx=1\n"
            "selxltm=1\nselxlsb=1\nselods=1\nselots=1\nselfods=1\nrecursive=0\nnotlog=0\nlayout=0\nseparator=0\nsheetfiles=0\nskiphidden=0\n");
}

TEST(SettingsFileTest, UnreadableAndOutOfRangeNumbersTakeDefaults) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteAll(path,
           "[general]\nfileovertp=abc\nsourcecode=12x\ntextorder=99999999999\nselext1=no\n"
           "samedir=2\nkeepraw= -1 \n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_EQ(s.overwritePolicy, 0);
  EXPECT_EQ(s.outputCodePage, 0);
  EXPECT_TRUE(s.scannedTypes[FileTypeIndex(FileType::kXls)]);
  EXPECT_TRUE(s.targetBesideSource);

  WriteSettingsFile(path, s);
  const QByteArray written = ReadAll(path);
  EXPECT_TRUE(written.contains("\nsamedir=1\n"));
  EXPECT_TRUE(written.contains("\nfileovertp=0\n"));
  EXPECT_FALSE(written.contains("abc"));
  // Keys no setting reads stay as the file had them.
  EXPECT_TRUE(written.contains("\ntextorder=99999999999\n"));
  EXPECT_TRUE(written.contains("\nkeepraw= -1 \n"));
}

TEST(SettingsFileTest, RoundTripKeepsEveryFieldAndKeysNoSettingReads) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteAll(path, "[general]\ntargetcode=1252\npagebreak=1\ntextorder=2\nkeepraw=1\n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  s.targetBesideSource = true;
  s.targetFolder = QStringLiteral("/home/u/Έγγραφα/文件/");
  s.overwritePolicy = 2;
  s.outputCodePage = 65001;
  s.xlsExtraPatterns = QStringLiteral("*.XLT");
  s.scannedTypes[FileTypeIndex(FileType::kXlsx)] = false;
  s.recurseFolders = true;
  s.loggingOff = true;
  for (int run = 0; run < 3; ++run) WriteSettingsFile(path, s);

  ProgramSettings back;
  ReadSettingsFile(path, back);
  EXPECT_TRUE(back.targetBesideSource);
  EXPECT_EQ(back.targetFolder, s.targetFolder);
  EXPECT_EQ(back.overwritePolicy, 2);
  EXPECT_EQ(back.outputCodePage, 65001);
  EXPECT_EQ(back.xlsExtraPatterns, QStringLiteral("*.XLT"));
  EXPECT_FALSE(back.scannedTypes[FileTypeIndex(FileType::kXlsx)]);
  EXPECT_TRUE(back.recurseFolders);
  EXPECT_TRUE(back.loggingOff);
  EXPECT_EQ(Patterns(back), QStringLiteral("*.xls;*.xlt;*.xlt;*.xlsx;*.xlsm;*.xltx;*.xltm;*.xlsb;*.ods;*.ots;*.fods"));
  const QByteArray written = ReadAll(path);
  for (const char* kept : {"\ntargetcode=1252\n", "\npagebreak=1\n", "\ntextorder=2\n", "\nkeepraw=1\n"}) {
    EXPECT_EQ(written.count(kept), 1) << kept;
  }
}

// A file of the fifteen keys the program has always written: its values load
// as they were, it is written back line for line, and the ticks of the types
// it has no key for are appended, ticked.
TEST(SettingsFileTest, FileOfFifteenKeysLoadsAndKeepsItsLines) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  const QByteArray today =
      "[general]\nsamedir=1\ntargetdir=/t/\nadddir=/a;/b\nfileovertp=2\nsourcecode=1252\n"
      "targetcode=0\nuserfileext1=*.xlw\nuserfileext2=\nselext1=0\nselext2=1\nrecursive=1\n"
      "pagebreak=0\ntextorder=0\nkeepraw=0\nnotlog=1\n";
  WriteAll(path, today);
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_TRUE(s.targetBesideSource);
  EXPECT_EQ(s.targetFolder, QStringLiteral("/t/"));
  EXPECT_EQ(s.addFolders, QStringLiteral("/a;/b"));
  EXPECT_EQ(s.overwritePolicy, 2);
  EXPECT_EQ(s.outputCodePage, 1252);
  EXPECT_EQ(s.xlsExtraPatterns, QStringLiteral("*.xlw"));
  EXPECT_FALSE(s.scannedTypes[FileTypeIndex(FileType::kXls)]);
  EXPECT_TRUE(s.scannedTypes[FileTypeIndex(FileType::kXlsx)]);
  EXPECT_TRUE(s.scannedTypes[FileTypeIndex(FileType::kXlsb)]);
  EXPECT_TRUE(s.recurseFolders);
  EXPECT_TRUE(s.loggingOff);
  EXPECT_EQ(s.layout, OutputLayout::kAsToday);
  EXPECT_FALSE(s.commaSeparated);
  EXPECT_FALSE(s.filePerSheet);
  EXPECT_FALSE(s.leaveHiddenOut);
  WriteSettingsFile(path, s);
  EXPECT_EQ(ReadAll(path), today + "selxlt=1\nselxlsm=1\nselxltx=1\nselxltm=1\nselxlsb=1\nselods=1\nselots=1\nselfods=1\n"
                                   "layout=0\nseparator=0\nsheetfiles=0\nskiphidden=0\n");
}

TEST(SettingsFileTest, OutputKeysRoundTripAndAnUnknownLayoutIsToday) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  ProgramSettings s = DefaultSettings();
  s.layout = OutputLayout::kAsShown;
  s.commaSeparated = true;
  s.filePerSheet = true;
  s.leaveHiddenOut = true;
  WriteSettingsFile(path, s);
  ProgramSettings back;
  ReadSettingsFile(path, back);
  EXPECT_EQ(back.layout, OutputLayout::kAsShown);
  EXPECT_TRUE(back.commaSeparated);
  EXPECT_TRUE(back.filePerSheet);
  EXPECT_TRUE(back.leaveHiddenOut);
  WriteAll(path, "[general]\nlayout=7\n");
  ReadSettingsFile(path, back);
  EXPECT_EQ(back.layout, OutputLayout::kAsToday);
}

TEST(SettingsFileTest, OtherSectionsAndUnknownKeysSurviveAWrite) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteAll(path, "[other]\nsamedir=1\n\n[General]\r\nmine=keep\r\nSAMEDIR = 1\r\n\n[tail]\nx=y\n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_TRUE(s.targetBesideSource);  // from [General], case-insensitive; [other] is not read
  s.targetBesideSource = false;
  WriteSettingsFile(path, s);
  const QByteArray written = ReadAll(path);
  EXPECT_TRUE(written.startsWith("[other]\nsamedir=1\n\n[General]\nmine=keep\nsamedir=0\n"))
      << written.toStdString();
  EXPECT_TRUE(written.endsWith("skiphidden=0\n\n[tail]\nx=y\n")) << written.toStdString();
}

TEST(SettingsFileTest, OverlongValueIsCutWithoutSplittingACharacter) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  // 2046 ASCII bytes, then a two-byte character that would straddle the limit.
  const QByteArray dir = QByteArray(2046, 'd') + "é" + "tail";
  WriteAll(path, "[general]\ntargetdir=" + dir + "\nadddir=" + QByteArray(3000, 'a') + "\n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_EQ(s.targetFolder, QString(2046, u'd'));
  EXPECT_EQ(s.addFolders, QString(kMaxSettingsValueLength, u'a'));
}

TEST(SettingsFileTest, UnwritablePathRaisesAndKeepsOldFile) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("missing-dir/Tabulox.dat"));
  try {
    WriteSettingsFile(path, DefaultSettings());
    FAIL() << "no error raised";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.toStdString());
  }
}

// A write that fails part way (the file size limit stands in for a full
// disk) raises and leaves the previous file as it was.
TEST(SettingsFileTest, FailedWriteKeepsThePreviousFile) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  const QByteArray before = "[general]\nsamedir=1\n[other]\n" + QByteArray(100, 'x') + "=1\n";
  WriteAll(path, before);
  ProgramSettings s = DefaultSettings();
  s.addFolders = QString(3000, u'a');
  {
    testing::FileSizeLimit limit(1024);
    EXPECT_THROW(WriteSettingsFile(path, s), SettingsWriteError);
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(QDir(config.Path(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(SettingsFileTest, ControlBytesMarkADamagedFileAndTextDoesNot) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  EXPECT_FALSE(SettingsFileIsDamaged(path));  // missing
  WriteAll(path, "; note\r\n[general]\r\n\ttargetdir = /d/Données/\r\nuserfileext1=*.xlt\n");
  EXPECT_FALSE(SettingsFileIsDamaged(path));
  for (const QByteArray& bytes : {QByteArray("[general]\nsamedir=1\0\n", 21), QByteArray("[general]\x01\n"),
                                  QByteArray("a=\x7F")}) {
    WriteAll(path, bytes);
    EXPECT_TRUE(SettingsFileIsDamaged(path)) << bytes.toHex().toStdString();
  }
}

// A settings file of random bytes: the defaults are used, the damaged file
// is kept under a new name with a message, and the file written at exit
// holds the defaults only, none of the noise.
TEST(SettingsFileTest, RandomBytesGiveTheDefaultsAndAKeptCopy) {
  TempConfig config;
  EnsureConfigDir();
  std::mt19937 random(7);
  QByteArray noise(4096, Qt::Uninitialized);
  for (char& byte : noise) byte = static_cast<char>(random());
  noise.replace(0, 10, "[general]\n");
  WriteAll(SettingsFilePath(), noise);

  const QString message = LoadSettings();
  const QStringList copies = QDir(ConfigDir()).entryList({QStringLiteral("Tabulox.dat.damaged-*")});
  ASSERT_EQ(copies.size(), 1);
  EXPECT_EQ(ReadAll(ConfigDir() + copies[0]), noise);
  EXPECT_EQ(message, DamagedSettingsFileMessage(SettingsFilePath(), ConfigDir() + copies[0]));
  EXPECT_TRUE(message.contains(ConfigDir() + copies[0]));

  SaveSettings();
  const QString defaults = config.Path(QStringLiteral("defaults.dat"));
  WriteSettingsFile(defaults, DefaultSettings());
  EXPECT_EQ(ReadAll(SettingsFilePath()), ReadAll(defaults));
  GlobalSettings() = DefaultSettings();
}

TEST(SettingsFileTest, LoadAndSaveUseTheConfigFolderAndCreateIt) {
  TempConfig config;
  EXPECT_EQ(ConfigDir(), config.Path(QStringLiteral("Tabulox/")));
  GlobalSettings() = DefaultSettings();
  GlobalSettings().overwritePolicy = 3;
  SaveSettings();
  EXPECT_TRUE(QFile::exists(config.Path(QStringLiteral("Tabulox/Tabulox.dat"))));
  GlobalSettings().overwritePolicy = 0;
  LoadSettings();
  EXPECT_EQ(GlobalSettings().overwritePolicy, 3);
  GlobalSettings() = DefaultSettings();
}

}  // namespace
}  // namespace tabulox
