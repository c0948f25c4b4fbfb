#include "options_dialog.h"

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
#include "picker_folder.h"

namespace tabulox {

OptionsDialog::OptionsDialog(ProgramSettings& settings, QString programDir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      programDir_(std::move(programDir)) {
  setObjectName(QStringLiteral("optionsDialog"));
  setWindowTitle(QStringLiteral("Options"));
  setModal(true);

  pages = new QTabWidget(this);
  pages->setDocumentMode(true);  // flat tab buttons
  pages->addTab(CreateGeneralPage(), QStringLiteral("General"));
  pages->addTab(CreateFileExtensionPage(), QStringLiteral("File Extension"));
  pages->addTab(CreateSpecialPage(), QStringLiteral("Special"));
  for (int page : {kPageFileExtension, kPageSpecial}) {
    pages->setTabVisible(page, false);
    // A hidden page does not size the dialog.
    pages->widget(page)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  }

  buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  okButton = buttonBox->button(QDialogButtonBox::Ok);
  cancelButton = buttonBox->button(QDialogButtonBox::Cancel);
  helpButton = buttonBox->button(QDialogButtonBox::Help);
  okButton->setText(QStringLiteral("&OK"));
  cancelButton->setText(QStringLiteral("&Cancel"));
  helpButton->setText(QStringLiteral("&Help"));
  okButton->setDefault(true);
  cancelButton->setAutoDefault(false);
  helpButton->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages);
  layout->addWidget(buttonBox);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(buttonBox, &QDialogButtonBox::accepted, this, &OptionsDialog::onOk);
  connect(buttonBox, &QDialogButtonBox::rejected, this, &OptionsDialog::onCancel);
  connect(buttonBox, &QDialogButtonBox::helpRequested, this, &OptionsDialog::onHelp);
  connect(browseButton, &QPushButton::clicked, this, &OptionsDialog::onBrowse);
  connect(sameFolderCheck, &QCheckBox::clicked, this, &OptionsDialog::onSameFolderClicked);
}

QWidget* OptionsDialog::CreateGeneralPage() {
  auto* page = new QWidget;
  sameFolderCheck = new QCheckBox(QStringLiteral("Target file directory same as source file"), page);
  targetFolderEdit = new QLineEdit(page);
  targetFolderEdit->setMinimumWidth(300);
  browseButton = new QPushButton(QStringLiteral("&Browse"), page);
  browseButton->setAutoDefault(false);
  overwritePolicyCombo = new QComboBox(page);
  overwritePolicyCombo->addItems({QStringLiteral("Auto rename"), QStringLiteral("Overwrite"),
                            QStringLiteral("Prompt"), QStringLiteral("Cancel")});
  codePageCombo = new QComboBox(page);
  codePageCombo->setEditable(true);
  codePageCombo->setInsertPolicy(QComboBox::NoInsert);  // typed numbers do not join the list
  codePageCombo->addItems(CodePageEntries());

  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(targetFolderEdit, 1);
  dirRow->addWidget(browseButton);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Target file dir"), dirRow);
  form->addRow(QStringLiteral("When target file exists"), overwritePolicyCombo);
  form->addRow(QStringLiteral("File code page"), codePageCombo);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(sameFolderCheck);
  layout->addLayout(form);
  layout->addStretch(1);
  sameFolderCheck->setFocus();
  return page;
}

QWidget* OptionsDialog::CreateFileExtensionPage() {
  auto* page = new QWidget;
  extensionTable = new QTreeWidget(page);
  extensionTable->setRootIsDecorated(false);
  extensionTable->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Description"),
                                QStringLiteral("Default ext"), QStringLiteral("User defined")});
  for (const FileTypeEntry& type : kFileTypes) {
    auto* row = new QTreeWidgetItem(extensionTable);
    row->setText(0, QString::fromLatin1(type.tag));
    row->setText(1, QString::fromLatin1(type.description));
    row->setText(2, QString::fromLatin1(type.defaultPattern));
    row->setText(kColumnUserDefined, UserPatterns(settings_, type.index));
    row->setFlags(row->flags() | Qt::ItemIsEditable);
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(extensionTable);
  return page;
}

