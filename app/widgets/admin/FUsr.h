// The user editor window: name, numeric password (typed twice) and level of one user. A thin
// view over FUsrModel; the caller sets gUsers->Operation and shows it modally (see run).
#pragma once

#include "admin/FUsrModel.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <memory>

class EditorCommands;
class QComboBox;
class QLineEdit;

class FUsr : public QDialog {
  Q_OBJECT

 public:
  explicit FUsr(ClsUsers& users, const QList<QIcon>* img = nullptr, QWidget* parent = nullptr);
  ~FUsr() override;
  bool opened() const { return m_opened; }

  // Opens the editor modally on users.Operation; the outcome stays in Operation.
  static void run(ClsUsers& users, QWidget* parent = nullptr, const QList<QIcon>* img = nullptr);

  FUsrModel& model() { return m_model; }
  EditorCommands& commands() { return *m_commands; }

 private:
  void onAccept();

  MsgBoxReporter m_boxes;  // the model's boxes
  FUsrModel m_model;
  bool m_opened = false;
  std::unique_ptr<EditorCommands> m_commands;
  QLineEdit *m_usr, *m_psw, *m_vPsw;
  QComboBox* m_level;
};
