// The main window's pictures, drawn by the program itself: ImgTool (the 12 pictures of the
// main toolbar, also the console's) and Img (the pictures the other windows' toolbars take).
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>

namespace appimages {

// 1 read status, 2 read records, 3 clear records, 4 date and time, 5 dial, 6 configuration,
// 7 view file, 8 card base, 9 continue, 10 exit, 11 dialling, 12 pause.
QList<QIcon> imgTool();
// 1 accept, 2 cancel, 3 choose, 4 save, 5 open, 6 print, 7 delete, 8 refresh, 9 continue,
// 10 exit, 11 pause, 12 help.
QList<QIcon> img();
// The decoration of the main window's panel.
QPixmap banner(QSize size);

}  // namespace appimages
