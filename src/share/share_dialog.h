#pragma once
#include <QDialog>

class QLabel;

namespace share {

// "关于我们": the version, the site's address and the two group lines; the recommendation text
// copied for the user to paste into mail or chat.
class ShareDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ShareDialog(QWidget* parent = nullptr);
  Q_INVOKABLE void Command1_Click();
  Q_INVOKABLE void Command2_Click();
  // The recommendation as it goes to the clipboard.
  static QString recommendation();
  // The label's lines.
  static QString label_text();

 private:
  QLabel* label1_ = nullptr;
};

// The two chat-group numbers: "qq_1" and "qq_2" of vexa.ini, else the ones the build was given.
QString group_number(int which);

}  // namespace share
