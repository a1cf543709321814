#include "harvest/flow/HarvestLayout.h"

#include <algorithm>

HarvestLayoutResult LayoutHarvestWindow(const HarvestLayoutInput &in)
{
    const int width = std::max(in.window.width(), kHarvestMinWidthTwips);
    const int height = std::max(in.window.height(), kHarvestMinHeightTwips);

    int top = in.splitterTop;
    if (top > height - 1200 || top < in.browserPaneTop)
        top = height * 4 / 5;

    HarvestLayoutResult out;
    out.splitter = QRect(20, top, std::max(0, width - 300), in.splitterHeight);
    out.browserPane = QRect(out.splitter.left(), in.browserPaneTop, out.splitter.width(),
                            std::max(0, top - in.browserPaneTop));
    const int listPaneHeight
        = height - in.statusBarHeight - top - in.splitterHeight - kHarvestFrameAllowanceTwips;
    out.listPane = QRect(out.splitter.left(), top + in.splitterHeight, out.splitter.width(),
                         std::max(0, listPaneHeight));
    out.browser = QRect(20, 0, std::max(0, out.browserPane.width() - 40),
                        std::max(0, out.browserPane.height() - 20));
    out.list = QRect(in.listOrigin,
                     QSize(std::max(0, out.listPane.width() - in.listOrigin.x() - 50),
                           std::max(0, out.listPane.height() - in.listOrigin.y() - 50)));
    out.progressPanel = QRect(QPoint((out.listPane.width() - in.progressPanel.width()) / 2,
                                     (out.listPane.height() - in.progressPanel.height()) / 2),
                              in.progressPanel);
    return out;
}
