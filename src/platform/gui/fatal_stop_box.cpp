#include "platform/gui/fatal_stop_box.h"

#include <QMessageBox>

namespace velmorin {

std::function<void(const Text& boxText)> fatalStopBox(QtWindowRuntime& runtime) {
  return [&runtime](const Text& boxText) {
    QString text = toQString(boxText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    runtime.runOnWindowThread([&text] {
      QMessageBox box(QMessageBox::Critical, QString::fromUtf8("错误"), text, QMessageBox::Ok);
      box.setTextFormat(Qt::PlainText);
      box.exec();
    });
  };
}

}  // namespace velmorin
