#include "ui/list/form2.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QValidator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "plot/view_state.h"
#include "ui/list/history_keys.h"
#include "ui/list/window_look.h"

namespace {

// Design positions and sizes are in twips; the window works in logical pixels.
int px(double twips) { return static_cast<int>(std::lround(twips / Form2::TWIPS_PER_PIXEL)); }
QRect twipRect(int left, int top, int width, int height) { return {px(left), px(top), px(width), px(height)}; }

constexpr int CLIENT_WIDTH = 8280;
constexpr int CLIENT_HEIGHT = 4485;
constexpr int PANEL_LEFT = 120;
constexpr int PANEL_TOP = 120;
constexpr int ROW_PITCH = 480;
constexpr int ROW_HEIGHT = 375;
constexpr int VIEWPORT_HEIGHT = 3735;
// The whole range of the scroll bar moves the panel up by this much.
constexpr double SCROLL_TRAVEL = 8280;
constexpr double TWIPS_PER_SCROLL_UNIT = SCROLL_TRAVEL / Form2::SCROLL_MAX;

const QString CARTESIAN_NAME = QStringLiteral("直角坐标系");
const QString POLAR_NAME = QStringLiteral("极坐标系");

// Scroll value that puts the panel's top `twips` above its resting place.
int scrollValueFor(double twips) {
  const double value = std::round(twips / TWIPS_PER_SCROLL_UNIT);
  return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(Form2::SCROLL_MAX)));
}

QLabel* makeHeader(QWidget* parent, const char* name, const QString& caption, const QColor& background,
                   const QRect& geometry) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  label->setPalette(palette);
  label->setGeometry(geometry);
  return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

// Refuses an edit that would make the expression longer than a slot can hold.
class ExpressionLengthValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return input.toUtf8().size() <= Form2::MAX_EXPRESSION_BYTES ? Acceptable : Invalid;
  }
};

}  // namespace

Form2::Form2(FunctionRegistry& registry, ListWindowHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      registry_(registry),
      host_(host) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("函数列表"));
  buildControls();
  load();
}

void Form2::buildControls() {
  setFixedSize(px(CLIENT_WIDTH), px(CLIENT_HEIGHT));
  norvale::applyWindowLook(*this);

  makeHeader(this, "Label1", QStringLiteral("函         数"), QColor(192, 255, 192), twipRect(0, 0, 5775, 255));
  makeHeader(this, "Label2", QStringLiteral("颜色"), QColor(192, 255, 255), twipRect(5760, 0, 735, 255));
  makeHeader(this, "Label3", QStringLiteral("坐标系"), QColor(255, 192, 255), twipRect(6480, 0, 1815, 255));

  auto* viewport = new QFrame(this);
  viewport->setObjectName(QStringLiteral("Picture1"));
  viewport->setFrameShape(QFrame::NoFrame);
  viewport->setGeometry(twipRect(0, 240, 8295, VIEWPORT_HEIGHT));
  viewport->installEventFilter(this);
  picture1_ = viewport;

  picture2_ = new QWidget(viewport);
  picture2_->setObjectName(QStringLiteral("Picture2"));
  picture2_->setAutoFillBackground(true);
  QPalette white = picture2_->palette();
  white.setColor(QPalette::Window, Qt::white);
  picture2_->setPalette(white);
  picture2_->setGeometry(twipRect(PANEL_LEFT, PANEL_TOP, 7935, 11640));

  QFont timesFont;
  timesFont.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                         QStringLiteral("DejaVu Serif")});
  timesFont.setPointSize(11);
  auto* validator = new ExpressionLengthValidator(this);

  for (int r = 0; r < ROW_COUNT; ++r) {
    Row& row = rows_[r];
    const int top = ROW_PITCH * r;
    const QString index = QString::number(r);

    row.check = new QCheckBox(picture2_);
    row.check->setObjectName(QStringLiteral("Check1(%1)").arg(index));
    row.check->setGeometry(twipRect(120, top + (ROW_HEIGHT - 255) / 2, 255, 255));

    row.yLabel = new QLabel(QStringLiteral("y ="), picture2_);
    row.yLabel->setObjectName(r < ROW_COUNT - 1 ? QStringLiteral("Label6(%1)").arg(index) : QStringLiteral("Label7"));
    row.yLabel->setFont(timesFont);
    row.yLabel->setGeometry(twipRect(480, top, 375, ROW_HEIGHT));

    row.text = new QLineEdit(picture2_);
    row.text->setObjectName(QStringLiteral("Text1(%1)").arg(index));
    row.text->setFont(timesFont);
    row.text->setValidator(validator);
    row.text->setGeometry(twipRect(840, top, 4815, ROW_HEIGHT));

    row.swatch = new QLabel(picture2_);
    row.swatch->setObjectName(QStringLiteral("Label4(%1)").arg(index));
    row.swatch->setAutoFillBackground(true);
    row.swatch->setGeometry(twipRect(5760, top, 615, ROW_HEIGHT));
    setSwatch(r, 0xFFFFFF);

    row.frameName = new QLabel(picture2_);
    row.frameName->setObjectName(QStringLiteral("Label5(%1)").arg(index));
    row.frameName->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    row.frameName->setGeometry(twipRect(6480, top, 1335, ROW_HEIGHT));

    row.check->installEventFilter(this);
    row.text->installEventFilter(this);
    connect(row.text, &QLineEdit::textChanged, this, [this, r](const QString& text) { onTextChanged(r, text); });
  }

  vScroll1_ = new QScrollBar(Qt::Vertical, this);
  vScroll1_->setObjectName(QStringLiteral("VScroll1"));
  vScroll1_->setRange(0, SCROLL_MAX);
  vScroll1_->setSingleStep(scrollValueFor(ROW_PITCH));
  vScroll1_->setPageStep(scrollValueFor(7 * ROW_PITCH));
  vScroll1_->setGeometry(twipRect(8040, 240, 255, VIEWPORT_HEIGHT));
  connect(vScroll1_, &QScrollBar::valueChanged, this, &Form2::onScroll);

  command3_ = makeButton(this, "Command3", QStringLiteral("选择删除"), twipRect(120, 4080, 1095, 375));
  command1_ = makeButton(this, "Command1", QStringLiteral("全部删除"), twipRect(1560, 4080, 1095, 375));
  command2_ = makeButton(this, "Command2", QStringLiteral("退  出"), twipRect(6720, 4080, 1095, 375));
  connect(command3_, &QPushButton::clicked, this, [this] { deleteRows(true); });
  connect(command1_, &QPushButton::clicked, this, [this] { deleteRows(false); });
  connect(command2_, &QPushButton::clicked, this, &Form2::onExit);

  command4_ = makeButton(this, "Command4", QStringLiteral("打开…"), twipRect(3480, 4080, 1095, 375));
  command5_ = makeButton(this, "Command5", QStringLiteral("保存…"), twipRect(4920, 4080, 1095, 375));
  connect(command4_, &QPushButton::clicked, this, &Form2::openLessonRequested);
  connect(command5_, &QPushButton::clicked, this, &Form2::saveLessonRequested);
  addListHistoryKeys(this, [this] { undo(); }, [this] { redo(); });
}

