#include "fm_directory.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tabulox {

TFmDirectory::TFmDirectory(const QString& initialDirs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("FmDirectory"));
  setWindowTitle(QStringLiteral("Directory"));
  setModal(true);

  auto* label = new QLabel(QStringLiteral("List of directories:"), this);
  LBOXDirs = new QListWidget(this);
  LBOXDirs->setSelectionMode(QAbstractItemView::SingleSelection);
  label->setBuddy(LBOXDirs);
  EditDir = new QLineEdit(this);
  EditDir->setMinimumWidth(360);
  BtnDir = new QPushButton(QStringLiteral("&Browse"), this);
  BtnReplace = new QPushButton(QStringLiteral("&Replace"), this);
  BtnAdd = new QPushButton(QStringLiteral("&Add"), this);
  BtnDelete = new QPushButton(QStringLiteral("&Delete"), this);
  BtnOK = new QPushButton(QStringLiteral("&OK"), this);
  BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  for (QPushButton* button : {BtnDir, BtnReplace, BtnAdd, BtnDelete, BtnCancel}) button->setAutoDefault(false);
  BtnOK->setDefault(true);  // Enter closes with OK; Escape rejects, as in any dialog

  auto* editRow = new QHBoxLayout;
  editRow->addWidget(EditDir, 1);
  editRow->addWidget(BtnDir);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(BtnReplace);
  listButtons->addWidget(BtnAdd);
  listButtons->addWidget(BtnDelete);
  listButtons->addStretch(1);
  listButtons->addWidget(BtnOK);
  listButtons->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(LBOXDirs);
  layout->addLayout(editRow);
  layout->addLayout(listButtons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(EditDir, &QLineEdit::textChanged, this, &TFmDirectory::EditDirChange);
  connect(LBOXDirs, &QListWidget::itemSelectionChanged, this, &TFmDirectory::LBOXDirsClick);
  connect(BtnAdd, &QPushButton::clicked, this, &TFmDirectory::BtnAddClick);
  connect(BtnReplace, &QPushButton::clicked, this, &TFmDirectory::BtnReplaceClick);
  connect(BtnDelete, &QPushButton::clicked, this, &TFmDirectory::BtnDeleteClick);
  connect(BtnDir, &QPushButton::clicked, this, &TFmDirectory::BtnDirClick);
  connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  LoadList(initialDirs);

  // Centred on the screen rather than on the window that opens it.
  if (const QScreen* screen = this->screen()) {
    adjustSize();
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TFmDirectory::LoadList(const QString& dirs) {
  const QSignalBlocker listBlocker(LBOXDirs);
  const QSignalBlocker editBlocker(EditDir);
  LBOXDirs->clear();
  LBOXDirs->addItems(dirs.split(u';', Qt::SkipEmptyParts));
  BtnAdd->setEnabled(false);
  BtnReplace->setEnabled(false);
  BtnDelete->setEnabled(false);
  if (LBOXDirs->count() > 0) {
    LBOXDirs->setCurrentRow(0);
    EditDir->setText(LBOXDirs->item(0)->text());
    BtnDelete->setEnabled(true);
  }
}

QStringList TFmDirectory::Entries() const {
  QStringList entries;
  for (int row = 0; row < LBOXDirs->count(); ++row) entries << LBOXDirs->item(row)->text();
  return entries;
}

bool TFmDirectory::IsEntry(const QString& text) const {
  for (int row = 0; row < LBOXDirs->count(); ++row) {
    if (LBOXDirs->item(row)->text().compare(text, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

void TFmDirectory::EditDirChange() {
  const QString text = EditDir->text();
  const bool canAdd = !text.isEmpty() && !IsEntry(text);
  BtnAdd->setEnabled(canAdd);
  BtnReplace->setEnabled(canAdd);
}

void TFmDirectory::LBOXDirsClick() {
  const QList<QListWidgetItem*> selected = LBOXDirs->selectedItems();
  EditDir->setText(selected.isEmpty() ? QString() : selected.first()->text());
}

void TFmDirectory::BtnAddClick() {
  LBOXDirs->addItem(EditDir->text());  // appended, not selected
  EditDirChange();
}

void TFmDirectory::BtnReplaceClick() {
  const QList<QListWidgetItem*> selected = LBOXDirs->selectedItems();
  if (!selected.isEmpty()) selected.first()->setText(EditDir->text());
  EditDirChange();
}

void TFmDirectory::BtnDeleteClick() {
  const QList<QListWidgetItem*> selected = LBOXDirs->selectedItems();
  if (!selected.isEmpty()) {
    const QSignalBlocker blocker(LBOXDirs);
    delete LBOXDirs->takeItem(LBOXDirs->row(selected.first()));
    LBOXDirs->clearSelection();  // no entry is selected after a deletion
  }
  EditDir->clear();
}

void TFmDirectory::BtnDirClick() {
  const QString picked = QFileDialog::getExistingDirectory(this, QStringLiteral("Select directory"), EditDir->text(),
                                                           QFileDialog::ShowDirsOnly);
  if (!picked.isEmpty()) EditDir->setText(picked);
}

}  // namespace tabulox
