#include "fm_option.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include "code_page_list.h"
#include "file_types.h"
#include "help_pages.h"

namespace tabulox {

TFmOption::TFmOption(TGlobalSettings& settings, QString programDir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      programDir_(std::move(programDir)) {
  setObjectName(QStringLiteral("FmOption"));
  setWindowTitle(QStringLiteral("Options"));
  setModal(true);

  PageControl1 = new QTabWidget(this);
  PageControl1->setDocumentMode(true);  // flat tab buttons
  PageControl1->addTab(CreateGeneralPage(), QStringLiteral("General"));
  PageControl1->addTab(CreateFileExtensionPage(), QStringLiteral("File Extension"));
  PageControl1->addTab(CreateSpecialPage(), QStringLiteral("Special"));
  for (int page : {kPageFileExtension, kPageSpecial}) {
    PageControl1->setTabVisible(page, false);
    // A hidden page does not size the dialog.
    PageControl1->widget(page)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  }

  BtnOK = new QPushButton(QStringLiteral("&OK"), this);
  BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  BtnHelp = new QPushButton(QStringLiteral("&Help"), this);
  BtnOK->setDefault(true);
  BtnCancel->setAutoDefault(false);
  BtnHelp->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BtnOK);
  buttons->addWidget(BtnCancel);
  buttons->addWidget(BtnHelp);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BtnOK, &QPushButton::clicked, this, &TFmOption::BtnOKClick);
  connect(BtnCancel, &QPushButton::clicked, this, &TFmOption::BtnCancelClick);
  connect(BtnHelp, &QPushButton::clicked, this, &TFmOption::BtnHelpClick);
  connect(BtnDir, &QPushButton::clicked, this, &TFmOption::BtnDirClick);
  connect(CBSameDir, &QCheckBox::clicked, this, &TFmOption::CBSameDirClick);
}

QWidget* TFmOption::CreateGeneralPage() {
  auto* page = new QWidget;
  CBSameDir = new QCheckBox(QStringLiteral("Target file directory same as source file"), page);
  EditTargetDir = new QLineEdit(page);
  EditTargetDir->setMinimumWidth(300);
  BtnDir = new QPushButton(QStringLiteral("&Browse"), page);
  BtnDir->setAutoDefault(false);
  ComBFileOverTp = new QComboBox(page);
  ComBFileOverTp->addItems({QStringLiteral("Auto rename"), QStringLiteral("Overwrite"),
                            QStringLiteral("Prompt"), QStringLiteral("Cancel")});
  ComBSourceCode = new QComboBox(page);
  ComBSourceCode->setEditable(true);
  ComBSourceCode->setInsertPolicy(QComboBox::NoInsert);  // typed numbers do not join the list
  ComBSourceCode->addItems(CodePageEntries());

  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(EditTargetDir, 1);
  dirRow->addWidget(BtnDir);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Target file dir"), dirRow);
  form->addRow(QStringLiteral("When target file exists"), ComBFileOverTp);
  form->addRow(QStringLiteral("File code page"), ComBSourceCode);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(CBSameDir);
  layout->addLayout(form);
  layout->addStretch(1);
  CBSameDir->setFocus();
  return page;
}

QWidget* TFmOption::CreateFileExtensionPage() {
  auto* page = new QWidget;
  ListViewExt = new QTreeWidget(page);
  ListViewExt->setRootIsDecorated(false);
  ListViewExt->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Description"),
                                QStringLiteral("Default ext"), QStringLiteral("User defined")});
  for (const FileTypeEntry& type : kFileTypes) {
    auto* row = new QTreeWidgetItem(ListViewExt);
    row->setText(0, QString::fromLatin1(type.tag));
    row->setText(1, QString::fromLatin1(type.description));
    row->setText(2, QString::fromLatin1(type.defaultPattern));
    row->setText(kColumnUserDefined, UserPatterns(settings_, type.index));
    row->setFlags(row->flags() | Qt::ItemIsEditable);
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(ListViewExt);
  return page;
}