void Form2::undo() {
  if (history_ == nullptr || !history_->undo(registry_)) return;
  reloadRows();
  emit listRestored();
}

void Form2::redo() {
  if (history_ == nullptr || !history_->redo(registry_)) return;
  reloadRows();
  emit listRestored();
}

void Form2::reloadRows() {
  for (int row = 0; row < ROW_COUNT; ++row) {
    const int slot = row + 1;
    // The rows only show the registry here; the editing rule stays out.
    const QSignalBlocker quiet(rows_[row].text);
    if (registry_.isEmpty(slot)) {
      rows_[row].text->clear();
      forgetFunction(row);
      continue;
    }
    const DecodedEntry entry = registry_.decodeEntry(slot);
    showFunction(row, entry.frameCharacter.empty() ? ' ' : entry.frameCharacter.front(), entry.width, entry.colour);
    rows_[row].text->setText(QString::fromStdString(entry.expression));
  }
  if (history_ != nullptr) history_->endMerge();
}

void Form2::load() {
  const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  picture2_->move(px(PANEL_LEFT), px(PANEL_TOP));

  for (int slot = 1; slot <= ROW_COUNT; ++slot) {
    if (registry_.isEmpty(slot)) continue;
    const int row = slot - 1;
    const DecodedEntry entry = registry_.decodeEntry(slot);
    const char frame = entry.frameCharacter.empty() ? ' ' : entry.frameCharacter.front();
    showFunction(row, frame, entry.width, entry.colour);
    // Passes through the editing rule, which rebuilds the slot unchanged.
    rows_[row].text->setText(QString::fromStdString(entry.expression));
  }
}

void Form2::showFunction(int row, char frameCharacter, std::int16_t width, std::uint32_t colour) {
  Row& r = rows_.at(row);
  r.holdsFunction = true;
  r.frameCharacter = frameCharacter;
  r.width = width;
  r.colour = colour;
  setSwatch(row, colour);
  r.frameName->setText(frameCharacter == '1' ? CARTESIAN_NAME : POLAR_NAME);
}

void Form2::forgetFunction(int row) {
  Row& r = rows_.at(row);
  r.holdsFunction = false;
  setSwatch(row, 0xFFFFFF);
  r.frameName->clear();
}

void Form2::setSwatch(int row, std::uint32_t colour) {
  QLabel* swatch = rows_.at(row).swatch;
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, toQColor(colour));
  swatch->setPalette(palette);
}

