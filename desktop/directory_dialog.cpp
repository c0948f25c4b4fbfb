#include "desktop/directory_dialog.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "desktop/picker_folder.h"

namespace tabulox {

DirectoryDialog::DirectoryDialog(const QString& initialDirs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("directoryDialog"));
  setWindowTitle(QStringLiteral("Directory"));
  setModal(true);

  auto* label = new QLabel(QStringLiteral("List of directories:"), this);
  folderList = new QListWidget(this);
  folderList->setSelectionMode(QAbstractItemView::SingleSelection);
  label->setBuddy(folderList);
  folderEdit = new QLineEdit(this);
  folderEdit->setMinimumWidth(360);
  browseButton = new QPushButton(QStringLiteral("&Browse"), this);
  replaceButton = new QPushButton(QStringLiteral("&Replace"), this);
  addButton = new QPushButton(QStringLiteral("&Add"), this);
  deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
  buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  okButton = buttonBox->button(QDialogButtonBox::Ok);
  cancelButton = buttonBox->button(QDialogButtonBox::Cancel);
  okButton->setText(QStringLiteral("&OK"));
  cancelButton->setText(QStringLiteral("&Cancel"));
  for (QPushButton* button : {browseButton, replaceButton, addButton, deleteButton, cancelButton}) {
    button->setAutoDefault(false);
  }
  okButton->setDefault(true);  // Enter closes with OK; Escape rejects, as in any dialog

  auto* editRow = new QHBoxLayout;
  editRow->addWidget(folderEdit, 1);
  editRow->addWidget(browseButton);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(replaceButton);
  buttonRow->addWidget(addButton);
  buttonRow->addWidget(deleteButton);
  buttonRow->addStretch(1);
  buttonRow->addWidget(buttonBox);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(folderList);
  layout->addLayout(editRow);
  layout->addLayout(buttonRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(folderEdit, &QLineEdit::textChanged, this, &DirectoryDialog::onFolderEdited);
  connect(folderList, &QListWidget::itemSelectionChanged, this, &DirectoryDialog::onEntrySelected);
  connect(addButton, &QPushButton::clicked, this, &DirectoryDialog::onAdd);
  connect(replaceButton, &QPushButton::clicked, this, &DirectoryDialog::onReplace);
  connect(deleteButton, &QPushButton::clicked, this, &DirectoryDialog::onDelete);
  connect(browseButton, &QPushButton::clicked, this, &DirectoryDialog::onBrowse);
  connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

  loadList(initialDirs);

  // Centred on the screen rather than on the window that opens it.
  if (const QScreen* screen = this->screen()) {
    adjustSize();
    move(screen->availableGeometry().center() - rect().center());
  }
}

void DirectoryDialog::loadList(const QString& dirs) {
  const QSignalBlocker listBlocker(folderList);
  const QSignalBlocker editBlocker(folderEdit);
  folderList->clear();
  folderList->addItems(dirs.split(u';', Qt::SkipEmptyParts));
  addButton->setEnabled(false);
  replaceButton->setEnabled(false);
  deleteButton->setEnabled(false);
  if (folderList->count() > 0) {
    folderList->setCurrentRow(0);
    folderEdit->setText(folderList->item(0)->text());
    deleteButton->setEnabled(true);
  }
}

QStringList DirectoryDialog::entries() const {
  QStringList entries;
  for (int row = 0; row < folderList->count(); ++row) entries << folderList->item(row)->text();
  return entries;
}

bool DirectoryDialog::isEntry(const QString& text) const {
  for (int row = 0; row < folderList->count(); ++row) {
    if (folderList->item(row)->text().compare(text, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

void DirectoryDialog::onFolderEdited() {
  const QString text = folderEdit->text();
  const bool canAdd = !text.isEmpty() && !isEntry(text);
  addButton->setEnabled(canAdd);
  replaceButton->setEnabled(canAdd);
}

void DirectoryDialog::onEntrySelected() {
  const QList<QListWidgetItem*> selected = folderList->selectedItems();
  folderEdit->setText(selected.isEmpty() ? QString() : selected.first()->text());
}

void DirectoryDialog::onAdd() {
  folderList->addItem(folderEdit->text());  // appended, not selected
  onFolderEdited();
}

void DirectoryDialog::onReplace() {
  const QList<QListWidgetItem*> selected = folderList->selectedItems();
  if (!selected.isEmpty()) selected.first()->setText(folderEdit->text());
  onFolderEdited();
}

void DirectoryDialog::onDelete() {
  const QList<QListWidgetItem*> selected = folderList->selectedItems();
  if (!selected.isEmpty()) {
    const QSignalBlocker blocker(folderList);
    delete folderList->takeItem(folderList->row(selected.first()));
    folderList->clearSelection();  // no entry is selected after a deletion
  }
  folderEdit->clear();
}

void DirectoryDialog::accept() {
  if (addButton->isEnabled()) onAdd();
  QDialog::accept();
}

void DirectoryDialog::onBrowse() {
  const QString picked = QFileDialog::getExistingDirectory(this, QStringLiteral("Select directory"),
                                                           PickerStartFolder(folderEdit->text()),
                                                           QFileDialog::ShowDirsOnly);
  if (picked.isEmpty()) return;
  RememberPickerFolder(picked);
  folderEdit->setText(picked);
}

}  // namespace tabulox
