// The three-choice message window: a message, up to three choices shown both as entries of
// the window's menu bar and as toolbar buttons. The choice comes back in gSharedText as
// "1", "2" or "3", and as the blocking call's result; closing the window without choosing
// leaves gSharedText as it was.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QPointer>

#include <array>
#include <cstdint>
#include <string>

class QAction;
class QLabel;
class QMenuBar;
class QToolBar;

class FrmMsg : public QDialog {
  Q_OBJECT

 public:
  // `img` is the main window's second image list; its third picture goes on every toolbar
  // button. It may be null or shorter (the buttons then show their captions).
  explicit FrmMsg(const QList<QIcon>* img = nullptr, QWidget* parent = nullptr);

  // Puts the message in the label and the captions on the choices; an empty caption hides
  // its menu entry and its button.
  void setUp(const std::string& msg, const std::string& btn1, const std::string& btn2,
             const std::string& btn3);

  // What Msg gives back: the window a non-blocking call left open (null after a blocking
  // one), and the choice of a blocking call, 1, 2 or 3, also written to gSharedText (0 when
  // the window closed without one, or did not block).
  struct Shown : QPointer<FrmMsg> {
    int choice = 0;
  };

  // Shows the window. With detectar = 1, or with no caption at all, the window stays open
  // on its own and is returned (it deletes itself when closed); otherwise the call blocks
  // until the window has closed and returns the choice.
  static Shown Msg(const std::string& msg, const std::string& btn1, const std::string& btn2,
                   const std::string& btn3, int16_t detectar, const QList<QIcon>* img = nullptr,
                   QWidget* parent = nullptr);

  // Menu entry k (0, 1, 2), the choice's one action, and the place of toolbar button i
  // (1, 2, 3) on the toolbar, which carries the button's picture and tip; button i makes
  // choice i - 1.
  QAction* mnu(int k) const;
  QAction* button(int i) const;
  QToolBar* toolBar() const { return m_toolBar; }
  QMenuBar* menuBar() const { return m_menuBar; }
  QLabel* label() const { return m_label; }

 public slots:
  // Answers k + 1 in gSharedText and closes the window.
  void choose(int k);

 private:
  QLabel* m_label;
  QMenuBar* m_menuBar;
  QToolBar* m_toolBar;
  std::array<QAction*, 3> m_entries{};
  std::array<QAction*, 3> m_buttons{};
  int m_choice = 0;
};
