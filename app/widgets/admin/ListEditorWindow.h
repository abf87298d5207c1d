// The window the card and company editors share over a ListEditorModel: the frame with its
// commands (menu and toolbar), the sortable list, the editor's fields below it, and the
// mirroring both ways: a command takes the fields into the model, runs, and shows the model
// again (the list redrawn when its rows changed, the selected row, the command set, command
// 0's caption, the boxes of a new entry enabled only while one is typed). Salir writes under
// the hourglass and closes when the write succeeded; the close box discards, and Escape does
// nothing. An editor window adds its fields and how they map to its model's.
#pragma once

#include "widgets/admin/EditorSupport.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <QIcon>
#include <QList>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class EditorTableModel;
class ListEditorModel;
class QLayout;
class QTableView;

class ListEditorWindow : public NoEscapeDialog {
 public:
  ~ListEditorWindow() override;

  EditorCommands& commands() { return *m_commands; }
  QTableView* list() const { return m_list; }

 protected:
  struct Spec {
    const char* name;                   // the window's object name
    std::vector<CommandSpec> commands;  // by menu index
    QStringList headers;                // the list's columns
    std::vector<double> widths;         // as fractions of the list's width
  };

  explicit ListEditorWindow(QWidget* parent);

  // Builds the window around `model` with `fields` below the list, then loads the model and
  // shows it. `entryBoxes` are enabled only while a new row is typed; the first one is where
  // a new entry starts.
  void buildAndLoad(ListEditorModel& model, const Spec& spec, const QList<QIcon>* img,
                    QLayout* fields, std::vector<QWidget*> entryBoxes);

  virtual void collectFields() = 0;  // the boxes -> the model's fields
  virtual void showFields() = 0;     // the model's fields -> the boxes

  MsgBoxReporter m_boxes;  // the model's boxes

 private:
  void command(int index);
  bool writeAndClose();  // Salir; true when the window closed
  void showState();

  ListEditorModel* m_model = nullptr;
  std::unique_ptr<EditorCommands> m_commands;
  EditorTableModel* m_table = nullptr;
  QTableView* m_list = nullptr;
  std::vector<QWidget*> m_entryBoxes;
  uint64_t m_shownChanges = ~uint64_t{0};
  bool m_showing = false;  // a row shown by the model is not a row the operator chose
};
