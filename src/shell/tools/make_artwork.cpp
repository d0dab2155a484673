// make_artwork DIR: draws the main window's tab and arrow pictures as PNG files into DIR.
//   tab_main_1..4  main-area tabs: 1 player selected, 2 player plain, 3 details selected, 4 details plain
//   tab_list_1..6  list tabs: odd numbers the selected looks of tabs 1..3, even their plain looks
//   arrow_1..3     the fold arrow: 1 list shown (points right), 2 hovered, 3 list folded (points left)
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kAmber(0xe8, 0xa3, 0x3d), kAmberLight(0xf3, 0xc7, 0x7b), kSlate(0x32, 0x3a, 0x4c),
    kSlateDark(0x26, 0x2c, 0x3a), kInk(0x17, 0x1b, 0x24), kPaper(0xe6, 0xe9, 0xef);

// A transparent picture drawn at scale times its size (then scaled down smoothly).
QImage canvas(int w, int h, int scale) {
  QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

QImage tab(int w, int h, const QString& caption, bool selected) {
  QImage img = canvas(w, h, 2);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(2, 2);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0.5, 0.5, w - 1, h + 6), 6, 6);  // rounded top, square bottom
  QLinearGradient fill(0, 0, 0, h);
  fill.setColorAt(0, selected ? kAmberLight : QColor(0x46, 0x50, 0x6a));
  fill.setColorAt(1, selected ? kAmber : kSlateDark);
  p.setClipRect(QRectF(0, 0, w, h));
  p.fillPath(shape, fill);
  p.setPen(QPen(selected ? kAmber.darker(120) : QColor(0x52, 0x5c, 0x78), 1));
  p.drawPath(shape);
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(h * 12 / 25);
  font.setBold(selected);
  p.setFont(font);
  p.setPen(selected ? kInk : kPaper);
  p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, caption);
  p.end();
  return img.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage arrow(int w, int h, bool points_right, bool hovered) {
  QImage img = canvas(w, h, 4);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(4, 4);
  QPainterPath bar;
  bar.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
  p.fillPath(bar, hovered ? kAmber : kSlate);
  const double cx = w / 2.0, cy = h / 2.0, s = w * 0.32;
  QPainterPath tip;
  if (points_right) {
    tip.moveTo(cx - s, cy - 2 * s);
    tip.lineTo(cx + s, cy);
    tip.lineTo(cx - s, cy + 2 * s);
  } else {
    tip.moveTo(cx + s, cy - 2 * s);
    tip.lineTo(cx - s, cy);
    tip.lineTo(cx + s, cy + 2 * s);
  }
  tip.closeSubpath();
  p.fillPath(tip, hovered ? kInk : kAmberLight);
  p.end();
  return img.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The program's icon: an amber tile with a play mark.
QImage icon(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, size, size);
  fill.setColorAt(0, kAmberLight);
  fill.setColorAt(1, kAmber.darker(115));
  QPainterPath tile;
  tile.addRoundedRect(QRectF(2, 2, size - 4, size - 4), size / 5.0, size / 5.0);
  p.fillPath(tile, fill);
  QPainterPath play;
  play.moveTo(size * 0.38, size * 0.27);
  play.lineTo(size * 0.74, size * 0.5);
  play.lineTo(size * 0.38, size * 0.73);
  play.closeSubpath();
  p.fillPath(play, kInk);
  return img;
}

// A button picture of the detail template ("立即播放", "播放最新").
QImage button(const QString& caption, bool primary) {
  QImage img(220, 64, QImage::Format_RGB32);
  img.fill(QColor(0x1f, 0x24, 0x30));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 0, 64);
  fill.setColorAt(0, primary ? kAmberLight : QColor(0x52, 0x5c, 0x78));
  fill.setColorAt(1, primary ? kAmber : kSlate);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(2, 2, 216, 60), 10, 10);
  p.fillPath(shape, fill);
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(26);
  font.setBold(true);
  p.setFont(font);
  p.setPen(primary ? kInk : kPaper);
  p.drawText(QRectF(0, 0, 220, 64), Qt::AlignCenter, caption);
  p.end();
  return img.scaled(110, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  // make_artwork PROGRAM_IMAGES [ICON_THEME]: the pictures of the program folder, and the icon at
  // the desktop's sizes in a hicolor theme tree (for the install).
  if (argc != 2 && argc != 3) return 2;
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  bool ok = true;
  const QString main_tabs[] = {QStringLiteral("▶ 播放窗口"), QStringLiteral("☰ 详细介绍")};
  for (int i = 0; i < 4; ++i)
    ok &= tab(100, 26, main_tabs[i / 2], i % 2 == 0).save(dir + QStringLiteral("/tab_main_%1.png").arg(i + 1));
  const QString list_tabs[] = {QStringLiteral("片库"), QStringLiteral("历史记录"), QStringLiteral("资源市场")};
  for (int i = 0; i < 6; ++i)
    ok &= tab(72, 25, list_tabs[i / 2], i % 2 == 0).save(dir + QStringLiteral("/tab_list_%1.png").arg(i + 1));
  ok &= arrow(10, 59, true, false).save(dir + "/arrow_1.png");
  ok &= arrow(10, 59, true, true).save(dir + "/arrow_2.png");
  ok &= arrow(10, 59, false, false).save(dir + "/arrow_3.png");
  ok &= icon(64).save(dir + "/icon.png");
  if (argc == 3) {
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
      const QString apps = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
      QDir().mkpath(apps);
      ok &= icon(size).save(apps + "/morvane.png");
    }
  }
  // The template's buttons lie beside it in the program folder.
  ok &= button(QStringLiteral("▶ 立即播放"), true).save(dir + "/../ljbf.jpg", "JPG", 92);
  ok &= button(QStringLiteral("播放最新"), false).save(dir + "/../bfzx.jpg", "JPG", 92);
  return ok ? 0 : 1;
}
