#include "viewer/app/tool_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library: registered on first use.
static void RegisterIcons() { Q_INIT_RESOURCE(viewer_icons); }

namespace viewer {

QIcon ToolIcon(const char* name) {
  static const bool registered = (RegisterIcons(), true);
  (void)registered;
  QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
  if (!svg.isValid()) return QIcon();
  QIcon icon;
  for (int side : {16, 32}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace viewer
