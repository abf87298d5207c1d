// The program's pictures, drawn by the program itself: ImgTool (the 12 pictures of the main
// toolbar, also the console's) and Img (the pictures the other windows' toolbars take). The
// windows take them from their context (WindowContext.h), drawn once for the program's owner.
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>

namespace widgets {

// 1 read status, 2 read records, 3 clear records, 4 date and time, 5 dial, 6 configuration,
// 7 view file, 8 card base, 9 continue, 10 exit, 11 dialling, 12 pause.
QList<QIcon> imgTool();
// 1 accept, 2 exit, 3 choose, 4 print, 5 open, 6 start, 7 delete all, 8 new, 9 delete one,
// 10 cancel, 11 mail, 12 search, 13 cards, 14 locking.
QList<QIcon> img();
// The decoration of the main window's panel.
QPixmap banner(QSize size);

}  // namespace widgets
