#include "settings_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <random>

#include "file_size_limit.h"
#include "file_types.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WriteAll;

TEST(SettingsFileTest, MissingFileGivesDefaults) {
  TempConfig config;
  ProgramSettings s;
  s.samedir = true;
  ReadSettingsFile(config.Path(QStringLiteral("none.dat")), s);
  EXPECT_FALSE(s.samedir);
  EXPECT_EQ(s.targetdir, DocumentsFolderPath());
  EXPECT_EQ(s.adddir, DocumentsFolderPath());
  EXPECT_TRUE(s.targetdir.endsWith(u'/'));
  EXPECT_EQ(s.fileovertp, 0);
  EXPECT_EQ(s.sourcecode, 0);
  EXPECT_TRUE(s.selext1);
  EXPECT_TRUE(s.selext2);
  EXPECT_FALSE(s.recursive);
  EXPECT_FALSE(s.notlog);
  EXPECT_EQ(s.extensionList, QStringLiteral("*.xls;*.xlsx;"));
}

TEST(SettingsFileTest, NewFileListsAllFifteenKeysInOrder) {
  TempConfig config;
  ProgramSettings s = DefaultSettings();
  s.targetdir = QStringLiteral("/t/");
  s.adddir = QStringLiteral("/a;/b");
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteSettingsFile(path, s);
  EXPECT_EQ(ReadAll(path),
            "[general]\nsamedir=0\ntargetdir=/t/\nadddir=/a;/b\nfileovertp=0\nsourcecode=0\n"
            "targetcode=0\nuserfileext1=\nuserfileext2=\nselext1=1\nselext2=1\nrecursive=0\n"
            "pagebreak=0\ntextorder=0\nkeepraw=0\nnotlog=0\n");
}

TEST(SettingsFileTest, UnreadableAndOutOfRangeNumbersTakeDefaults) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteAll(path,
           "[general]\nfileovertp=abc\nsourcecode=12x\ntextorder=99999999999\nselext1=no\n"
           "samedir=2\nkeepraw= -1 \n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_EQ(s.fileovertp, 0);
  EXPECT_EQ(s.sourcecode, 0);
  EXPECT_EQ(s.textorder, 0);
  EXPECT_TRUE(s.selext1);
  EXPECT_TRUE(s.samedir);
  EXPECT_EQ(s.keepraw, -1);

  WriteSettingsFile(path, s);
  const QByteArray written = ReadAll(path);
  EXPECT_TRUE(written.contains("\nsamedir=1\n"));
  EXPECT_TRUE(written.contains("\nfileovertp=0\n"));
  EXPECT_FALSE(written.contains("abc"));
}

TEST(SettingsFileTest, RoundTripKeepsEveryFieldAndHandEditedTargetCode) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteAll(path, "[general]\ntargetcode=1252\n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  s.samedir = true;
  s.targetdir = QStringLiteral("/home/u/Έγγραφα/文件/");
  s.fileovertp = 2;
  s.sourcecode = 65001;
  s.userfileext1 = QStringLiteral("*.XLT");
  s.selext2 = false;
  s.recursive = true;
  s.notlog = true;
  for (int run = 0; run < 3; ++run) WriteSettingsFile(path, s);

  ProgramSettings back;
  ReadSettingsFile(path, back);
  EXPECT_EQ(back.targetcode, 1252);
  EXPECT_TRUE(back.samedir);
  EXPECT_EQ(back.targetdir, s.targetdir);
  EXPECT_EQ(back.fileovertp, 2);
  EXPECT_EQ(back.sourcecode, 65001);
  EXPECT_EQ(back.userfileext1, QStringLiteral("*.XLT"));
  EXPECT_FALSE(back.selext2);
  EXPECT_TRUE(back.recursive);
  EXPECT_TRUE(back.notlog);
  EXPECT_EQ(back.extensionList, QStringLiteral("*.xls;*.xlt;*.xlsx;"));
  EXPECT_EQ(ReadAll(path).count("targetcode="), 1);
}

TEST(SettingsFileTest, OtherSectionsAndUnknownKeysSurviveAWrite) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  WriteAll(path, "[other]\nsamedir=1\n\n[General]\r\nmine=keep\r\nSAMEDIR = 1\r\n\n[tail]\nx=y\n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_TRUE(s.samedir);  // from [General], case-insensitive; [other] is not read
  s.samedir = false;
  WriteSettingsFile(path, s);
  const QByteArray written = ReadAll(path);
  EXPECT_TRUE(written.startsWith("[other]\nsamedir=1\n\n[General]\nmine=keep\nsamedir=0\n"))
      << written.toStdString();
  EXPECT_TRUE(written.endsWith("notlog=0\n\n[tail]\nx=y\n")) << written.toStdString();
}

TEST(SettingsFileTest, OverlongValueIsCutWithoutSplittingACharacter) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.dat"));
  // 2046 ASCII bytes, then a two-byte character that would straddle the limit.
  const QByteArray dir = QByteArray(2046, 'd') + "é" + "tail";
  WriteAll(path, "[general]\ntargetdir=" + dir + "\nadddir=" + QByteArray(3000, 'a') + "\n");
  ProgramSettings s;
  ReadSettingsFile(path, s);
  EXPECT_EQ(s.targetdir, QString(2046, u'd'));
  EXPECT_EQ(s.adddir, QString(kMaxSettingsValueLength, u'a'));
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
  s.adddir = QString(3000, u'a');
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
  GlobalSettings().fileovertp = 3;
  SaveSettings();
  EXPECT_TRUE(QFile::exists(config.Path(QStringLiteral("Tabulox/Tabulox.dat"))));
  GlobalSettings().fileovertp = 0;
  LoadSettings();
  EXPECT_EQ(GlobalSettings().fileovertp, 3);
  GlobalSettings() = DefaultSettings();
}

}  // namespace
}  // namespace tabulox
