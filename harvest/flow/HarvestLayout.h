#pragma once
// The harvesting window's layout rule in twips (15 to a pixel): the browser
// pane above a thin draggable splitter bar, the list pane below it, the
// browser and the analysis list inside their panes, the progress panel in the
// middle of the list pane. A splitter dragged too low (below the window
// height less 1200) or above the browser pane snaps back to four fifths of
// the window height. The window runs it on every resize and at the end of a
// splitter drag; it is a pure function so that the rule is tested alone.
#include <QRect>
#include <QSize>

struct HarvestLayoutInput
{
    QSize window;          // the window's outer size
    int statusBarHeight = 0;
    int splitterTop = 0;   // where the splitter bar is now
    int splitterHeight = 0;
    int browserPaneTop = 0;
    QPoint listOrigin;     // the list's place inside the list pane (kept)
    QSize progressPanel;
};

struct HarvestLayoutResult
{
    QRect splitter;
    QRect browserPane;
    QRect listPane;
    QRect browser;       // inside the browser pane
    QRect list;          // inside the list pane
    QRect progressPanel; // inside the list pane
};

inline constexpr int kHarvestMinWidthTwips = 9000;
inline constexpr int kHarvestMinHeightTwips = 5000;
// Height the caption, the menu bar and the borders take from the window.
inline constexpr int kHarvestFrameAllowanceTwips = 870;

HarvestLayoutResult LayoutHarvestWindow(const HarvestLayoutInput &in);
