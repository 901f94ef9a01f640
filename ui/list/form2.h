// The function-list window "函数列表": one row per registry slot (row r shows
// slot r + 1) with a check box, the expression in an editable box, a swatch in
// the function's colour and the name of its frame. Every edit is written to
// the registry at once; the exit button redraws the main canvas.
//
// Rows and empty slots, as the user sees them:
// - Typing into the row of an empty slot makes a new function in that slot,
//   in the frame the canvas shows now and in the user's current pen (width and
//   colour of the pickers); its swatch and frame name appear at once. The ring
//   position of the registry does not move, so the next draw still writes the
//   slot after the one written last.
// - Erasing the whole text of a row empties its slot, so no redraw ever plots
//   an empty expression (which would evaluate to 0 and draw the line y = 0).
//   The row keeps its swatch and frame name while the window is open; typing
//   into it again brings the function back in the same frame, width and
//   colour. Leaving the window with the row still empty deletes the function.
// - Delete selected / delete all also forget erased rows that are ticked
//   (or all of them), whitening their swatches.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "registry/function_registry.h"
#include "registry/list_history.h"
#include "ui/list/list_window_host.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class Form2 : public QWidget {
  Q_OBJECT

 public:
  static constexpr int ROW_COUNT = FunctionRegistry::SLOT_COUNT;
  static constexpr int SCROLL_MAX = 32767;
  // Twips per logical pixel (1440 per inch at 96 logical pixels per inch).
  static constexpr int TWIPS_PER_PIXEL = 15;
  // A row takes at most this many bytes of expression, as many as a 16-bit
  // expression length counts.
  static constexpr int MAX_EXPRESSION_BYTES = 32767;

  // Loads the window: centres it on the screen and fills the rows from the
  // registry. The window is shown by the caller.
  Form2(FunctionRegistry& registry, ListWindowHost& host, QWidget* parent = nullptr);

  QCheckBox* check1(int row) const { return rows_.at(row).check; }
  QLineEdit* text1(int row) const { return rows_.at(row).text; }
  QLabel* yLabel(int row) const { return rows_.at(row).yLabel; }  // Label6(r), Label7 for the last row
  QLabel* label4(int row) const { return rows_.at(row).swatch; }
  QLabel* label5(int row) const { return rows_.at(row).frameName; }
  QScrollBar* vScroll1() const { return vScroll1_; }
  QWidget* picture1() const { return picture1_; }
  QWidget* picture2() const { return picture2_; }
  QPushButton* command1() const { return command1_; }
  QPushButton* command2() const { return command2_; }
  QPushButton* command3() const { return command3_; }
  QPushButton* command4() const { return command4_; }  // "打开…": open a lesson
  QPushButton* command5() const { return command5_; }  // "保存…": save a lesson

  // Edits and deletions are recorded in `history` (none: not recorded); Ctrl+Z
  // and Ctrl+Y in the window undo and redo its steps.
  void setHistory(ListHistory* history) { history_ = history; }
  void undo();
  void redo();
  // Fills every row afresh from the registry (after an undo, a redo or an
  // opened lesson changed it under the window).
  void reloadRows();

  // The colour a swatch shows (32-bit RGB, red in the low byte).
  std::uint32_t swatchColour(int row) const;

  // Converts between the registry's colour numbers and Qt colours.
  static QColor toQColor(std::uint32_t rgb);
  static std::uint32_t fromQColor(const QColor& colour);

 signals:
  // The registry was put back by an undo or a redo in this window.
  void listRestored();
  void openLessonRequested();
  void saveLessonRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What a row remembers of the function it shows: its frame and pen, so an
  // erased row can bring the function back when the user types again.
  struct Row {
    QCheckBox* check = nullptr;
    QLabel* yLabel = nullptr;
    QLineEdit* text = nullptr;
    QLabel* swatch = nullptr;
    QLabel* frameName = nullptr;
    bool holdsFunction = false;
    char frameCharacter = '1';
    std::int16_t width = 1;
    std::uint32_t colour = 0;
  };

  void buildControls();
  void load();
  void showFunction(int row, char frameCharacter, std::int16_t width, std::uint32_t colour);
  void forgetFunction(int row);
  void setSwatch(int row, std::uint32_t colour);
  void setRowText(int row, const QString& text);  // without passing through the editing rule
  void ensureRowVisible(int row);

  void onTextChanged(int row, const QString& text);
  void applyEdit(int row, const QString& text);
  void onScroll(int value);
  void deleteRows(bool onlyChecked);
  void onExit();

  FunctionRegistry& registry_;
  ListWindowHost& host_;
  std::array<Row, ROW_COUNT> rows_{};
  QWidget* picture1_ = nullptr;
  QWidget* picture2_ = nullptr;
  QScrollBar* vScroll1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command5_ = nullptr;
  ListHistory* history_ = nullptr;
  bool filling_ = false;  // rows set by the window itself are no user edits
};

// Opens the list window, or, when it is already open, only brings it forward
// (its rows are not refilled). The window deletes itself when it is closed, by
// its exit button or its title-bar close button; `window` then becomes null.
Form2* openFunctionList(QPointer<Form2>& window, FunctionRegistry& registry, ListWindowHost& host,
                        QWidget* parent);
