// SPDX-License-Identifier: GPL-3.0-or-later
// The skinned look: colours by control kind, the six engine calls, refused skin files.
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "analysis/numeric.h"
#include "window/auto_size_label.h"
#include "window/back_color.h"
#include "window/push_button.h"
#include "window/skin_framework.h"
#include "file_kinds.h"
#include "window_test_support.h"

namespace {

struct EngineCall {
  int dispatchId;
  CallKind kind;
  std::vector<QVariant> args;
  bool operator==(const EngineCall&) const = default;
  friend void PrintTo(const EngineCall& call, std::ostream* out) {
    *out << "(" << call.dispatchId << ", " << static_cast<int>(call.kind) << ", "
         << call.args.size() << " arguments)";
  }
};

// The real engine, with every call written down first.
class RecordingSkinFramework : public SkinFramework {
 public:
  using SkinFramework::SkinFramework;
  std::vector<EngineCall> calls;

  QVariant Invoke(int dispatchId, CallKind kind, const std::vector<QVariant>& args) override {
    calls.push_back({dispatchId, kind, args});
    return SkinFramework::Invoke(dispatchId, kind, args);
  }
};

const QByteArray kGoodSkin =
    "/* corvandel-skin 1 */\n"
    "QLabel { color: #123456; }\n"
    "/* section frames */\n"
    "QGroupBox { border: 1px solid #654321; }\n"
    "/* section captions */\n"
    "QGroupBox::title { color: #abcdef; }\n"
    "/* section dialogs */\n"
    "QMessageBox { background-color: #101010; }\n";

class SkinTest : public WindowTest {
 protected:
  void TearDown() override { qApp->setStyleSheet(""); }

  std::unique_ptr<Form1> LoadedSkinnedForm() {
    auto form = MakeForm();
    delete form->SkinFramework1;
    engine = new RecordingSkinFramework(form.get());
    form->SkinFramework1 = engine;
    form->Form_Load();
    return form;
  }

  static std::vector<QWidget*> TakesButtonFace(Form1& form) {
    return {&form, form.Frame1, form.Frame2, form.Frame3,
            form.lblFrequency, form.lblTuning, form.lblNote};
  }

