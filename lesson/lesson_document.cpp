#include "lesson/lesson_document.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocale>
#include <cmath>

namespace lesson {

namespace {

const QString CARTESIAN = QStringLiteral("cartesian");
const QString POLAR = QStringLiteral("polar");

// A value as the notice quotes it: strings in quotes, anything else as its
// compact JSON text, cut short when long.
QString shown(const QJsonValue& value) {
  QString text;
  if (value.isUndefined()) return QStringLiteral("（缺少）");
  if (value.isString()) {
    text = QStringLiteral("“%1”").arg(value.toString());
  } else if (value.isDouble()) {
    text = QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
  } else if (value.isNull()) {
    text = QStringLiteral("null");
  } else if (value.isBool()) {
    text = value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  } else {
    text = value.isArray() ? QStringLiteral("[…]") : QStringLiteral("{…}");
  }
  if (text.size() > 40) text = text.left(37) + QStringLiteral("…");
  return text;
}

bool wholeNumberIn(const QJsonValue& value, double low, double high, double& out) {
  if (!value.isDouble()) return false;
  const double d = value.toDouble();
  if (!std::isfinite(d) || std::floor(d) != d || d < low || d > high) return false;
  out = d;
  return true;
}

bool numberIn(const QJsonValue& value, double low, double high, double& out) {
  if (!value.isDouble()) return false;
  const double d = value.toDouble();
  if (!std::isfinite(d) || d < low || d > high) return false;
  out = d;
  return true;
}

std::optional<std::int16_t> frameKindOf(const QJsonValue& value) {
  if (value.toString() == CARTESIAN && value.isString()) return FRAME_CARTESIAN;
  if (value.toString() == POLAR && value.isString()) return FRAME_POLAR;
  return std::nullopt;
}

QString widthProblem(const QString& whose, const QJsonValue& value) {
  return QStringLiteral("%1的线宽 %2 无效：线宽应为 %3 到 %4 的整数。").arg(whose, shown(value)).arg(MIN_WIDTH).arg(MAX_WIDTH);
}

QString colourProblem(const QString& whose, const QJsonValue& value) {
  return QStringLiteral("%1的颜色 %2 无效：颜色应为 0 到 16777215（十六进制 FFFFFF）的整数。").arg(whose, shown(value));
}

// The JSON reader's complaint, told apart into a cut-off file and a damaged one.
QString syntaxProblem(const QByteArray& bytes, const QJsonParseError& error) {
  if (bytes.trimmed().isEmpty()) return QStringLiteral("文件是空的，不是课件。");
  qsizetype contentEnd = bytes.size();
  while (contentEnd > 0 && QChar::isSpace(static_cast<unsigned char>(bytes.at(contentEnd - 1)))) --contentEnd;
  const bool atEnd = error.offset >= contentEnd || error.error == QJsonParseError::UnterminatedObject ||
                     error.error == QJsonParseError::UnterminatedArray ||
                     error.error == QJsonParseError::UnterminatedString;
  if (error.offset <= 1 && !atEnd) return QStringLiteral("这不是 Norvale 课件：文件内容不是课件文本。");
  if (atEnd)
    return QStringLiteral("文件不完整：内容在第 %1 个字节处中断，可能只保存了一部分。").arg(error.offset);
  if (error.error == QJsonParseError::DeepNesting) return QStringLiteral("文件内容已损坏：括号嵌套过深。");
  return QStringLiteral("文件内容已损坏：第 %1 个字节处不是有效的课件文本。").arg(error.offset);
}

// One function of the list: null, or an object with a non-empty expression of
// at most MAX_EXPRESSION_BYTES bytes, a frame, a width and a colour.
QString readFunction(int slot, const QJsonValue& value, std::optional<Function>& out) {
  out.reset();
  if (value.isNull()) return {};
  const QString whose = slotName(slot);
  if (!value.isObject()) return QStringLiteral("%1的记录 %2 无效：应为 null（空位）或一个函数。").arg(whose, shown(value));
  const QJsonObject object = value.toObject();
  Function function;
  const QJsonValue expression = object.value(QStringLiteral("expression"));
  if (!expression.isString() || expression.toString().isEmpty())
    return QStringLiteral("%1没有表达式（表达式 %2）。").arg(whose, shown(expression));
  function.expression = expression.toString().toStdString();
  if (function.expression.size() > MAX_EXPRESSION_BYTES)
    return QStringLiteral("%1的表达式长 %2 字节，超过了 %3 字节的上限。")
        .arg(whose)
        .arg(function.expression.size())
        .arg(MAX_EXPRESSION_BYTES);
  const QJsonValue frame = object.value(QStringLiteral("frame"));
  const std::optional<std::int16_t> kind = frameKindOf(frame);
  if (!kind) return QStringLiteral("%1的坐标系 %2 无效：应为 cartesian（直角坐标系）或 polar（极坐标系）。").arg(whose, shown(frame));
  function.frameKind = *kind;
  double number = 0;
  const QJsonValue width = object.value(QStringLiteral("width"));
  if (!wholeNumberIn(width, MIN_WIDTH, MAX_WIDTH, number)) return widthProblem(whose, width);
  function.width = static_cast<std::int16_t>(number);
  const QJsonValue colour = object.value(QStringLiteral("colour"));
  if (!wholeNumberIn(colour, 0, MAX_COLOUR, number)) return colourProblem(whose, colour);
  function.colour = static_cast<std::uint32_t>(number);
  out = function;
  return {};
}

QString readFunctions(const QJsonValue& value, Lesson& lesson) {
  if (!value.isArray()) return QStringLiteral("课件缺少函数列表（functions %1）。").arg(shown(value));
  const QJsonArray list = value.toArray();
  if (list.size() != FunctionRegistry::SLOT_COUNT)
    return QStringLiteral("课件的函数列表应有 %1 项（每个位置一项，空位写 null），文件中有 %2 项。")
        .arg(FunctionRegistry::SLOT_COUNT)
        .arg(list.size());
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    QString problem = readFunction(slot, list.at(slot - 1), lesson.functions[static_cast<std::size_t>(slot - 1)]);
    if (!problem.isEmpty()) return problem;
  }
  return {};
}

// The format mark and the version: a later version is refused by name.
QString readHeader(const QJsonObject& root) {
  if (root.value(QStringLiteral("format")).toString() != QLatin1String(FORMAT_NAME))
    return QStringLiteral("这不是 Norvale 课件：缺少格式标记 \"%1\"。").arg(QLatin1String(FORMAT_NAME));
  const QJsonValue version = root.value(QStringLiteral("version"));
  double number = 0;
  if (!wholeNumberIn(version, 1, 1e9, number))
    return QStringLiteral("课件的格式版本 %1 无效。").arg(shown(version));
  if (number > FORMAT_VERSION)
    return QStringLiteral("课件由较新版本的 Norvale 保存（格式版本 %1），本程序只能打开格式版本 %2 的课件。")
        .arg(static_cast<qint64>(number))
        .arg(FORMAT_VERSION);
  return {};
}

QString readView(const QJsonObject& root, Lesson& lesson) {
  double number = 0;
  const QJsonValue ring = root.value(QStringLiteral("ringPosition"));
  if (!wholeNumberIn(ring, 0, FunctionRegistry::SLOT_COUNT, number))
    return QStringLiteral("最后写入的位置 %1 无效：应为 0 到 %2 的整数。").arg(shown(ring)).arg(FunctionRegistry::SLOT_COUNT);
  lesson.ringPosition = static_cast<std::int16_t>(number);

  const QJsonValue frame = root.value(QStringLiteral("frameShown"));
  const std::optional<std::int16_t> kind = frameKindOf(frame);
  if (!kind) return QStringLiteral("显示的坐标系 %1 无效：应为 cartesian（直角坐标系）或 polar（极坐标系）。").arg(shown(frame));
  lesson.frameShown = *kind;

  const QJsonValue origin = root.value(QStringLiteral("origin"));
  const QJsonValue x = origin.toObject().value(QStringLiteral("x"));
  const QJsonValue y = origin.toObject().value(QStringLiteral("y"));
  if (!origin.isObject() || !numberIn(x, -MAX_ORIGIN_CM, MAX_ORIGIN_CM, lesson.originX) ||
      !numberIn(y, -MAX_ORIGIN_CM, MAX_ORIGIN_CM, lesson.originY))
    return QStringLiteral("原点位置 (%1, %2) 无效：应为画布中心起 ±%3 厘米以内的两个数。")
        .arg(shown(x), shown(y))
        .arg(MAX_ORIGIN_CM);

  const QJsonValue unit = root.value(QStringLiteral("unit"));
  if (!numberIn(unit, MIN_UNIT, MAX_UNIT, lesson.unit))
    return QStringLiteral("单位长度 %1 超出范围：拖动单位标记只能得到 0.2 到 15 厘米。").arg(shown(unit));

  const QJsonValue precision = root.value(QStringLiteral("precision"));
  if (!numberIn(precision, 0, 1, lesson.precision) || lesson.precision <= 0 || lesson.precision >= 1)
    return QStringLiteral("绘图精度 %1 无效：应大于 0 且小于 1。").arg(shown(precision));

  const QJsonObject pen = root.value(QStringLiteral("pen")).toObject();
  const QJsonValue penWidth = pen.value(QStringLiteral("width"));
  if (!wholeNumberIn(penWidth, MIN_WIDTH, MAX_WIDTH, number)) return widthProblem(QStringLiteral("画笔"), penWidth);
  lesson.penWidth = static_cast<std::int16_t>(number);
  const QJsonValue penColour = pen.value(QStringLiteral("colour"));
  if (!wholeNumberIn(penColour, 0, MAX_COLOUR, number)) return colourProblem(QStringLiteral("画笔"), penColour);
  lesson.penColour = static_cast<std::uint32_t>(number);
  return {};
}

QJsonValue functionJson(const std::optional<Function>& function) {
  if (!function) return QJsonValue(QJsonValue::Null);
  QJsonObject object;
  object.insert(QStringLiteral("expression"), QString::fromStdString(function->expression));
  object.insert(QStringLiteral("frame"), function->frameKind == FRAME_CARTESIAN ? CARTESIAN : POLAR);
  object.insert(QStringLiteral("width"), function->width);
  object.insert(QStringLiteral("colour"), static_cast<qint64>(function->colour));
  return object;
}

}  // namespace

