#pragma once
// The program's own pictures, drawn for it and kept in its resources: the
// icon every window of the program carries, and the cover window's picture.
#include <QIcon>
#include <QPixmap>

QIcon ProgramIcon();
// At its drawn size (400 × 225 pixels).
QPixmap CoverPicture();
