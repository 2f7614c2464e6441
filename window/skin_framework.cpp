// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/skin_framework.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QWidget>
#include <optional>

#include "analysis/numeric.h"
#include "window/program_files.h"

namespace {

constexpr const char* kMemberNotFound = "Member not found";

const QVariant& Argument(const std::vector<QVariant>& args, std::size_t index, QMetaType::Type type) {
  if (index >= args.size()) throw RuntimeError(ErrorText::InvalidCall);
  if (!args[index].canConvert(QMetaType(type))) throw RuntimeError(ErrorText::TypeMismatch);
  return args[index];
}

void ExpectArgumentCount(const std::vector<QVariant>& args, std::size_t count) {
  if (args.size() != count) throw RuntimeError(ErrorText::InvalidCall);
}

// A property read or write; nothing for a method call on a property.
template <typename Value>
std::optional<QVariant> Property(Value& value, CallKind kind, const std::vector<QVariant>& args,
                                 QMetaType::Type type) {
  if (kind == CallKind::PropertyGet) return QVariant::fromValue(value);
  if (kind != CallKind::PropertyPut) return std::nullopt;
  ExpectArgumentCount(args, 1);
  value = Argument(args, 0, type).value<Value>();
  return QVariant();
}

QString ReadSkinText(const QString& path) {
  const QFileInfo info(path);
  if (info.isFile() && info.size() > kMaxSkinFileBytes)
    throw RuntimeError("Skin file is larger than 1 MiB");
  const std::optional<QByteArray> bytes = ReadSmallRegularFile(path, kMaxSkinFileBytes);
  if (!bytes) throw RuntimeError("Skin file cannot be read: " + path.toStdString());
  if (bytes->isEmpty()) throw RuntimeError("Skin file is empty");
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8.decode(*bytes);
  if (utf8.hasError()) throw RuntimeError("Skin file is not UTF-8 text");
  return text;
}

// Qt reads CSS escapes, in names as in values ("u\72l(" is "url("), so a check of the
// text as written could pass what Qt reads as something else. No skin needs an escape:
// one backslash anywhere, comments included, refuses the skin.
void RefuseEscapes(const QString& text) {
  const qsizetype at = text.indexOf('\\');
  if (at < 0) return;
  throw RuntimeError("Skin file has a backslash on line " + std::to_string(text.left(at).count('\n') + 1) +
                     ": escapes are not accepted");
}

// The full path of the regular file inside folder that reference names, or nothing.
std::optional<QString> ImageInFolder(const QString& reference, const QString& folder) {
  // Quotes could make Qt read another name than the one checked here.
  if (folder.isEmpty() || reference.isEmpty() || reference.contains('"') || reference.contains('\''))
    return std::nullopt;
  const QFileInfo image(QDir(folder).absoluteFilePath(reference));
  if (!image.isFile()) return std::nullopt;
  const QString path = image.canonicalFilePath();
  const QString root = QFileInfo(folder).canonicalFilePath();
  if (root.isEmpty() || !path.startsWith(root + '/')) return std::nullopt;
  return path;
}

// The skin text with every url() anchored to a checked file of the image folder.
QString AnchorImageReferences(const QString& text, const QString& folder) {
  static const QRegularExpression start(R"re(url\()re", QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression whole(R"re(url\(\s*(?:"([^"]*)"|'([^']*)'|([^\s"'()]*))\s*\))re",
                                        QRegularExpression::CaseInsensitiveOption);
  QString anchored;
  qsizetype copied = 0;
  for (QRegularExpressionMatchIterator it = start.globalMatch(text); it.hasNext();) {
    const qsizetype at = it.next().capturedStart();
    if (at < copied) continue;  // inside a url() already taken
    const QRegularExpressionMatch url = whole.match(
        text, at, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    const QString reference =
        url.hasMatch() ? url.captured(1) + url.captured(2) + url.captured(3)
                       : text.mid(at, text.indexOf('\n', at) - at);  // the rest of the line
    const std::optional<QString> image =
        url.hasMatch() ? ImageInFolder(reference, folder) : std::nullopt;
    if (!image)
      throw RuntimeError("Skin image is not a regular file in the program folder: " +
                         reference.toStdString());
    anchored += text.mid(copied, at - copied) + "url(\"" + *image + "\")";
    copied = url.capturedEnd();
  }
  return anchored + text.mid(copied);
}

}  // namespace

