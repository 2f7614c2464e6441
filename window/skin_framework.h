// SPDX-License-Identifier: GPL-3.0-or-later
// The skin engine SkinFramework1. The window reaches it only through Invoke, by dispatch
// id, call kind and arguments, so the engine can change without touching its callers.
//
// Dispatch ids:
//   1  property, 32-bit integer: option flags. Bit 0: message dialogs take the skin's
//      "dialogs" section too (applied to the whole application when a window is skinned).
//   2  method (skin file path, variant name): loads a skin file. The variant name must be
//      the empty text; it is kept for skins that one day hold several variants.
//   3  method (native window handle as a 32-bit integer): applies the loaded skin to that
//      top-level window as its style sheet.
//   5  property, boolean: the skin's "frames" section is applied (frame borders, fills).
//   10 property, boolean: the skin's "captions" section is applied (frame titles and
//      other caption areas).
//
// Skin file: UTF-8 text of at most 1 MiB whose first line is "/* corvandel-skin 1 */",
// then Qt style-sheet rules. A line "/* section NAME */" starts a section (frames,
// captions or dialogs); rules before the first such line always apply.
//
// Images: a url() may name only a regular file inside the image folder (the program
// folder), relative to it or absolute; the skin is refused otherwise, so that the style
// never makes Qt open a FIFO, a device or a file elsewhere. Each accepted url() is
// rewritten to the file's full path, which keeps it independent of the working folder.
// The check reads the text as written, a url() in a comment included; so that Qt cannot
// read it otherwise, a skin may hold no backslash (CSS escapes), not even in a comment.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <map>
#include <vector>

class QWidget;

inline constexpr const char* kSkinHeader = "/* corvandel-skin 1 */";
inline constexpr qint64 kMaxSkinFileBytes = 1024 * 1024;

enum class CallKind { Method, PropertyGet, PropertyPut };

class SkinFramework : public QObject {
  Q_OBJECT

 public:
  static constexpr int kOptions = 1;
  static constexpr int kLoadSkin = 2;
  static constexpr int kApplyWindow = 3;
  static constexpr int kStyleFrames = 5;
  static constexpr int kStyleCaptions = 10;
  static constexpr std::int32_t kSkinDialogs = 1;  // bit of kOptions

  explicit SkinFramework(QObject* parent = nullptr);

  // The folder a skin's url() references must lie in; none are accepted until it is set.
  void SetImageFolder(const QString& folder) { imageFolder_ = folder; }

  // Errors (unknown id, wrong kind or arguments, refused file) raise RuntimeError.
  virtual QVariant Invoke(int dispatchId, CallKind kind, const std::vector<QVariant>& args);

  // The style sheet call 3 gives a window with the current options.
  QString WindowStyleSheet() const;

 private:
  void LoadSkin(const QString& path, const QString& variant);
  void ApplyWindow(std::int32_t handle);

  QString imageFolder_;
  std::map<QString, QString> sections_;  // "" holds the rules that always apply
  std::int32_t options_ = 0;
  bool styleFrames_ = false;
  bool styleCaptions_ = false;
};

// The handle call 3 takes for a window: its native handle cut to 32 bits.
std::int32_t WindowHandle32(QWidget* window);
