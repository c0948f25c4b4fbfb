#include "desktop/options_dialog.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include "desktop/code_page_list.h"
#include "desktop/file_types.h"
#include "desktop/help_pages.h"
#include "desktop/picker_folder.h"

namespace tabulox {
namespace {

// The rows of the File Extension page, in the order of its first column.
constexpr FileType kTypesWithExtraPatterns[] = {FileType::kXls, FileType::kXlsx};

}  // namespace

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
  pages->addTab(createGeneralPage(), QStringLiteral("General"));
  pages->addTab(createFileExtensionPage(), QStringLiteral("File Extension"));
  pages->setTabVisible(kPageFileExtension, false);
  // A hidden page does not size the dialog.
  pages->widget(kPageFileExtension)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

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

QWidget* OptionsDialog::createGeneralPage() {
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
  layout->addWidget(createOutputGroup(page));
  layout->addStretch(1);
  sameFolderCheck->setFocus();
  return page;
}

QWidget* OptionsDialog::createOutputGroup(QWidget* page) {
  auto* group = new QGroupBox(QStringLiteral("Output"), page);
  layoutCombo = new QComboBox(group);
  layoutCombo->addItems({QStringLiteral("As today"), QStringLiteral("As shown")});
  separatorCombo = new QComboBox(group);
  separatorCombo->addItems({QStringLiteral("TAB"), QStringLiteral("Comma (.csv)")});
  filePerSheetCheck = new QCheckBox(QStringLiteral("One file per sheet (<name> - <sheet>.<ext>)"), group);
  leaveHiddenOutCheck = new QCheckBox(QStringLiteral("Leave hidden sheets, rows and columns out"), group);
  auto* form = new QFormLayout(group);
  form->addRow(QStringLiteral("Layout"), layoutCombo);
  form->addRow(QStringLiteral("Separator"), separatorCombo);
  form->addRow(filePerSheetCheck);
  form->addRow(leaveHiddenOutCheck);
  connect(layoutCombo, &QComboBox::currentIndexChanged, this, &OptionsDialog::onLayoutChanged);
  return group;
}

void OptionsDialog::onLayoutChanged() {
  separatorCombo->setEnabled(layoutCombo->currentIndex() == static_cast<int>(OutputLayout::kAsShown));
}

QWidget* OptionsDialog::createFileExtensionPage() {
  auto* page = new QWidget;
  extensionTable = new QTreeWidget(page);
  extensionTable->setRootIsDecorated(false);
  extensionTable->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Description"),
                                QStringLiteral("Default ext"), QStringLiteral("User defined")});
  for (FileType type : kTypesWithExtraPatterns) {
    const FileTypeEntry& entry = FileTypeInfo(type);
    auto* row = new QTreeWidgetItem(extensionTable);
    row->setText(0, QString::fromLatin1(entry.name));
    row->setText(1, QString::fromLatin1(entry.description));
    row->setText(2, DefaultPattern(entry));
    row->setText(kColumnUserDefined, ExtraPatterns(settings_, type));
    row->setFlags(row->flags() | Qt::ItemIsEditable);
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(extensionTable);
  return page;
}

void OptionsDialog::showEvent(QShowEvent* event) {
  loadOptions();
  sameFolderCheck->setFocus();
  QDialog::showEvent(event);
}

void OptionsDialog::loadOptions() {
  targetFolderEdit->setText(settings_.targetFolder);
  sameFolderCheck->setChecked(settings_.targetBesideSource);
  onSameFolderClicked();

  // Out of range selects nothing (index -1).
  overwritePolicyCombo->setCurrentIndex(settings_.overwritePolicy < overwritePolicyCombo->count() ? settings_.overwritePolicy : -1);

  codePageCombo->setEditText(CodePageDisplayText(settings_.outputCodePage));

  layoutCombo->setCurrentIndex(static_cast<int>(settings_.layout));
  separatorCombo->setCurrentIndex(settings_.commaSeparated ? 1 : 0);
  filePerSheetCheck->setChecked(settings_.filePerSheet);
  leaveHiddenOutCheck->setChecked(settings_.leaveHiddenOut);
  onLayoutChanged();

  for (int row = 0; row < extensionTable->topLevelItemCount(); ++row) {
    extensionTable->topLevelItem(row)->setText(kColumnUserDefined, ExtraPatterns(settings_, kTypesWithExtraPatterns[row]));
  }
}

void OptionsDialog::onOk() {
  settings_.targetFolder = WithTrailingSlash(targetFolderEdit->text());
  settings_.targetBesideSource = sameFolderCheck->isChecked();
  // No selection (-1) is stored as 255, like any index, in 8 bits.
  settings_.overwritePolicy = static_cast<std::uint8_t>(overwritePolicyCombo->currentIndex() & 0xFF);

  const std::optional<std::int32_t> codePage = ParseCodePageText(codePageCombo->currentText());
  if (!codePage) {
    QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Code page identifier must be numeric!"));
    codePageCombo->setFocus();
    return;
  }
  settings_.outputCodePage = *codePage;

  settings_.layout = layoutCombo->currentIndex() == static_cast<int>(OutputLayout::kAsShown) ? OutputLayout::kAsShown
                                                                                              : OutputLayout::kAsToday;
  settings_.commaSeparated = separatorCombo->currentIndex() == 1;
  settings_.filePerSheet = filePerSheetCheck->isChecked();
  settings_.leaveHiddenOut = leaveHiddenOutCheck->isChecked();

  settings_.xlsExtraPatterns = extensionTable->topLevelItem(0)->text(kColumnUserDefined);
  settings_.xlsxExtraPatterns = extensionTable->topLevelItem(1)->text(kColumnUserDefined);
  BuildTypeList(settings_);
  accept();
}

void OptionsDialog::onCancel() {
  loadOptions();
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
