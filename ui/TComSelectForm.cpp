// SPDX-License-Identifier: MIT
#include "ui/TComSelectForm.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "serial/SerlPortProbe.h"

namespace canalarm::ui {

TComSelectForm::TComSelectForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ComSelectForm"));
  setWindowTitle(QStringLiteral("Select Port"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  // A narrow face: the texts must fit the dialog's fixed area.
  QFont dialogFont = font();
  dialogFont.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial Narrow"),
                          QStringLiteral("Liberation Sans Narrow"), dialogFont.family()});
  dialogFont.setPixelSize(11);
  setFont(dialogFont);
  setFixedSize(220, 131);

  auto* bevel = new QFrame(this);
  bevel->setObjectName(QStringLiteral("Bevel1"));
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(8, 8, 201, 42);

  auto* label1 = new QLabel(QStringLiteral("The configured serial port is not valid."), this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setGeometry(12, 12, 195, 16);
  auto* label2 = new QLabel(QStringLiteral("Please choose another port."), this);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setGeometry(12, 29, 195, 16);

  ports_ = new QComboBox(this);
  ports_->setObjectName(QStringLiteral("PortsComboBox"));
  ports_->setEditable(false);
  ports_->setGeometry(8, 64, 201, 21);

  ok_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("OkBtn"));
  ok_->setGeometry(8, 95, 85, 27);
  ok_->setDefault(true);
  abort_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                           QStringLiteral("Cancel"), this);
  abort_->setObjectName(QStringLiteral("AbortBtn"));
  abort_->setGeometry(124, 95, 85, 27);

  setTabOrder(ok_, abort_);
  setTabOrder(abort_, ports_);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(abort_, &QPushButton::clicked, this, [this] { done(kAbort); });
}

void TComSelectForm::FormCreate() {
  std::vector<int> numbers;
  for (const serl::TSerlPortInfo& port : serl::ListPorts()) numbers.push_back(port.number);
  ShowPorts(numbers);
}

void TComSelectForm::ShowPorts(const std::vector<int>& ports) {
  ports_->clear();
  for (int n : ports) ports_->addItem(QStringLiteral("COM%1").arg(n));
  ports_->setCurrentIndex(ports.empty() ? -1 : 0);
}

int TComSelectForm::SelectedPort() const {
  const QString text = ports_->currentText();
  if (ports_->currentIndex() < 0 || text.size() < 4) return 0;
  bool ok = false;
  const int number = text.mid(3).toInt(&ok);
  return ok ? number : 0;
}

int TComSelectForm::Choose(QWidget* parent) {
  TComSelectForm form(parent);
  form.FormCreate();
  return form.exec() == QDialog::Accepted ? form.SelectedPort() : 0;
}

}  // namespace canalarm::ui