QWidget* TFmOption::CreateSpecialPage() {
  auto* page = new QWidget;
  ComBTextOrder = new QComboBox(page);
  ComBTextOrder->addItems({QStringLiteral("Default reading order"),
                           QStringLiteral("Maintain original layout"), QStringLiteral("Keep raw order")});
  CBPageBreak = new QCheckBox(QStringLiteral("Insert page break"), page);
  CBKeepRaw = new QCheckBox(QStringLiteral("Keep raw characters"), page);

  auto* pdf = new QGroupBox(QStringLiteral("PDF"), page);
  auto* pdfLayout = new QFormLayout(pdf);
  pdfLayout->addRow(QStringLiteral("Text output order"), ComBTextOrder);
  pdfLayout->addRow(CBPageBreak);
  auto* doc = new QGroupBox(QStringLiteral("DOC"), page);
  auto* docLayout = new QVBoxLayout(doc);
  docLayout->addWidget(CBKeepRaw);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(pdf);
  layout->addWidget(doc);
  return page;
}

void TFmOption::showEvent(QShowEvent* event) {
  LoadOptions();
  CBSameDir->setFocus();
  QDialog::showEvent(event);
}

void TFmOption::LoadOptions() {
  EditTargetDir->setText(settings_.targetdir);
  CBSameDir->setChecked(settings_.samedir);
  CBSameDirClick();

  // Out of range selects nothing (index -1).
  ComBFileOverTp->setCurrentIndex(settings_.fileovertp < ComBFileOverTp->count() ? settings_.fileovertp : -1);

  ComBSourceCode->setEditText(CodePageDisplayText(settings_.sourcecode));

  for (const FileTypeEntry& type : kFileTypes) {
    ListViewExt->topLevelItem(type.index - 1)->setText(kColumnUserDefined, UserPatterns(settings_, type.index));
  }
  ComBTextOrder->setCurrentIndex(settings_.textorder >= 0 && settings_.textorder < ComBTextOrder->count()
                                     ? settings_.textorder
                                     : -1);
  CBPageBreak->setChecked(settings_.pagebreak);
  CBKeepRaw->setChecked(settings_.keepraw == 1);
}

void TFmOption::BtnOKClick() {
  settings_.targetdir = WithTrailingSlash(EditTargetDir->text());
  settings_.samedir = CBSameDir->isChecked();
  // No selection (-1) is stored as 255, like any index, in 8 bits.
  settings_.fileovertp = static_cast<std::uint8_t>(ComBFileOverTp->currentIndex() & 0xFF);

  const std::optional<std::int32_t> codePage = ParseCodePageText(ComBSourceCode->currentText());
  if (!codePage) {
    QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Code page identifier must be numeric!"));
    ComBSourceCode->setFocus();
    return;
  }
  settings_.sourcecode = *codePage;

  settings_.userfileext1 = ListViewExt->topLevelItem(0)->text(kColumnUserDefined);
  settings_.userfileext2 = ListViewExt->topLevelItem(1)->text(kColumnUserDefined);
  BuildTypeList(settings_);

  settings_.textorder = ComBTextOrder->currentIndex();
  settings_.pagebreak = CBPageBreak->isChecked();
  settings_.keepraw = CBKeepRaw->isChecked() ? 1 : 0;
  accept();
}

void TFmOption::BtnCancelClick() {
  LoadOptions();
  reject();
}

void TFmOption::BtnHelpClick() { ShowHelp(programDir_, QString::fromLatin1(kHelpOptionsPage)); }

void TFmOption::BtnDirClick() {
  const QString current = EditTargetDir->text();
  const QString start = QDir(current).exists() && !current.isEmpty() ? current : QString();
  const QString picked = QFileDialog::getExistingDirectory(this, QStringLiteral("Select target directory"), start,
                                                           QFileDialog::ShowDirsOnly);
  if (!picked.isEmpty()) EditTargetDir->setText(picked);
}

void TFmOption::CBSameDirClick() {
  const bool ownDir = !CBSameDir->isChecked();
  EditTargetDir->setEnabled(ownDir);
  BtnDir->setEnabled(ownDir);
}

}  // namespace tabulox
