#pragma once
#include <QDialog>

namespace shell {

// What a key of the client does, as the key list shows it.
struct KeyUse {
  const char* keys;
  const char* does;
};

// Every key of the client, the menu items' first, then the player's own.
const QList<KeyUse>& key_uses();

// A small window listing the keys (F1), over the window it is opened from.
class KeyList : public QDialog {
  Q_OBJECT
 public:
  explicit KeyList(QWidget* parent);
};

}  // namespace shell
