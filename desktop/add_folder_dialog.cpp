#include "desktop/add_folder_dialog.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "desktop/directory_dialog.h"
#include "desktop/file_types.h"

namespace tabulox {
namespace {

Qt::CheckState Tick(bool ticked) { return ticked ? Qt::Checked : Qt::Unchecked; }

}  // namespace

AddFolderDialog::AddFolderDialog(ProgramSettings& settings, DirectoryDialog& directoryDialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      directoryDialog_(directoryDialog) {
  setObjectName(QStringLiteral("addFolderDialog"));
  setWindowTitle(QStringLiteral("Add directory"));
  setModal(true);

  folderLabel = new QLabel(QStringLiteral("Directory"), this);
  folderEdit = new QLineEdit(this);
  folderEdit->setMinimumWidth(360);
  folderLabel->setBuddy(folderEdit);
  browseButton = new QPushButton(QStringLiteral("&Browse"), this);
  typesLabel = new QLabel(QStringLiteral("Select type of file to be converted:"), this);
  typeList = new QListWidget(this);
  typesLabel->setBuddy(typeList);
  selectAllButton = new QPushButton(QStringLiteral("&Select All"), this);
  invertSelectionButton = new QPushButton(QStringLiteral("&Invert selection"), this);
  selectNoneButton = new QPushButton(QStringLiteral("Select &None"), this);
  recursiveCheck_ = new QCheckBox(QStringLiteral("Recursive Sub Directory"), this);
  buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  okButton = buttonBox->button(QDialogButtonBox::Ok);
  cancelButton = buttonBox->button(QDialogButtonBox::Cancel);
  okButton->setText(QStringLiteral("&OK"));
  cancelButton->setText(QStringLiteral("&Cancel"));
  for (QPushButton* button : {browseButton, selectAllButton, invertSelectionButton, selectNoneButton, cancelButton}) {
    button->setAutoDefault(false);
  }
  okButton->setDefault(true);  // Enter runs onOk; Escape rejects

  // The stored field, ticks and recursion choice.
  folderEdit->setText(settings_.addFolders);
  for (const FileTypeEntry& entry : kFileTypes) {
    auto* line = new QListWidgetItem(typeList);
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    line->setCheckState(Tick(settings_.scannedTypes[FileTypeIndex(entry.type)]));
  }
  updateTypeLines();
  recursiveCheck_->setChecked(settings_.recurseFolders);
  typeList->setFixedHeight(typeList->sizeHintForRow(0) * static_cast<int>(kFileTypeCount) + 2 * typeList->frameWidth());

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folderEdit, 1);
  folderRow->addWidget(browseButton);
  auto* selectButtons = new QHBoxLayout;
  selectButtons->addWidget(selectAllButton);
  selectButtons->addWidget(invertSelectionButton);
  selectButtons->addWidget(selectNoneButton);
  selectButtons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(folderLabel);
  layout->addLayout(folderRow);
  layout->addWidget(typesLabel);
  layout->addWidget(typeList);
  layout->addLayout(selectButtons);
  layout->addWidget(recursiveCheck_);
  layout->addWidget(buttonBox);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(buttonBox, &QDialogButtonBox::accepted, this, &AddFolderDialog::onOk);
  connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browseButton, &QPushButton::clicked, this, &AddFolderDialog::onBrowse);
  connect(selectAllButton, &QPushButton::clicked, this, &AddFolderDialog::onSelectAll);
  connect(invertSelectionButton, &QPushButton::clicked, this, &AddFolderDialog::onInvertSelection);
  connect(selectNoneButton, &QPushButton::clicked, this, &AddFolderDialog::onSelectNone);
}

AddFolderDialog::~AddFolderDialog() { storeChoices(); }

void AddFolderDialog::storeChoices() {
  settings_.scannedTypes = tickedTypes();
  settings_.recurseFolders = recursiveCheck_->isChecked();
}

bool AddFolderDialog::isTypeTicked(FileType type) const {
  const QListWidgetItem* line = typeList->item(static_cast<int>(FileTypeIndex(type)));
  return line != nullptr && line->checkState() == Qt::Checked;
}

std::array<bool, kFileTypeCount> AddFolderDialog::tickedTypes() const {
  std::array<bool, kFileTypeCount> ticked{};
  for (const FileTypeEntry& entry : kFileTypes) ticked[FileTypeIndex(entry.type)] = isTypeTicked(entry.type);
  return ticked;
}

void AddFolderDialog::updateTypeLines() {
  for (const FileTypeEntry& entry : kFileTypes) {
    typeList->item(static_cast<int>(FileTypeIndex(entry.type)))->setText(TypeDisplayText(settings_, entry));
  }
}

void AddFolderDialog::showEvent(QShowEvent* event) {
  updateTypeLines();
  QDialog::showEvent(event);
}

void AddFolderDialog::onOk() {
  settings_.addFolders = folderEdit->text();
  for (int row = 0; row < typeList->count(); ++row) {
    if (typeList->item(row)->checkState() == Qt::Checked) {
      accept();
      return;
    }
  }
  QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Please select the type of file to be converted!"));
}

void AddFolderDialog::onBrowse() {
  directoryDialog_.loadList(folderEdit->text());
  if (directoryDialog_.exec() == QDialog::Accepted) folderEdit->setText(directoryDialog_.entries().join(u';'));
}

void AddFolderDialog::onSelectAll() {
  for (int row = 0; row < typeList->count(); ++row) typeList->item(row)->setCheckState(Qt::Checked);
}

void AddFolderDialog::onInvertSelection() {
  for (int row = 0; row < typeList->count(); ++row) {
    QListWidgetItem* line = typeList->item(row);
    line->setCheckState(Tick(line->checkState() != Qt::Checked));
  }
}

void AddFolderDialog::onSelectNone() {
  for (int row = 0; row < typeList->count(); ++row) typeList->item(row)->setCheckState(Qt::Unchecked);
}

}  // namespace tabulox
