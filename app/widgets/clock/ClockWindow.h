// The frame every clock window shares: caption, a menu bar and a toolbar carrying the same
// QAction per command (the toolbar's pictures from one of the program's image lists), the
// clock objects' cancel flags cleared on opening (a flag left by an earlier window would make
// every command fail), and the busy rule: while a clock exchange runs the commands are off and
// a close waits for it (BusyGuard), which cancels the exchange. The clock objects and the
// pictures are those of the context the window is handed (HandedContext).
#pragma once

#include "widgets/common/CommandBar.h"
#include "widgets/common/HandedContext.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QVBoxLayout;

class ClockWindow : public QDialog, public HandedContext {
  Q_OBJECT

 public:
  enum class Images { Img, ImgTool };
  ClockWindow(QWidget* parent, const char* name, int captionMsg, Images images,
              const WindowContext& context);

  QToolBar* toolBar() const { return m_toolBar; }
  QMenuBar* menuBar() const { return m_menuBar; }

 protected:
  // The window's commands, one table (widgets/common/CommandBar.h) for the menu bar, the
  // window's menus (addMenu) and the toolbar, where each takes the next place unless its row
  // says otherwise (0: none). A command runs only while it is enabled and the window not closed.
  std::vector<QAction*> addCommands(const std::vector<widgets::Command>& commands);
  // A row of that table: caption message `captionMsg` (the caption without '&' as its tip),
  // picture `image` of the image list (1-based; 0 for none), shown in the menu bar.
  static widgets::Command commandRow(const char* name, int captionMsg, int image,
                                     std::function<void()> run);
  // Adds a menu of the menu bar; a row names it by the index this gives.
  int addMenu(const QString& title);
  const QList<QIcon>& images() const { return m_images; }
  // The setting dialogs' pair: "mnu0" "&Aceptar" runs `ok`, "mnu1" "&Cancelar" closes.
  void addOkCancel(std::function<void()> ok);
  // Re-enables or disables the commands when the window becomes idle or busy; windows with
  // their own enabling rules override it and call it.
  virtual void updateCommands();
  // The window's own controls go here, under the toolbar.
  QVBoxLayout* body() const { return m_body; }
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  QMenuBar* m_menuBar;
  QToolBar* m_toolBar;
  QVBoxLayout* m_body;
  QList<QIcon> m_images;
  std::vector<QMenu*> m_menus;
  std::vector<QAction*> m_commands;
  std::vector<bool> m_wanted;  // each command's enabled state when not busy
};
