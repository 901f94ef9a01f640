// The main window: the canvas Picture1 with its two markers, the top row
// (frame toggle, expression and precision fields, pen buttons, help) and the
// control row under the canvas (draw, point evaluation, save, function list,
// clear, exit). It owns the view, the pen, the function registry and the
// message sink and lends them by reference to the other windows.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

#include "canvas/canvas_widget.h"
#include "lesson/lesson.h"
#include "plot/messages.h"
#include "plot/pen.h"
#include "plot/scene.h"
#include "plot/view_state.h"
#include "registry/function_registry.h"
#include "ui/analysis/analysis_window.h"
#include "registry/list_history.h"
#include "ui/list/form2.h"
#include "ui/list/scene_list_host.h"
#include "ui/main/help_window.h"
#include "ui/main/view_navigator.h"
#include "ui/settings/preferences.h"
#include "ui/settings/settings_window.h"

class PictureExport;
class CanvasOutput;

namespace norvale {

class ColourBoard;
class LessonCommands;
class WidthBoard;

// Captions that the window and its tests share.
inline constexpr const char* CAPTION_CARTESIAN = "直角坐标系";
inline constexpr const char* CAPTION_POLAR = "极坐标系";
inline constexpr const char* LABEL_CARTESIAN = "y =";
inline constexpr const char* LABEL_POLAR = "ρ =";  // the polar radius, as Greek rho on every system
inline constexpr const char* WINDOW_TITLE = "Tessaro——[Norvale3.0]";
inline constexpr const char* MESSAGE_NO_EXPRESSION = "请输入函数表达式！";
inline constexpr const char* MESSAGE_NO_ARGUMENT = "请输入自变量的取值！";
inline constexpr const char* MESSAGE_NO_VALUE = "函数表达式语法错误或函数值无意义！";

class Form1 : public QWidget {
  Q_OBJECT

 public:
  struct Options {
    // The screen the window is stretched over, in logical pixels; empty: the
    // available area of the primary screen.
    QSize screen;
    // The program's folder (help page, temporary picture); empty: the folder
    // of the running program.
    QString programFolder;
    // Where notices go; null: modal message boxes.
    Messages* messages = nullptr;
    // The remembered preferences; null: defaults kept in memory only.
    Preferences* preferences = nullptr;
  };

  explicit Form1(const Options& options, QWidget* parent = nullptr);
  Form1() : Form1(Options{}) {}
  ~Form1() override;

  // What the other windows borrow.
  ViewState& view() { return view_; }
  Pen& pen() { return pen_; }
  FunctionRegistry& registry() { return registry_; }
  CanvasWidget& canvas() { return *Picture1; }
  Messages& messages() { return *messages_; }
  const QString& programFolder() const { return programFolder_; }
  // The drawing precision: the leading number of the precision field.
  float precision() const;
  // Rebuilds the picture from the registry for the current frame kind (clear,
  // frame, re-plot), reporting failing entries as `mode` says to `sink`.
  ReplotOutcome redrawScene(ReplotMessages mode, Messages& sink);
  // The selection rectangle: shown from the press that anchors it until the
  // press that dismisses it; its corners are the end points of Line1 / Line2.
  bool selShown() const { return selShown_; }
  bool selDrag() const { return selDrag_; }
  bool originDrag() const { return originDrag_; }
  bool unitDrag() const { return unitDrag_; }
  HelpWindow* helpWindow() const { return helpWindow_; }
  Preferences& preferences() { return *preferences_; }
  SettingsWindow* settingsWindow() const { return settingsWindow_; }
  ViewNavigator& navigator() { return *navigator_; }

  // The commands, as their buttons run them.
  void drawCommand();     // Command3, Enter in Text1
  void toggleFrame();     // Command1
  void clearPicture();    // Command4
  void evaluatePoint();   // Command8
  void openHelp();        // Command10, F1
  void openSettings();    // CommandSettings, Ctrl+,
  void showWidthBoard();  // Command2
  void showColourBoard(); // Command7
  void openFunctionList(); // Command9: opens the list, or brings the open one forward
  void saveSelection();    // Command6: captures the selection (or the canvas) and opens the save window
  PictureExport* pictureExport() const { return pictureExport_.get(); }
  CanvasOutput* canvasOutput() const { return canvasOutput_.get(); }  // Ctrl+C, Ctrl+P
  Form2* listWindow() const { return listWindow_; }
  void openAnalysis();  // Command11, F3: opens the analysis window, or brings it forward
  AnalysisWindow* analysisWindow() const { return analysisWindow_; }

  // Undo and redo of the function list's changes (Ctrl+Z, Ctrl+Y): the
  // registry is put back and the picture redrawn.
  ListHistory& history() { return history_; }
  void undoListChange();
  void redoListChange();
  // Lessons: Ctrl+O / Ctrl+S ask for a file; the File variants take a path
  // (the command line, a drop) and return whether it worked.
  void openLesson();
  void saveLesson();
  bool openLessonFile(const QString& path);
  bool saveLessonFile(const QString& path);
  lesson::Lesson currentLesson() const;
  // Puts the lesson in place of the scene — functions, ring position, frame,
  // origin, unit, precision, pen — and redraws as the list window's exit does.
  void replaceWithLesson(const lesson::Lesson& lesson);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void startUp(QSize screen);
  void placeMarkers(float left, float top, float unitLeft);
  void canvasPress(float x, float y, int button);
  void canvasMove(float x, float y);
  void canvasRelease();
  void dragRedraw();
  void wireViewAndSettings();
  SceneContext scene(Messages& sink);
  void wireLessonsAndHistory();
  void showFrameKind();
  void redrawAfterHistoryStep();
  void openLessonFromList();
  void saveLessonFromList();

  // Process-wide state of the window.
  ViewState view_;
  Pen pen_;
  FunctionRegistry registry_;
  PolarAngleTable polarSamples_;  // kept between redraws: a drag in the polar frame evaluates each curve once
  ListHistory history_;
  LessonCommands* lessons_ = nullptr;
  std::unique_ptr<Messages> ownMessages_;
  Messages* messages_ = nullptr;
  QString programFolder_;
  bool originDrag_ = false;
  bool unitDrag_ = false;
  bool selShown_ = false;
  bool selDrag_ = false;

  // Controls, under their design names.
  CanvasWidget* Picture1 = nullptr;
  QLabel* Picture2 = nullptr;
  QLabel* Picture3 = nullptr;
  QWidget* Picture4 = nullptr;
  QLabel* Label5 = nullptr;
  ColourBoard* lcolorBd = nullptr;
  WidthBoard* lwidthBd = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QPushButton* Command6 = nullptr;
  QPushButton* Command7 = nullptr;
  QPushButton* Command8 = nullptr;
  QPushButton* Command9 = nullptr;
  QPushButton* Command10 = nullptr;
  QPushButton* Command11 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  std::array<QLabel*, 2> Label1{};
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QPointer<HelpWindow> helpWindow_;
  QPushButton* CommandSettings = nullptr;
  std::unique_ptr<Preferences> ownPreferences_;
  Preferences* preferences_ = nullptr;
  QPointer<SettingsWindow> settingsWindow_;
  ViewNavigator* navigator_ = nullptr;
  std::unique_ptr<PictureExport> pictureExport_;
  std::unique_ptr<CanvasOutput> canvasOutput_;
  std::unique_ptr<SceneListHost> listHost_;
  QPointer<Form2> listWindow_;
  QPointer<AnalysisWindow> analysisWindow_;
};

}  // namespace norvale