  RecordingSkinFramework* engine = nullptr;
};

QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

TEST_F(SkinTest, NoSkinFileKeepsWhiteAndCallsNothing) {
  auto form = LoadedSkinnedForm();
  for (QWidget* control : TakesButtonFace(*form)) EXPECT_EQ(BackColor(control), QColor(Qt::white));
  EXPECT_TRUE(engine->calls.empty());
  EXPECT_TRUE(form->styleSheet().isEmpty());
}

TEST_F(SkinTest, FolderInPlaceOfTheSkinFileIsNoSkin) {
  ASSERT_TRUE(QDir(ProgramFolder()).mkpath("x/o.cjs"));
  auto form = LoadedSkinnedForm();
  EXPECT_EQ(BackColor(form.get()), QColor(Qt::white));
  EXPECT_TRUE(engine->calls.empty());
}

TEST_F(SkinTest, GoodSkinRecoloursByKindAndMakesTheSixCallsInOrder) {
  ASSERT_NE(ButtonFace(), QColor(Qt::white));  // otherwise the recolouring would not show
  WriteProgramFile("x/o.cjs", kGoodSkin);
  auto form = LoadedSkinnedForm();
  EXPECT_TRUE(messages.errors.empty());

  for (QWidget* control : TakesButtonFace(*form))
    EXPECT_EQ(BackColor(control), ButtonFace()) << control->objectName().toStdString();
  EXPECT_EQ(form->PushButton2->palette().color(QPalette::Button), QColor(Qt::white));
  EXPECT_FALSE(form->lstAudioDevices->autoFillBackground());
  EXPECT_FALSE(form->Text1->autoFillBackground());

  const QString path = ProgramFolder() + "/x/o.cjs";
  const std::vector<EngineCall> expected{
      {2, CallKind::Method, {path, QString("")}},
      {1, CallKind::PropertyGet, {}},
      {1, CallKind::PropertyPut, {1}},
      {5, CallKind::PropertyPut, {true}},
      {10, CallKind::PropertyPut, {true}},
      {3, CallKind::Method, {WindowHandle32(form.get())}}};
  EXPECT_EQ(engine->calls, expected);

  EXPECT_EQ(form->styleSheet(),
            "QLabel { color: #123456; }\n"
            "QGroupBox { border: 1px solid #654321; }\n"
            "QGroupBox::title { color: #abcdef; }\n");
  EXPECT_EQ(qApp->styleSheet(), "QMessageBox { background-color: #101010; }\n");
}

struct RefusedSkinCase {
  const char* name;
  QByteArray contents;
  const char* description;
  friend void PrintTo(const RefusedSkinCase& test, std::ostream* out) { *out << test.name; }
};

class RefusedSkinTest : public SkinTest, public ::testing::WithParamInterface<RefusedSkinCase> {};

TEST_P(RefusedSkinTest, ReportsLine100KeepsTheColoursAndGoesOn) {
  WriteProgramFile("x/o.cjs", GetParam().contents);
  auto form = LoadedSkinnedForm();

  ASSERT_EQ(messages.errors.size(), 1u);
  EXPECT_EQ(messages.errors[0].line, 100);
  EXPECT_EQ(messages.errors[0].description, GetParam().description);
  for (QWidget* control : TakesButtonFace(*form)) EXPECT_EQ(BackColor(control), ButtonFace());
  ASSERT_EQ(engine->calls.size(), 1u);
  EXPECT_EQ(engine->calls[0].dispatchId, 2);
  EXPECT_TRUE(form->styleSheet().isEmpty());
  EXPECT_EQ(form->windowTitle(), "Corvandel Pitch Suite");
  EXPECT_EQ(form->lstNumberofPoints->currentRow(), 0);
  EXPECT_EQ(form->lstAudioDevices->count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedSkinTest,
    ::testing::Values(
        RefusedSkinCase{"Empty", "", "Skin file is empty"},
        RefusedSkinCase{"WrongHeader", "/* some other skin */\nQLabel {}\n",
                        "Not a skin of this program: the first line must be "
                        "/* corvandel-skin 1 */"},
        RefusedSkinCase{"NotUtf8", "/* corvandel-skin 1 */\nQLabel { color: \xff\xfe; }\n",
                        "Skin file is not UTF-8 text"},
        RefusedSkinCase{"OverOneMebibyte",
                        "/* corvandel-skin 1 */\n" + QByteArray(1024 * 1024, ' '),
                        "Skin file is larger than 1 MiB"},
        RefusedSkinCase{"UnknownSection", "/* corvandel-skin 1 */\n/* section toolbar */\n",
                        "Skin file has an unknown section: toolbar"},
        // Qt reads both as url(...): a check of the text as written would let them through.
        RefusedSkinCase{"EscapeInsideUrl", "/* corvandel-skin 1 */\nQLabel { image: u\\rl(../outside.png); }\n",
                        "Skin file has a backslash on line 2: escapes are not accepted"},
        RefusedSkinCase{"HexEscapedUrl",
                        "/* corvandel-skin 1 */\nQLabel {}\nQLabel { image: \\75rl(../outside.png); }\n",
                        "Skin file has a backslash on line 3: escapes are not accepted"},
        // The text is checked as written, comments and all.
        RefusedSkinCase{"UrlOutsideInAComment", "/* corvandel-skin 1 */\n/* QLabel { image: url(/etc/hostname); } */\n",
                        "Skin image is not a regular file in the program folder: /etc/hostname"},
        RefusedSkinCase{"EscapedImageName", "/* corvandel-skin 1 */\nQLabel { image: url(x/h\\61nd.png); }\n",
                        "Skin file has a backslash on line 2: escapes are not accepted"}),
    CaseName());

// A skin's images: only regular files inside the program folder, so that loading the
// style never opens a FIFO or a device, nor reaches outside the folder.
struct SkinImageCase {
  const char* name;
  const char* url;  // what the skin writes inside url(...)
  void (*make)(const QString& programFolder);
  const char* anchoredTo;  // below the program folder; nullptr when the skin is refused
  friend void PrintTo(const SkinImageCase& test, std::ostream* out) { *out << test.name; }
};

void WriteFile(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not really an image");
}

class SkinImageTest : public SkinTest, public ::testing::WithParamInterface<SkinImageCase> {};

TEST_P(SkinImageTest, AcceptsOnlyRegularFilesInsideTheProgramFolder) {
  const SkinImageCase& test = GetParam();
  if (QString(test.name).contains("Link") && !LinksAreSymbolic())
    GTEST_SKIP() << "QFile::link makes no symbolic link here";
  WriteProgramFile("x/o.cjs", QByteArray("/* corvandel-skin 1 */\nQLabel { image: url(") +
                                  test.url + "); }\n");
  test.make(ProgramFolder());
  auto form = LoadedSkinnedForm();
  EXPECT_EQ(form->lstAudioDevices->count(), 1);  // start-up went on
  if (test.anchoredTo) {
    EXPECT_TRUE(messages.errors.empty());
    const QString image = QFileInfo(ProgramFolder()).canonicalFilePath() + test.anchoredTo;
    EXPECT_EQ(form->styleSheet(), "QLabel { image: url(\"" + image + "\"); }\n");
    return;
  }
  ASSERT_EQ(messages.errors.size(), 1u);
  EXPECT_EQ(messages.errors[0].line, 100);
  EXPECT_EQ(messages.errors[0].description,
            std::string("Skin image is not a regular file in the program folder: ") + test.url);
  EXPECT_TRUE(form->styleSheet().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, SkinImageTest,
    ::testing::Values(
        SkinImageCase{"Relative", "x/hand.png",
                      [](const QString& folder) { WriteFile(folder + "/x/hand.png"); },
                      "/x/hand.png"},
        SkinImageCase{"QuotedThroughALinkInside", "'x/../x/link.png'",
                      [](const QString& folder) {
                        WriteFile(folder + "/x/hand.png");
                        ASSERT_TRUE(QFile::link(folder + "/x/hand.png", folder + "/x/link.png"));
                      },
                      "/x/hand.png"},
        SkinImageCase{"Fifo", "x/pipe.png",
                      [](const QString& folder) {
                        ASSERT_TRUE(MakeNotRegularFile(folder + "/x/pipe.png"));
                      },
                      nullptr},
        SkinImageCase{"Device", "/dev/zero", [](const QString&) {}, nullptr},
        SkinImageCase{"LinkToADevice", "x/zero.png",
                      [](const QString& folder) {
                        ASSERT_TRUE(QFile::link("/dev/zero", folder + "/x/zero.png"));
                      },
                      nullptr},
        SkinImageCase{"LinkOutOfTheFolder", "x/out.png",
                      [](const QString& folder) {
                        WriteFile(folder + "/../outside.png");
                        ASSERT_TRUE(QFile::link(folder + "/../outside.png", folder + "/x/out.png"));
                      },
                      nullptr}),
    CaseName());

struct EngineErrorCase {
  const char* name;
  int dispatchId;
  CallKind kind;
  std::vector<QVariant> args;
  const char* description;
  friend void PrintTo(const EngineErrorCase& test, std::ostream* out) { *out << test.name; }
};

class EngineErrorTest : public ::testing::TestWithParam<EngineErrorCase> {};

TEST_P(EngineErrorTest, RefusesCallsItDoesNotOffer) {
  SkinFramework engine;
  const EngineErrorCase& test = GetParam();
  try {
    engine.Invoke(test.dispatchId, test.kind, test.args);
    ADD_FAILURE() << "call accepted";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Description(), test.description);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, EngineErrorTest,
    ::testing::Values(
        EngineErrorCase{"UnknownId", 4, CallKind::Method, {}, "Member not found"},
        EngineErrorCase{"ReadOfAMethod", 2, CallKind::PropertyGet, {}, "Member not found"},
        EngineErrorCase{"PutWithoutValue", 5, CallKind::PropertyPut, {},
                        "Invalid procedure call or argument"},
        EngineErrorCase{"LoadWithOneArgument", 2, CallKind::Method, {QString("a")},
                        "Invalid procedure call or argument"},
        EngineErrorCase{"LoadWithAVariant", 2, CallKind::Method, {QString("a"), QString("b")},
                        "Invalid procedure call or argument"},
        EngineErrorCase{"MissingFile", 2, CallKind::Method,
                        {QString("/nonexistent/o.cjs"), QString("")},
                        "Skin file cannot be read: /nonexistent/o.cjs"},
        EngineErrorCase{"UnknownWindow", 3, CallKind::Method, {-12345},
                        "Invalid procedure call or argument"}),
    CaseName());

TEST(SkinEngine, OptionsReadBackWhatWasWritten) {
  SkinFramework engine;
  EXPECT_EQ(engine.Invoke(1, CallKind::PropertyGet, {}).toInt(), 0);
  engine.Invoke(1, CallKind::PropertyPut, {6});
  EXPECT_EQ(engine.Invoke(1, CallKind::PropertyGet, {}).toInt(), 6);
  engine.Invoke(10, CallKind::PropertyPut, {true});
  EXPECT_TRUE(engine.Invoke(10, CallKind::PropertyGet, {}).toBool());
}

}  // namespace
