#include "shell/ProgramImages.h"

#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library; they are registered on first use
// (outside any namespace, as the registration function is global).
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(shell);
        return true;
    }();
    (void)done;
}

namespace {

QPixmap render(QSvgRenderer &svg, const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}

} // namespace

QIcon ProgramIcon()
{
    initResources();
    // Drawn into pixmaps here rather than left to an icon plugin, so the icon
    // does not depend on which image plugins are installed.
    QSvgRenderer svg(QStringLiteral(":/icons/litharvest.svg"));
    QIcon icon;
    if (!svg.isValid())
        return icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(render(svg, QSize(side, side)));
    return icon;
}

QPixmap CoverPicture()
{
    initResources();
    QSvgRenderer svg(QStringLiteral(":/images/cover.svg"));
    return svg.isValid() ? render(svg, svg.defaultSize()) : QPixmap();
}