std::uint32_t Form2::swatchColour(int row) const {
  return fromQColor(rows_.at(row).swatch->palette().color(QPalette::Window));
}

QColor Form2::toQColor(std::uint32_t rgb) {
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

std::uint32_t Form2::fromQColor(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
         (static_cast<std::uint32_t>(colour.blue()) << 16);
}

void Form2::onTextChanged(int row, const QString& text) {
  if (filling_ || history_ == nullptr) {
    applyEdit(row, text);
    return;
  }
  const FunctionRegistry before = registry_;
  applyEdit(row, text);
  history_->record(before, registry_, ListChange::Edit, row);
}

void Form2::applyEdit(int row, const QString& text) {
  const int slot = row + 1;
  const std::string expression = text.toStdString();
  Row& r = rows_.at(row);

  if (expression.empty()) {
    // An empty expression would be plotted as y = 0: the slot is emptied and
    // the row keeps the function's frame and pen for the next keystroke.
    if (!registry_.isEmpty(slot)) {
      const DecodedEntry entry = registry_.decodeEntry(slot);
      const char frame = entry.frameCharacter.empty() ? ' ' : entry.frameCharacter.front();
      showFunction(row, frame, entry.width, entry.colour);
      registry_.clearEntry(slot);
    }
    return;
  }

  if (!registry_.isEmpty(slot)) {
    registry_.rebuildEntry(slot, expression);
    const DecodedEntry entry = registry_.decodeEntry(slot);
    const char frame = entry.frameCharacter.empty() ? ' ' : entry.frameCharacter.front();
    showFunction(row, frame, entry.width, entry.colour);
    return;
  }

  if (!r.holdsFunction) {
    // A new function in the frame the canvas shows and in the user's pen.
    const Pen& pen = host_.pen();
    r.frameCharacter = host_.currentFrameKind() == FRAME_POLAR ? '0' : '1';
    r.width = static_cast<std::int16_t>(canvasPenWidth(pen.lwidthUser));
    r.colour = pen.lcolorUser & 0xFFFFFF;
  }
  registry_.writeEntry(slot, expression, r.frameCharacter, r.width, r.colour);
  showFunction(row, r.frameCharacter, r.width, r.colour);
}

void Form2::onScroll(int value) {
  picture2_->move(px(PANEL_LEFT), px(PANEL_TOP - TWIPS_PER_SCROLL_UNIT * value));
}

void Form2::ensureRowVisible(int row) {
  const double panelTop = PANEL_TOP - TWIPS_PER_SCROLL_UNIT * vScroll1_->value();
  const double rowTop = panelTop + ROW_PITCH * row;
  if (rowTop < 0) {
    vScroll1_->setValue(scrollValueFor(ROW_PITCH * row));
  } else if (rowTop + ROW_HEIGHT > VIEWPORT_HEIGHT) {
    vScroll1_->setValue(scrollValueFor(PANEL_TOP + ROW_PITCH * row + ROW_HEIGHT - VIEWPORT_HEIGHT));
  }
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && watched == picture1_) {
    // Rows do not use the wheel; it scrolls the panel, one row per notch.
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const int notches = wheel->angleDelta().y() / 120;
    if (notches != 0) vScroll1_->setValue(vScroll1_->value() - notches * vScroll1_->singleStep());
    return true;
  }
  if (event->type() == QEvent::FocusOut && history_ != nullptr) history_->endMerge();
  if (event->type() == QEvent::FocusIn) {
    for (int r = 0; r < ROW_COUNT; ++r) {
      if (watched == rows_[r].text || watched == rows_[r].check) {
        ensureRowVisible(r);
        break;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form2::deleteRows(bool onlyChecked) {
  const FunctionRegistry before = registry_;
  filling_ = true;
  for (int slot = 1; slot <= ROW_COUNT; ++slot) {
    const int row = slot - 1;
    if (registry_.isEmpty(slot) && !rows_[row].holdsFunction) continue;
    if (onlyChecked && !rows_[row].check->isChecked()) continue;
    rows_[row].text->setText(QString());  // the editing rule empties the slot
    registry_.clearEntry(slot);
    forgetFunction(row);
  }
  filling_ = false;
  if (history_ != nullptr) history_->record(before, registry_, onlyChecked ? ListChange::Delete : ListChange::DeleteAll);
}

void Form2::onExit() {
  if (host_.redrawOnListExit() == ListRedrawResult::Complete) close();
}

Form2* openFunctionList(QPointer<Form2>& window, FunctionRegistry& registry, ListWindowHost& host,
                        QWidget* parent) {
  if (window) {
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
  }
  auto* form = new Form2(registry, host, parent);
  form->setAttribute(Qt::WA_DeleteOnClose);
  window = form;
  form->show();
  return form;
}