QString slotName(int slot) { return QStringLiteral("第 %1个函数").arg(slot); }

ParseResult parseLesson(const QByteArray& bytes) {
  if (bytes.size() > MAX_FILE_BYTES) return {std::nullopt, QStringLiteral("文件太大（超过 4 MB），不是课件。")};
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError) return {std::nullopt, syntaxProblem(bytes, error)};
  if (!document.isObject()) return {std::nullopt, QStringLiteral("这不是 Norvale 课件：文件内容不是一个课件记录。")};
  const QJsonObject root = document.object();
  Lesson lesson;
  QString problem = readHeader(root);
  if (problem.isEmpty()) problem = readFunctions(root.value(QStringLiteral("functions")), lesson);
  if (problem.isEmpty()) problem = readView(root, lesson);
  if (!problem.isEmpty()) return {std::nullopt, problem};
  return {lesson, {}};
}

QString problemOf(const Lesson& lesson) {
  // The same rules as reading: the lesson as it would be read back.
  const QByteArray text = toJson(lesson);
  if (text.size() > MAX_FILE_BYTES) return QStringLiteral("课件太大（超过 4 MB）。");
  const ParseResult back = parseLesson(text);
  if (!back.problem.isEmpty()) return back.problem;
  return {};
}

QByteArray toJson(const Lesson& lesson) {
  QJsonArray functions;
  for (const std::optional<Function>& function : lesson.functions) functions.append(functionJson(function));
  QJsonObject origin;
  origin.insert(QStringLiteral("x"), lesson.originX);
  origin.insert(QStringLiteral("y"), lesson.originY);
  QJsonObject pen;
  pen.insert(QStringLiteral("width"), lesson.penWidth);
  pen.insert(QStringLiteral("colour"), static_cast<qint64>(lesson.penColour));
  QJsonObject root;
  root.insert(QStringLiteral("format"), QLatin1String(FORMAT_NAME));
  root.insert(QStringLiteral("version"), FORMAT_VERSION);
  root.insert(QStringLiteral("functions"), functions);
  root.insert(QStringLiteral("ringPosition"), lesson.ringPosition);
  root.insert(QStringLiteral("frameShown"), lesson.frameShown == FRAME_CARTESIAN ? CARTESIAN : POLAR);
  root.insert(QStringLiteral("origin"), origin);
  root.insert(QStringLiteral("unit"), lesson.unit);
  root.insert(QStringLiteral("precision"), lesson.precision);
  root.insert(QStringLiteral("pen"), pen);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace lesson
