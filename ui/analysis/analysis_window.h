// The analysis window "分析": for a listed function of the current frame it
// finds, over the visible x range (polar: the angles 0 to 2 pi), the zeros,
// the local maxima and minima and the intersections with a second listed
// function; a click on a result marks it on the canvas (a dot with its
// coordinates, over the picture) until the window closes. It also builds a
// value table (copied to the clipboard as tab-separated text) and adds the
// derivative of the chosen function as a new listed function.
//
// Choices:
// - The derivative goes into the slot after the one written last when that
//   slot is empty, otherwise into the first empty slot (without moving the
//   ring position); with no empty slot nothing is added and the user is told,
//   so no listed function is ever overwritten by it. It keeps the frame and
//   width of its function and takes the next colour of the palette after the
//   function's colour that no listed function of the frame uses.
// - Marks follow the view: they are placed again after every pointer
//   movement over the canvas, so a drag of the origin or unit marker keeps
//   them on their points.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/curve_analysis.h"
#include "canvas/canvas_widget.h"
#include "plot/messages.h"
#include "plot/pen.h"
#include "plot/view_state.h"
#include "registry/function_registry.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTableWidget;

namespace norvale {

inline constexpr const char* ANALYSIS_TITLE = "分析";
inline constexpr const char* MESSAGE_DERIVATIVE_RANDOM = "函数含有随机数 rnd，无法写出导函数！";
inline constexpr const char* MESSAGE_DERIVATIVE_MALFORMED = "函数表达式语法错误，无法求导函数！";
inline constexpr const char* MESSAGE_DERIVATIVE_TOO_LARGE = "导函数太长，无法写出！";
inline constexpr const char* MESSAGE_LIST_FULL = "函数列表已满，请先在函数列表中删除函数！";
inline constexpr const char* MESSAGE_TABLE_NUMBERS = "请输入起点、终点和步长的数值！";
inline constexpr const char* MESSAGE_TABLE_STEP = "步长不能为0，且须从起点指向终点！";
inline constexpr const char* MESSAGE_TABLE_ROWS = "表格最多10000行，请增大步长或缩小范围！";
inline constexpr const char* MESSAGE_NO_FUNCTION = "请先绘制函数！";

// The palette's 24 colours in reading order (red in the low byte).
const std::vector<std::uint32_t>& paletteColours();
// The first palette colour after `after` (from the start when `after` is not
// in the palette) that is not in `used`; the plain next one when all are used.
std::uint32_t nextPaletteColour(std::uint32_t after, const std::vector<std::uint32_t>& used);

struct AnalysisContext {
  FunctionRegistry& registry;
  const ViewState& view;
  const Pen& pen;  // the canvas pen width is put back to the user's after drawing
  CanvasWidget& canvas;
  Messages& messages;
  std::function<float()> precision;  // the drawing precision at the time of a draw
  // Told after the window changed the list (the derivative added), with the
  // list as it was before, so the change can be undone and shown elsewhere.
  std::function<void(const FunctionRegistry& before)> listChanged = {};
};

class AnalysisWindow : public QWidget {
  Q_OBJECT

 public:
  // The sweep of the analysis: this many intervals over the range.
  static constexpr int SAMPLE_INTERVALS = 4000;

  explicit AnalysisWindow(const AnalysisContext& context, QWidget* parent = nullptr);

  // Re-reads the listed functions of the current frame, keeping the choices
  // that are still listed.
  void reloadFunctions();
  // The analysis of the chosen function (and intersections with the second).
  void analyse();
  void addDerivative();
  void buildTable();
  void copyTable();
  // Marks the result in row `row` of the results list.
  void markResult(int row);
  void clearMarks();

  QComboBox* functionBox() const { return functionBox_; }
  QComboBox* otherBox() const { return otherBox_; }
  QListWidget* results() const { return results_; }
  QListWidget* columns() const { return columns_; }
  QLineEdit* fromField() const { return from_; }
  QLineEdit* toField() const { return to_; }
  QLineEdit* stepField() const { return step_; }
  QTableWidget* table() const { return table_; }
  // The table as the copy button puts it on the clipboard.
  QString tableText() const { return tableText_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Listed {
    int slot = 0;
    std::string expression;
    std::int16_t width = 1;
    std::uint32_t colour = 0;
  };
  struct Result {
    analysis::Feature feature;
    std::uint32_t colour = 0;
  };
  struct Mark {
    analysis::Feature feature;
    std::uint32_t colour = 0;
  };

  void buildControls();
  bool polar() const { return context_.view.frameKind != FRAME_CARTESIAN; }
  const Listed* chosen(const QComboBox* box) const;
  std::string inX(const std::string& expression) const;
  QString resultText(const analysis::Feature& f) const;
  QString markCaption(const analysis::Feature& f) const;
  void placeMarks();

  AnalysisContext context_;
  QPointer<CanvasWidget> canvas_;
  std::vector<Listed> listed_;
  std::vector<Result> resultData_;
  std::vector<Mark> marks_;
  QString tableText_;

  QComboBox* functionBox_ = nullptr;
  QComboBox* otherBox_ = nullptr;
  QListWidget* results_ = nullptr;
  QListWidget* columns_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLineEdit* step_ = nullptr;
  QTableWidget* table_ = nullptr;
};

// Opens the window, or brings the open one forward (re-reading the functions).
AnalysisWindow* openAnalysisWindow(QPointer<AnalysisWindow>& window, const AnalysisContext& context,
                                   QWidget* parent);

}  // namespace norvale
