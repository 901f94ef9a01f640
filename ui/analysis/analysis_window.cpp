#include "ui/analysis/analysis_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/derivative.h"
#include "analysis/value_table.h"
#include "engine/engine.h"
#include "plot/plotters.h"
#include "ui/list/window_look.h"

namespace norvale {

namespace {

constexpr std::uint32_t rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

QColor toQColor(std::uint32_t value) {
  return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString text(const char* utf8) { return QString::fromUtf8(utf8); }
QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QString seven(double v) { return text(analysis::sevenDigitText(v)); }

QIcon swatch(std::uint32_t colour) {
  QPixmap pixmap(14, 14);
  pixmap.fill(toQColor(colour));
  return QIcon(pixmap);
}

QPushButton* makeButton(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(text(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// The number a field holds ("." as decimal point, an exponent allowed);
// nothing when the text is no number.
std::optional<double> fieldNumber(const QLineEdit* field) {
  bool ok = false;
  const double v = field->text().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

const std::vector<std::uint32_t>& paletteColours() {
  static const std::vector<std::uint32_t> colours{
      rgb(0, 0, 0),       rgb(64, 64, 64),    rgb(128, 128, 128), rgb(128, 0, 0),   rgb(255, 0, 0),
      rgb(255, 102, 0),   rgb(192, 144, 0),   rgb(128, 128, 0),   rgb(0, 160, 0),   rgb(0, 100, 0),
      rgb(0, 160, 160),   rgb(0, 176, 240),   rgb(0, 0, 255),     rgb(0, 0, 128),   rgb(106, 0, 192),
      rgb(192, 0, 192),   rgb(255, 0, 128),   rgb(139, 69, 19),   rgb(160, 82, 45), rgb(46, 139, 87),
      rgb(70, 130, 180),  rgb(220, 20, 60),   rgb(148, 0, 211),   rgb(255, 215, 0)};
  return colours;
}

std::uint32_t nextPaletteColour(std::uint32_t after, const std::vector<std::uint32_t>& used) {
  const std::vector<std::uint32_t>& palette = paletteColours();
  const auto found = std::find(palette.begin(), palette.end(), after);
  const std::size_t start = found == palette.end() ? palette.size() - 1 : std::size_t(found - palette.begin());
  for (std::size_t k = 1; k <= palette.size(); ++k) {
    const std::uint32_t c = palette[(start + k) % palette.size()];
    if (std::find(used.begin(), used.end(), c) == used.end()) return c;
  }
  return palette[(start + 1) % palette.size()];
}

AnalysisWindow::AnalysisWindow(const AnalysisContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context), canvas_(&context.canvas) {
  setObjectName(QStringLiteral("AnalysisWindow"));
  setWindowTitle(text(ANALYSIS_TITLE));
  buildControls();
  reloadFunctions();
}

void AnalysisWindow::buildControls() {
  norvale::applyWindowLook(*this);

  auto* layout = new QVBoxLayout(this);

  // The functions and the search.
  auto* choose = new QGridLayout;
  functionBox_ = new QComboBox(this);
  functionBox_->setObjectName(QStringLiteral("functionBox"));
  otherBox_ = new QComboBox(this);
  otherBox_->setObjectName(QStringLiteral("otherBox"));
  auto* functionLabel = new QLabel(text("函数(&F)："), this);
  functionLabel->setBuddy(functionBox_);
  auto* otherLabel = new QLabel(text("交点：与(&W)"), this);
  otherLabel->setBuddy(otherBox_);
  QPushButton* analyseButton = makeButton("analyseButton", "求  解(&S)", this);
  QPushButton* derivativeButton = makeButton("derivativeButton", "导函数(&D)", this);
  choose->addWidget(functionLabel, 0, 0);
  choose->addWidget(functionBox_, 0, 1);
  choose->addWidget(analyseButton, 0, 2);
  choose->addWidget(otherLabel, 1, 0);
  choose->addWidget(otherBox_, 1, 1);
  choose->addWidget(derivativeButton, 1, 2);
  choose->setColumnStretch(1, 1);
  layout->addLayout(choose);

  auto* resultsLabel = new QLabel(text("结果（单击或回车在图上标出）(&R)："), this);
  results_ = new QListWidget(this);
  results_->setObjectName(QStringLiteral("results"));
  resultsLabel->setBuddy(results_);
  QPushButton* clearMarksButton = makeButton("clearMarksButton", "清除标记(&C)", this);
  auto* resultsRow = new QHBoxLayout;
  resultsRow->addWidget(resultsLabel, 1);
  resultsRow->addWidget(clearMarksButton);
  layout->addLayout(resultsRow);
  layout->addWidget(results_, 2);

  // The value table.
  auto* tableBox = new QGroupBox(text("函数值表"), this);
  auto* tableLayout = new QGridLayout(tableBox);
  from_ = new QLineEdit(tableBox);
  from_->setObjectName(QStringLiteral("fromField"));
  to_ = new QLineEdit(tableBox);
  to_->setObjectName(QStringLiteral("toField"));
  step_ = new QLineEdit(QStringLiteral("1"), tableBox);
  step_->setObjectName(QStringLiteral("stepField"));
  auto* fromLabel = new QLabel(text("起点 a(&A)："), tableBox);
  fromLabel->setBuddy(from_);
  auto* toLabel = new QLabel(text("终点 b(&B)："), tableBox);
  toLabel->setBuddy(to_);
  auto* stepLabel = new QLabel(text("步长 h(&H)："), tableBox);
  stepLabel->setBuddy(step_);
  columns_ = new QListWidget(tableBox);
  columns_->setObjectName(QStringLiteral("columns"));
  columns_->setMaximumHeight(90);
  auto* columnsLabel = new QLabel(text("列中函数(&L)："), tableBox);
  columnsLabel->setBuddy(columns_);
  QPushButton* tableButton = makeButton("tableButton", "生成表格(&T)", tableBox);
  QPushButton* copyButton = makeButton("copyButton", "复制(&O)", tableBox);
  table_ = new QTableWidget(tableBox);
  table_->setObjectName(QStringLiteral("valueTable"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  tableLayout->addWidget(fromLabel, 0, 0);
  tableLayout->addWidget(from_, 0, 1);
  tableLayout->addWidget(toLabel, 0, 2);
  tableLayout->addWidget(to_, 0, 3);
  tableLayout->addWidget(stepLabel, 0, 4);
  tableLayout->addWidget(step_, 0, 5);
  tableLayout->addWidget(columnsLabel, 1, 0, 1, 2);
  tableLayout->addWidget(tableButton, 1, 4);
  tableLayout->addWidget(copyButton, 1, 5);
  tableLayout->addWidget(columns_, 2, 0, 1, 6);
  tableLayout->addWidget(table_, 3, 0, 1, 6);
  layout->addWidget(tableBox, 3);

  resize(520, 620);

  connect(analyseButton, &QPushButton::clicked, this, &AnalysisWindow::analyse);
  connect(derivativeButton, &QPushButton::clicked, this, &AnalysisWindow::addDerivative);
  connect(clearMarksButton, &QPushButton::clicked, this, &AnalysisWindow::clearMarks);
  connect(tableButton, &QPushButton::clicked, this, &AnalysisWindow::buildTable);
  connect(copyButton, &QPushButton::clicked, this, &AnalysisWindow::copyTable);
  connect(results_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { markResult(results_->row(item)); });
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { markResult(results_->row(item)); });
  // A drag of the origin or unit marker moves the view: put the marks back
  // on their points after the main window has redrawn.
  connect(canvas_.data(), &CanvasWidget::mouseMoved, this, [this] { placeMarks(); });
}

void AnalysisWindow::reloadFunctions() {
  const int keptSlot = chosen(functionBox_) ? chosen(functionBox_)->slot : 0;
  const int keptOther = chosen(otherBox_) ? chosen(otherBox_)->slot : 0;
  std::vector<int> checkedSlots;
  for (int i = 0; i < columns_->count(); ++i) {
    if (columns_->item(i)->checkState() == Qt::Checked) checkedSlots.push_back(columns_->item(i)->data(Qt::UserRole).toInt());
  }
  listed_.clear();
  const char frame = polar() ? '0' : '1';
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    if (context_.registry.isEmpty(slot)) continue;
    const DecodedEntry e = context_.registry.decodeEntry(slot);
    if (e.frameCharacter != std::string(1, frame)) continue;
    listed_.push_back({slot, e.expression, e.width, e.colour});
  }
  functionBox_->clear();
  otherBox_->clear();
  columns_->clear();
  otherBox_->addItem(text("（无）"), 0);
  for (const Listed& l : listed_) {
    const QString caption = (polar() ? QStringLiteral("ρ = ") : QStringLiteral("y = ")) + text(l.expression);
    functionBox_->addItem(swatch(l.colour), caption, l.slot);
    otherBox_->addItem(swatch(l.colour), caption, l.slot);
    auto* item = new QListWidgetItem(swatch(l.colour), caption, columns_);
    item->setData(Qt::UserRole, l.slot);
    const bool checked = std::find(checkedSlots.begin(), checkedSlots.end(), l.slot) != checkedSlots.end();
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  }
  if (const int i = functionBox_->findData(keptSlot); i >= 0) functionBox_->setCurrentIndex(i);
  if (const int i = otherBox_->findData(keptOther); i >= 0) otherBox_->setCurrentIndex(i);
  // The table starts with the chosen function as its column.
  if (checkedSlots.empty() && columns_->count() > 0) {
    const int i = std::max(functionBox_->currentIndex(), 0);
    columns_->item(i)->setCheckState(Qt::Checked);
  }
  if (from_->text().isEmpty() && to_->text().isEmpty()) {
    const WorldWindow w = context_.view.worldWindow();
    from_->setText(polar() ? QStringLiteral("0") : QString::number(std::ceil(w.left)));
    to_->setText(polar() ? QStringLiteral("6.28") : QString::number(std::floor(w.right)));
  }
}

const AnalysisWindow::Listed* AnalysisWindow::chosen(const QComboBox* box) const {
  if (!box || box->currentIndex() < 0) return nullptr;
  const int slot = box->currentData().toInt();
  for (const Listed& l : listed_) {
    if (l.slot == slot) return &l;
  }
  return nullptr;
}

std::string AnalysisWindow::inX(const std::string& expression) const {
  return polar() ? ReplaceAngleLetter(expression) : expression;
}

QString AnalysisWindow::resultText(const analysis::Feature& f) const {
  const QString var = polar() ? QStringLiteral("θ") : QStringLiteral("x");
  switch (f.kind) {
    case analysis::FeatureKind::Zero: return text("零点　") + var + QStringLiteral(" = ") + seven(f.x);
    case analysis::FeatureKind::Maximum: return text("极大值　") + markCaption(f);
    case analysis::FeatureKind::Minimum: return text("极小值　") + markCaption(f);
    case analysis::FeatureKind::Intersection: return text("交点　") + markCaption(f);
  }
  return {};
}

QString AnalysisWindow::markCaption(const analysis::Feature& f) const {
  if (polar()) return QStringLiteral("θ = %1, ρ = %2").arg(seven(f.x), seven(f.y));
  return QStringLiteral("(%1, %2)").arg(seven(f.x), seven(f.y));
}

void AnalysisWindow::analyse() {
  results_->clear();
  resultData_.clear();
  const Listed* f = chosen(functionBox_);
  if (!f) {
    context_.messages.show(MESSAGE_NO_FUNCTION, MessageIcon::None);
    return;
  }
  const WorldWindow w = context_.view.worldWindow();
  const double from = polar() ? 0.0 : w.left;
  const double to = polar() ? 2 * std::numbers::pi : w.right;
  const analysis::SampleGrid grid = analysis::makeGrid(from, to, SAMPLE_INTERVALS);
  const std::string expression = inX(f->expression);
  const analysis::DerivativeResult d = analysis::derivativeText(expression);
  const analysis::CurveFunction curve(expression, d.text, grid);
  for (const analysis::Feature& feature : analysis::analyseFunction(curve, grid)) {
    resultData_.push_back({feature, f->colour});
  }
  if (const Listed* g = chosen(otherBox_); g && g->slot != f->slot) {
    const analysis::CurveFunction other(inX(g->expression), "", grid);
    for (const analysis::Feature& feature : analysis::findIntersections(curve, other, grid)) {
      resultData_.push_back({feature, f->colour});
    }
  }
  for (const Result& r : resultData_) results_->addItem(resultText(r.feature));
  if (resultData_.empty()) results_->addItem(text("在显示范围内没有找到零点、极值点或交点。"));
}

void AnalysisWindow::markResult(int row) {
  if (row < 0 || row >= static_cast<int>(resultData_.size())) return;
  marks_.push_back({resultData_[row].feature, resultData_[row].colour});
  placeMarks();
}

void AnalysisWindow::clearMarks() {
  marks_.clear();
  placeMarks();
}

void AnalysisWindow::placeMarks() {
  if (!canvas_) return;
  const ViewState& view = context_.view;
  std::vector<CanvasWidget::OverlayMark> marks;
  for (const Mark& m : marks_) {
    double wx = m.feature.x;
    double wy = m.feature.y;
    if (polar()) {  // the end of the radius at the angle
      wx = m.feature.y * std::cos(m.feature.x);
      wy = m.feature.y * std::sin(m.feature.x);
    }
    const double cx = view.originX() + view.unitLength * wx;
    const double cy = view.originY() + view.unitLength * wy;
    marks.push_back({static_cast<float>(cx), static_cast<float>(cy), markCaption(m.feature), m.colour});
  }
  // Placed again on every pointer movement: repaint only when they moved.
  const auto& shown = canvas_->overlayMarks();
  const bool same = std::equal(marks.begin(), marks.end(), shown.begin(), shown.end(), [](const auto& a, const auto& b) {
    return a.x == b.x && a.y == b.y && a.caption == b.caption && a.colour == b.colour;
  });
  if (!same) canvas_->setOverlayMarks(std::move(marks));
}

void AnalysisWindow::addDerivative() {
  const Listed* f = chosen(functionBox_);
  if (!f) {
    context_.messages.show(MESSAGE_NO_FUNCTION, MessageIcon::None);
    return;
  }
  const analysis::DerivativeResult d = analysis::derivativeText(f->expression, polar());
  switch (d.error) {
    case analysis::DerivativeError::None: break;
    case analysis::DerivativeError::Random: context_.messages.show(MESSAGE_DERIVATIVE_RANDOM, MessageIcon::Warning); return;
    case analysis::DerivativeError::Malformed:
      context_.messages.show(MESSAGE_DERIVATIVE_MALFORMED, MessageIcon::Warning);
      return;
    case analysis::DerivativeError::TooLarge:
      context_.messages.show(MESSAGE_DERIVATIVE_TOO_LARGE, MessageIcon::Warning);
      return;
  }
  FunctionRegistry& registry = context_.registry;
  int slot = registry.funcLast() % FunctionRegistry::SLOT_COUNT + 1;
  for (int s = 1; s <= FunctionRegistry::SLOT_COUNT && !registry.isEmpty(slot); ++s) slot = s;
  if (!registry.isEmpty(slot)) {
    context_.messages.show(MESSAGE_LIST_FULL, MessageIcon::Warning);
    return;
  }
  std::vector<std::uint32_t> used;
  for (const Listed& l : listed_) used.push_back(l.colour);
  const std::uint32_t colour = nextPaletteColour(f->colour, used);
  const char frame = polar() ? '0' : '1';
  const std::int16_t width = f->width;
  const FunctionRegistry before = registry;
  if (slot == registry.funcLast() % FunctionRegistry::SLOT_COUNT + 1)
    registry.appendEntry(d.text, frame, width, colour);
  else
    registry.writeEntry(slot, d.text, frame, width, colour);
  if (context_.listChanged) context_.listChanged(before);

  if (canvas_) {
    Pen pen;
    pen.chooseWidth(width);
    pen.chooseColor(colour);
    const PlotContext plot{context_.view.unitLength, pen, context_.messages};
    const WorldWindow window = context_.view.worldWindow();
    const float precision = context_.precision ? context_.precision() : DEFAULT_PRECISION;
    if (polar())
      drawnorvale2MV(ReplaceAngleLetter(d.text), *canvas_, precision, window, plot);
    else
      drawnorvaleMV(d.text, *canvas_, precision, window, plot);
    canvas_->setDrawWidth(canvasPenWidth(context_.pen.lwidth));
  }
  reloadFunctions();
}

void AnalysisWindow::buildTable() {
  std::vector<std::string> expressions;
  std::vector<std::string> headers;
  for (int i = 0; i < columns_->count(); ++i) {
    if (columns_->item(i)->checkState() != Qt::Checked) continue;
    const int slot = columns_->item(i)->data(Qt::UserRole).toInt();
    for (const Listed& l : listed_) {
      if (l.slot != slot) continue;
      expressions.push_back(inX(l.expression));
      headers.push_back(l.expression);
    }
  }
  const auto a = fieldNumber(from_);
  const auto b = fieldNumber(to_);
  const auto h = fieldNumber(step_);
  if (!a || !b || !h) {
    context_.messages.show(MESSAGE_TABLE_NUMBERS, MessageIcon::None);
    return;
  }
  const analysis::ValueTable t = analysis::makeValueTable(a.value_or(0), b.value_or(0), h.value_or(0), expressions,
                                                          polar() ? "θ" : "x");
  if (t.error == analysis::TableError::BadStep) {
    context_.messages.show(MESSAGE_TABLE_STEP, MessageIcon::None);
    return;
  }
  if (t.error == analysis::TableError::TooManyRows) {
    context_.messages.show(MESSAGE_TABLE_ROWS, MessageIcon::None);
    return;
  }
  analysis::ValueTable shown = t;
  for (std::size_t c = 0; c < headers.size(); ++c) shown.headers[c + 1] = headers[c];
  tableText_ = text(analysis::tableText(shown, ""));

  table_->clear();
  table_->setColumnCount(static_cast<int>(shown.headers.size()));
  table_->setRowCount(static_cast<int>(shown.x.size()));
  QStringList labels;
  for (const std::string& header : shown.headers) labels << text(header);
  table_->setHorizontalHeaderLabels(labels);
  for (int r = 0; r < static_cast<int>(shown.x.size()); ++r) {
    table_->setItem(r, 0, new QTableWidgetItem(seven(shown.x[r])));
    for (int c = 0; c < static_cast<int>(shown.cells[r].size()); ++c) {
      const auto& cell = shown.cells[r][c];
      table_->setItem(r, c + 1, new QTableWidgetItem(cell ? seven(*cell) : text("无定义")));
    }
  }
}

void AnalysisWindow::copyTable() {
  if (tableText_.isEmpty()) buildTable();
  if (tableText_.isEmpty()) return;
  QApplication::clipboard()->setText(tableText_);
}

void AnalysisWindow::closeEvent(QCloseEvent* event) {
  marks_.clear();
  placeMarks();
  QWidget::closeEvent(event);
}

bool AnalysisWindow::event(QEvent* event) {
  // Functions drawn or edited meanwhile appear when the window is used again.
  if (event->type() == QEvent::WindowActivate) reloadFunctions();
  return QWidget::event(event);
}

AnalysisWindow* openAnalysisWindow(QPointer<AnalysisWindow>& window, const AnalysisContext& context,
                                   QWidget* parent) {
  if (!window) {
    window = new AnalysisWindow(context, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  if (window->isMinimized()) window->showNormal();
  window->reloadFunctions();
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace norvale
