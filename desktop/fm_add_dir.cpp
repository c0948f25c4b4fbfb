#include "fm_add_dir.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "file_types.h"
#include "directory_dialog.h"

namespace tabulox {
namespace {

Qt::CheckState Tick(bool ticked) { return ticked ? Qt::Checked : Qt::Unchecked; }

}  // namespace

TFmAddDir::TFmAddDir(TGlobalSettings& settings, DirectoryDialog& directoryDialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      directoryDialog_(directoryDialog) {
  setObjectName(QStringLiteral("FmAddDir"));
  setWindowTitle(QStringLiteral("Add directory"));
  setModal(true);

  Label1 = new QLabel(QStringLiteral("Directory"), this);
  EditDir = new QLineEdit(this);
  EditDir->setMinimumWidth(360);
  Label1->setBuddy(EditDir);
  BtnDir = new QPushButton(QStringLiteral("&Browse"), this);
  Label2 = new QLabel(QStringLiteral("Select type of file to be converted:"), this);
  CheckListBox1 = new QListWidget(this);
  Label2->setBuddy(CheckListBox1);
  SpeedButton1 = new QPushButton(QStringLiteral("&Select All"), this);
  SpeedButton2 = new QPushButton(QStringLiteral("&Invert selection"), this);
  SpeedButton3 = new QPushButton(QStringLiteral("Select &None"), this);
  CBRecursive = new QCheckBox(QStringLiteral("Recursive Sub Directory"), this);
  BtnOK = new QPushButton(QStringLiteral("&OK"), this);
  BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  for (QPushButton* button : {BtnDir, SpeedButton1, SpeedButton2, SpeedButton3, BtnCancel}) {
    button->setAutoDefault(false);
  }
  BtnOK->setDefault(true);  // Enter runs BtnOKClick; Escape rejects

  // FormCreate: the stored field, ticks and recursion choice.
  EditDir->setText(settings_.adddir);
  const bool ticks[] = {settings_.selext1, settings_.selext2};
  for (const FileTypeEntry& type : kFileTypes) {
    auto* line = new QListWidgetItem(CheckListBox1);
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    line->setCheckState(Tick(ticks[type.index - 1]));
  }
  UpdateTypeLines();
  CBRecursive->setChecked(settings_.recursive);
  CheckListBox1->setFixedHeight(CheckListBox1->sizeHintForRow(0) * 4);

  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(EditDir, 1);
  dirRow->addWidget(BtnDir);
  auto* selectButtons = new QHBoxLayout;
  selectButtons->addWidget(SpeedButton1);
  selectButtons->addWidget(SpeedButton2);
  selectButtons->addWidget(SpeedButton3);
  selectButtons->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BtnOK);
  buttons->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addLayout(dirRow);
  layout->addWidget(Label2);
  layout->addWidget(CheckListBox1);
  layout->addLayout(selectButtons);
  layout->addWidget(CBRecursive);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BtnOK, &QPushButton::clicked, this, &TFmAddDir::BtnOKClick);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(BtnDir, &QPushButton::clicked, this, &TFmAddDir::BtnDirClick);
  connect(SpeedButton1, &QPushButton::clicked, this, &TFmAddDir::SpeedButton1Click);
  connect(SpeedButton2, &QPushButton::clicked, this, &TFmAddDir::SpeedButton2Click);
  connect(SpeedButton3, &QPushButton::clicked, this, &TFmAddDir::SpeedButton3Click);
}

TFmAddDir::~TFmAddDir() { StoreChoices(); }

void TFmAddDir::StoreChoices() {
  settings_.selext1 = TypeTicked(1);
  settings_.selext2 = TypeTicked(2);
  settings_.recursive = CBRecursive->isChecked();
}

bool TFmAddDir::TypeTicked(int index) const {
  const QListWidgetItem* line = CheckListBox1->item(index - 1);
  return line != nullptr && line->checkState() == Qt::Checked;
}

void TFmAddDir::UpdateTypeLines() {
  for (const FileTypeEntry& type : kFileTypes) {
    CheckListBox1->item(type.index - 1)->setText(TypeDisplayText(settings_, type));
  }
}

void TFmAddDir::showEvent(QShowEvent* event) {
  UpdateTypeLines();
  QDialog::showEvent(event);
}

void TFmAddDir::BtnOKClick() {
  settings_.adddir = EditDir->text();
  for (int row = 0; row < CheckListBox1->count(); ++row) {
    if (CheckListBox1->item(row)->checkState() == Qt::Checked) {
      accept();
      return;
    }
  }
  QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Please select the type of file to be converted!"));
}

void TFmAddDir::BtnDirClick() {
  directoryDialog_.LoadList(EditDir->text());
  if (directoryDialog_.exec() == QDialog::Accepted) EditDir->setText(directoryDialog_.Entries().join(u';'));
}

void TFmAddDir::SpeedButton1Click() {
  for (int row = 0; row < CheckListBox1->count(); ++row) CheckListBox1->item(row)->setCheckState(Qt::Checked);
}

void TFmAddDir::SpeedButton2Click() {
  for (int row = 0; row < CheckListBox1->count(); ++row) {
    QListWidgetItem* line = CheckListBox1->item(row);
    line->setCheckState(Tick(line->checkState() != Qt::Checked));
  }
}

void TFmAddDir::SpeedButton3Click() {
  for (int row = 0; row < CheckListBox1->count(); ++row) CheckListBox1->item(row)->setCheckState(Qt::Unchecked);
}

}  // namespace tabulox
