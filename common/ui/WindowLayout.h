#pragma once
// The remembered position and size of a main window, kept in the settings
// store under the window's objectName as section ("fFileDownload", ...).
// The download window calls these from its load and close sequences; the
// harvesting window may use them the same way.
//
// Stored lengths are twips, the unit the store has always held: one pixel is
// 15 twips at 96 dpi, and Qt's device-independent pixels are that pixel, so
// the mapping is a plain factor of 15 whatever the screen's real density.
// Position is the window frame's top-left corner (QWidget::pos), size the
// window's own size (QWidget::size), so that a save followed by a restore
// gives the same geometry.
class QWidget;

inline constexpr int kTwipsPerPixel = 15;

// Maximised: "分辨率" becomes "0*0" and nothing else is stored. Otherwise
// "分辨率" gets ScreenResolutionText() and "上", "左", "宽", "高" the
// window's top, left, width and height in twips.
void SaveWindowLayout(const QWidget &window);

// When the stored "分辨率" (default "000") differs from the current screen
// resolution, the window is maximised. Otherwise it gets top and left from
// "上"/"左" (default 100, negative becomes 0), width from "宽" (default
// 15000, at least 4000) and height from "高" (default 10000, at least 3000)
// and the normal state. A stored value that is not a number counts as 0.
void RestoreWindowLayout(QWidget &window);