SkinFramework::SkinFramework(QObject* parent) : QObject(parent) {}

QVariant SkinFramework::Invoke(int dispatchId, CallKind kind, const std::vector<QVariant>& args) {
  std::optional<QVariant> result;
  switch (dispatchId) {
    case kOptions:
      result = Property(options_, kind, args, QMetaType::Int);
      break;
    case kStyleFrames:
      result = Property(styleFrames_, kind, args, QMetaType::Bool);
      break;
    case kStyleCaptions:
      result = Property(styleCaptions_, kind, args, QMetaType::Bool);
      break;
    case kLoadSkin:
      if (kind != CallKind::Method) break;
      ExpectArgumentCount(args, 2);
      LoadSkin(Argument(args, 0, QMetaType::QString).toString(),
               Argument(args, 1, QMetaType::QString).toString());
      result = QVariant();
      break;
    case kApplyWindow:
      if (kind != CallKind::Method) break;
      ExpectArgumentCount(args, 1);
      ApplyWindow(Argument(args, 0, QMetaType::Int).toInt());
      result = QVariant();
      break;
    default:
      break;
  }
  if (!result) throw RuntimeError(kMemberNotFound);
  return *result;
}

void SkinFramework::LoadSkin(const QString& path, const QString& variant) {
  if (!variant.isEmpty()) throw RuntimeError(ErrorText::InvalidCall);
  const QString read = ReadSkinText(path);
  RefuseEscapes(read);
  // Every url() of the text counts, one inside a comment too: the text is checked as a
  // whole rather than as Qt's reading of it, which no second parser here could match.
  const QString text = AnchorImageReferences(read, imageFolder_);
  QStringList lines = text.split('\n');
  if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();  // the final line end
  if (lines.first().trimmed() != kSkinHeader)
    throw RuntimeError(std::string("Not a skin of this program: the first line must be ") +
                       kSkinHeader);
  static const QRegularExpression sectionLine(R"(^\s*/\*\s*section\s+(\w+)\s*\*/\s*$)");
  std::map<QString, QString> sections{{"", ""}};
  QString current;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QRegularExpressionMatch match = sectionLine.match(lines[i]);
    if (!match.hasMatch()) {
      sections[current] += lines[i] + '\n';
      continue;
    }
    current = match.captured(1);
    if (current != "frames" && current != "captions" && current != "dialogs")
      throw RuntimeError("Skin file has an unknown section: " + current.toStdString());
  }
  sections_ = std::move(sections);  // only a whole, accepted skin replaces the old one
}

QString SkinFramework::WindowStyleSheet() const {
  const auto section = [this](const char* name) {
    const auto found = sections_.find(name);
    return found == sections_.end() ? QString() : found->second;
  };
  return section("") + (styleFrames_ ? section("frames") : QString()) +
         (styleCaptions_ ? section("captions") : QString());
}

void SkinFramework::ApplyWindow(std::int32_t handle) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->testAttribute(Qt::WA_WState_Created) || WindowHandle32(window) != handle)
      continue;
    window->setStyleSheet(WindowStyleSheet());
    if (options_ & kSkinDialogs) {
      const auto dialogs = sections_.find("dialogs");
      if (dialogs != sections_.end()) qApp->setStyleSheet(dialogs->second);
    }
    return;
  }
  throw RuntimeError(ErrorText::InvalidCall);
}

std::int32_t WindowHandle32(QWidget* window) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(window->winId()));
}