QWidget* OptionsDialog::CreateSpecialPage() {
  auto* page = new QWidget;
  textOrderCombo = new QComboBox(page);
  textOrderCombo->addItems({QStringLiteral("Default reading order"),
                           QStringLiteral("Maintain original layout"), QStringLiteral("Keep raw order")});
  pageBreakCheck = new QCheckBox(QStringLiteral("Insert page break"), page);
  keepRawCheck = new QCheckBox(QStringLiteral("Keep raw characters"), page);

  auto* pdf = new QGroupBox(QStringLiteral("PDF"), page);
  auto* pdfLayout = new QFormLayout(pdf);
  pdfLayout->addRow(QStringLiteral("Text output order"), textOrderCombo);
  pdfLayout->addRow(pageBreakCheck);
  auto* doc = new QGroupBox(QStringLiteral("DOC"), page);
  auto* docLayout = new QVBoxLayout(doc);
  docLayout->addWidget(keepRawCheck);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(pdf);
  layout->addWidget(doc);
  return page;
}

void OptionsDialog::showEvent(QShowEvent* event) {
  LoadOptions();
  sameFolderCheck->setFocus();
  QDialog::showEvent(event);
}

void OptionsDialog::LoadOptions() {
  targetFolderEdit->setText(settings_.targetdir);
  sameFolderCheck->setChecked(settings_.samedir);
  onSameFolderClicked();

  // Out of range selects nothing (index -1).
  overwritePolicyCombo->setCurrentIndex(settings_.fileovertp < overwritePolicyCombo->count() ? settings_.fileovertp : -1);

  codePageCombo->setEditText(CodePageDisplayText(settings_.sourcecode));

  for (const FileTypeEntry& type : kFileTypes) {
    extensionTable->topLevelItem(type.index - 1)->setText(kColumnUserDefined, UserPatterns(settings_, type.index));
  }
  textOrderCombo->setCurrentIndex(settings_.textorder >= 0 && settings_.textorder < textOrderCombo->count()
                                     ? settings_.textorder
                                     : -1);
  pageBreakCheck->setChecked(settings_.pagebreak);
  keepRawCheck->setChecked(settings_.keepraw == 1);
}

void OptionsDialog::onOk() {
  settings_.targetdir = WithTrailingSlash(targetFolderEdit->text());
  settings_.samedir = sameFolderCheck->isChecked();
  // No selection (-1) is stored as 255, like any index, in 8 bits.
  settings_.fileovertp = static_cast<std::uint8_t>(overwritePolicyCombo->currentIndex() & 0xFF);

  const std::optional<std::int32_t> codePage = ParseCodePageText(codePageCombo->currentText());
  if (!codePage) {
    QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Code page identifier must be numeric!"));
    codePageCombo->setFocus();
    return;
  }
  settings_.sourcecode = *codePage;

  settings_.userfileext1 = extensionTable->topLevelItem(0)->text(kColumnUserDefined);
  settings_.userfileext2 = extensionTable->topLevelItem(1)->text(kColumnUserDefined);
  BuildTypeList(settings_);

  settings_.textorder = textOrderCombo->currentIndex();
  settings_.pagebreak = pageBreakCheck->isChecked();
  settings_.keepraw = keepRawCheck->isChecked() ? 1 : 0;
  accept();
}

void OptionsDialog::onCancel() {
  LoadOptions();
  reject();
}

void OptionsDialog::onHelp() { ShowHelp(programDir_, QString::fromLatin1(kHelpOptionsPage)); }

void OptionsDialog::onBrowse() {
  const QString picked = QFileDialog::getExistingDirectory(this, QStringLiteral("Select target directory"),
                                                           PickerStartFolder(targetFolderEdit->text()),
                                                           QFileDialog::ShowDirsOnly);
  if (picked.isEmpty()) return;
  RememberPickerFolder(picked);
  targetFolderEdit->setText(picked);
}

void OptionsDialog::onSameFolderClicked() {
  const bool ownDir = !sameFolderCheck->isChecked();
  targetFolderEdit->setEnabled(ownDir);
  browseButton->setEnabled(ownDir);
}

}  // namespace tabulox
