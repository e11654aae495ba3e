// The main window: its state after start, a stock table beside the program, the language
// id field, the colour walk, the column split, the web page link and handler errors.
#include "WindowFixture.h"

#include "FileDialog.h"
#include "platform/KeyState.h"
#include "platform/LittleEndian.h"
#include "platform/Random.h"
#include "platform/Shell.h"
#include "platform/SpinEdit.h"
#include "platform/Exception.h"

#include "NotRegularFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include <map>
#include <set>
#include <string>

namespace {

struct Rgb {
    int r, g, b;
};

TColor ColorOf(Rgb c)
{
    return TColor(c.r) | TColor(c.g) << 8 | TColor(c.b) << 16;
}

// The built-in table with changes, as a "Langdef.df" would hold it.
QByteArray BuiltinTableBytes()
{
    TZvLngFrm probe;
    return probe.LangdefStream->Bytes();
}

int EntryOffset(int entry)
{
    return int(kLangdefEntriesOffset + kLangdefEntrySize * entry);
}

void SetDefaultFlags(QByteArray &bytes, int entries, std::initializer_list<int> flagged)
{
    for (int i = 0; i < entries; ++i)
        PutU16(bytes, EntryOffset(i) + 2, 0);
    for (int i : flagged)
        PutU16(bytes, EntryOffset(i) + 2, 1);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST_F(WindowTest, StartsOnTheBuiltInTableWithTheLayoutsSettings)
{
    Open();
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("Verbatrix langpack editor 3.6.31.0."));
    EXPECT_EQ((std::array<uint16_t, 4>{3, 6, 31, 0}), frm->StockVersion);

    const QStringList expectedLanguages = {
        QStringLiteral("Deutsch (1)"),    QStringLiteral("English (7)"),
        QStringLiteral("Español (3)"),    QStringLiteral("Français (6)"),
        QStringLiteral("Italiano (2)"),   QStringLiteral("Nederlands (4)"),
        QStringLiteral("Portuguese (0)"), QStringLiteral("Русский (8)"),
        QStringLiteral("Svenska (5)")};
    QStringList languages;
    for (int i = 0; i < frm->BaseLangCb->count(); ++i)
        languages << frm->BaseLangCb->itemText(i);
    EXPECT_EQ(languages, expectedLanguages);
    EXPECT_EQ(frm->BaseLangCb->currentIndex(), kEnglish);
    EXPECT_EQ(frm->DefaultBaseIndex, kEnglish);
    EXPECT_FALSE(frm->BaseLangCb->isEditable());

    EXPECT_EQ(frm->IDed->Value(), -1);
    EXPECT_EQ(frm->IDed->MinValue(), -1);
    EXPECT_EQ(frm->IDed->MaxValue(), 254);
    EXPECT_EQ(frm->IDed->Color(), 0x00FF0000u);
    EXPECT_TRUE(frm->IDed->font().bold());
    EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Lang1"));
    EXPECT_EQ(frm->Nameed->maxLength(), 31);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
    EXPECT_FALSE(frm->ChangedCb->isEnabled());
    EXPECT_EQ(frm->FiName->text(), folder.path() + QStringLiteral("/Untitled.ZVlang"));
    EXPECT_TRUE(frm->FiName->isReadOnly());
    // The field starts at 0 and shows the first record's id once the fill has focused it.
    EXPECT_EQ(frm->StIDed->Value(), double(Rec(frm->Tree->GetFirst())->id));
    EXPECT_TRUE(frm->StIDed->Hexadecimal());
    EXPECT_TRUE(frm->Old->isReadOnly());
    EXPECT_FALSE(frm->New->isReadOnly());
    EXPECT_EQ(frm->Ulnlck->text(), QStringLiteral("Unlock \"special\" functions (abnormal work)"));
    EXPECT_FALSE(frm->Ulnlck->isChecked());
    EXPECT_EQ(frm->Timer->interval(), 10);

    for (QWidget *disabled : std::initializer_list<QWidget *>{frm->AddBtn, frm->DelBtn, frm->StIDed,
                                                             frm->AddStrBtn, frm->AddGrBtn, frm->DelGr})
        EXPECT_FALSE(disabled->isEnabled()) << disabled->objectName().toStdString();
    EXPECT_TRUE(frm->GB1->isEnabled());
    EXPECT_TRUE(frm->MakeDefsBtn->isHidden());

    // Both dialogs: the program's folder, the langpack filter and extension.
    for (TFileDialog *dialog : {frm->OpenDialog.get(), frm->SaveDialog.get()}) {
        EXPECT_EQ(dialog->InitialDir, folder.path());
        EXPECT_EQ(dialog->Filter, QStringLiteral("ZV langpack file (*.ZVlang)"));
        EXPECT_EQ(dialog->DefaultExt, QStringLiteral("ZVlang"));
    }

    // The tree's columns.
    ASSERT_EQ(frm->Tree->ColumnCount(), 3);
    EXPECT_EQ(frm->Tree->ColumnCaption(0), QStringLiteral("ID"));
    EXPECT_EQ(frm->Tree->ColumnCaption(1), QStringLiteral("Template string"));
    EXPECT_EQ(frm->Tree->ColumnCaption(2), QStringLiteral("New string"));
    EXPECT_EQ(frm->Tree->ColumnMaxWidth(0), 200);
    EXPECT_EQ(frm->Tree->AutoSizeIndex(), 2);

    // The window's size and the fixed strips.
    EXPECT_EQ(frm->size(), QSize(757, 591));
    EXPECT_EQ(frm->minimumSize(), QSize(700, 400));
    ShowAndActivate();
    EXPECT_EQ(frm->Panel1->height(), 65);
    EXPECT_GE(frm->Panel3->height(), 43);
    EXPECT_EQ(frm->Panel4->height(), 212);
    EXPECT_EQ(frm->Old->height(), 105);
    EXPECT_EQ(frm->StaticText3->text(), QStringLiteral("π"));
    EXPECT_LE(frm->StaticText3->geometry().right(), frm->width());
    EXPECT_GT(frm->StaticText3->x(), frm->width() / 2);
}

TEST_F(WindowTest, ControlsCarryTheirNamesCaptionsAndHints)
{
    Open();
    struct Expected {
        const char *name;
        const char *caption;  // null: not a button
        const char *hint;     // "" for none
    };
    const Expected controls[] = {
        {"NewBtn", "&New", ""},
        {"OpenBtn", "&Open", ""},
        {"SaveBtn", "&Save", ""},
        {"AddBtn", "+", "Add string to group"},
        {"DelBtn", "-", "Remove string from group"},
        {"MakeDefsBtn", "MakeDefsBtn", ""},
        {"AddStrBtn", "+S", "Use this butt to add new single string"},
        {"AddGrBtn", "+G", "Use this butt to add new string group"},
        {"DelGr", "-X", "Use this butt to remove string or group"},
        {"AssocBtn", "Associate .ZVlang with editor", ""},
        {"RandGen", "R", "Generete random ID"},
        {"SearchBtn", "", "Search"},
        {"AboutBtn", "&About", ""},
        {"CpyBtn", "↓", "Copy template to translate"},
        {"BaseLangCb", nullptr,
         "Base language for new langpack. Strings that was not included ('V' in list) will be used "
         "from this base language of game."},
        {"IDed", nullptr,
         "Identification number of language (to save in ZV parameters, etc).... Do not override other "
         "languages (IDs from 0 to 8) if you make new language or full langpack...."},
        {"Tree", nullptr, ""},       {"New", nullptr, ""},         {"Old", nullptr, ""},
        {"Nameed", nullptr, ""},     {"Label1", nullptr, ""},      {"Label2", nullptr, ""},
        {"Label3", nullptr, ""},     {"ChangedCb", nullptr, ""},   {"FiName", nullptr, ""},
        {"StIDed", nullptr, ""},     {"Ulnlck", nullptr, ""},      {"GB1", nullptr, ""},
        {"Panel1", nullptr, ""},     {"StaticText1", nullptr, ""}, {"StaticText2", nullptr, ""},
        {"Panel3", nullptr, ""},     {"Splitter2", nullptr, ""},   {"StaticText3", nullptr, ""},
        {"Splitter3", nullptr, ""},  {"Panel4", nullptr, ""},
    };
    for (const Expected &c : controls) {
        QWidget *w = frm->findChild<QWidget *>(QLatin1String(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.hint)) << c.name;
        if (c.caption) {
            auto *button = qobject_cast<QPushButton *>(w);
            ASSERT_NE(button, nullptr) << c.name;
            EXPECT_EQ(button->text(), QString::fromUtf8(c.caption)) << c.name;
        }
    }
    EXPECT_NE(frm->findChild<QTimer *>(QStringLiteral("Timer")), nullptr);
    EXPECT_EQ(frm->Label1->text(), QStringLiteral("ID"));
    EXPECT_TRUE(frm->Label1->font().bold());
    EXPECT_EQ(frm->Label2->text(), QStringLiteral("Name"));
    EXPECT_EQ(frm->Label3->text(), QStringLiteral("Base language"));
    EXPECT_EQ(frm->StaticText2->text(), QStringLiteral("☣"));
    EXPECT_EQ(frm->StaticText1->text(),
              QStringLiteral("Use Ctrl+(Up/Dwn/Left/Right) and Ctrl+Enter for fast navigation\r\n"
                             "Use Alt+Numpad1 and Alt+Numpad2 to enter ☺☻ symbols. \r\n"
                             "These symbols are used in kill comments to insert killer name and "
                             "count of killed. "));
}

// A "Langdef.df" beside the program replaces the built-in table for everything.
TEST_F(WindowTest, StockTableBesideTheProgramReplacesTheBuiltInOne)
{
    QByteArray bytes = BuiltinTableBytes();
    PutU16(bytes, 0, 9);
    PutU16(bytes, 2, 8);
    PutU16(bytes, 4, 7);
    PutU16(bytes, 6, 6);
    SetDefaultFlags(bytes, 9, {3});
    // Rename entry 3 ("Français (6)") in place.
    const QString name = QStringLiteral("Testish (6)");
    QByteArray field(int(kLangdefEntryNameSize), '\0');
    memcpy(field.data(), name.utf16(), size_t(name.size()) * 2);
    bytes.replace(EntryOffset(3) + 16, field.size(), field);
    WriteFile(QDir(folder.path()).filePath(QStringLiteral("Langdef.df")), bytes);

    Open();
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("Verbatrix langpack editor 9.8.7.6."));
    EXPECT_EQ(frm->BaseLangCb->itemText(3), name);
    EXPECT_EQ(frm->BaseLangCb->currentIndex(), 3);
    EXPECT_EQ(frm->DefaultBaseIndex, 3);
    const StockBlock french = ReadStockBlock(*frm->LangdefStream, 3);
    EXPECT_EQ(int(TopLevel(frm->Tree).size()), french.size());
    EXPECT_EQ(frm->LangdefStream->Bytes(), bytes);
}

// A pipe or a device named "Langdef.df" beside the program ends the start with the file
// error, and a pipe does not hold it up; a folder of that name is no file, so the built-in
// table is used.
TEST_F(WindowTest, StockTableBesideTheProgramThatIsAPipeOrDeviceIsAFileErrorAndAFolderIsNone)
{
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Langdef.df"));
    for (NotRegularFile::Kind kind : NotRegularFile::kKinds) {
        SCOPED_TRACE(NotRegularFile::Name(kind));
        {
            const NotRegularFile thing(kind, path);
            ASSERT_TRUE(thing.made());
            if (kind == NotRegularFile::Folder) {
                Open();
                EXPECT_EQ(frm->LangdefStream->Bytes(), BuiltinTableBytes());
                frm.reset();
            } else {
                try {
                    Open();
                    ADD_FAILURE() << "no exception";
                } catch (const Exception &e) {
                    EXPECT_EQ(e.message().toStdString(),
                              QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path).toStdString());
                }
                EXPECT_EQ(frm, nullptr);
            }
        }
        ASSERT_TRUE(QFile::remove(path) || QDir().rmdir(path));
    }
}

TEST_F(WindowTest, DefaultLanguageIsTheLastFlaggedEntryOrTheFirst)
{
    const QByteArray builtin = BuiltinTableBytes();
    struct Case {
        std::initializer_list<int> flagged;
        int selected;
    };
    for (const Case &c : {Case{{}, 0}, Case{{2, 5}, 5}}) {
        QByteArray bytes = builtin;
        SetDefaultFlags(bytes, 9, c.flagged);
        WriteFile(QDir(folder.path()).filePath(QStringLiteral("Langdef.df")), bytes);
        Open();
        EXPECT_EQ(frm->BaseLangCb->currentIndex(), c.selected);
        EXPECT_EQ(frm->DefaultBaseIndex, c.selected);
        frm.reset();
    }
}

TEST_F(WindowTest, LeavingTheIdAtABuiltInIdAsksFirst)
{
    Open();
    ShowAndActivate();
    struct Case {
        double value;
        int answer;
        const char *named;  // null: no question
        double after;
    };
    const Case cases[] = {
        {7, IDNO, "English (7)", -1},  {7, IDYES, "English (7)", 7}, {0, IDCANCEL, "Portuguese (0)", -1},
        {8, IDNO, "Русский (8)", -1},  {-1, IDNO, nullptr, -1},      {9, IDNO, nullptr, 9},
        {254, IDNO, nullptr, 254},
    };
    for (const Case &c : cases) {
        frm->IDed->SetValue(-1);
        frm->IDed->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(frm->IDed->hasFocus());
        frm->IDed->SetValue(c.value);
        boxes.calls.clear();
        boxes.Answer(c.answer);
        frm->Nameed->setFocus();
        QApplication::processEvents();
        if (c.named) {
            ASSERT_EQ(boxes.calls.size(), 1u) << c.value;
            EXPECT_EQ(boxes.calls[0].owner, nullptr);
            EXPECT_EQ(boxes.calls[0].caption, QStringLiteral("Warning"));
            EXPECT_EQ(boxes.calls[0].flags, 0x34u);
            EXPECT_EQ(boxes.calls[0].text,
                      QStringLiteral("The ID you have choosed is already taken by a built-in language: '") +
                          QString::fromUtf8(c.named) +
                          QStringLiteral("'. If you continue, your langpack will replace that language "
                                         "with your own version.\nAre you sure?"));
        } else {
            EXPECT_TRUE(boxes.calls.empty()) << c.value;
            boxes.answers.clear();
        }
        EXPECT_EQ(frm->IDed->Value(), c.after) << c.value;
    }
}

// A click on Save that takes the focus from the id field at a built-in id brings the
// warning first; whatever the answer, the click ends there: nothing is saved and the button
// is drawn released. The same with the real box and with one answered at once.
TEST_F(WindowTest, TheWarningOfAClickOnSaveEndsTheClick)
{
    Open();
    ShowAndActivate();
    int dialogs = 0;
    TFileDialog::SetResponder([&](const TFileDialog &) {
        ++dialogs;
        return std::optional<QString>();
    });
    for (bool realBox : {false, true}) {
        for (int answer : {IDYES, IDNO}) {
            SCOPED_TRACE(testing::Message() << (realBox ? "real box, " : "recorded box, ")
                                            << (answer == IDYES ? "Yes" : "No"));
            frm->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
            frm->IDed->SetValue(-1);
            frm->IDed->setFocus();
            QApplication::processEvents();
            ASSERT_TRUE(frm->IDed->hasFocus());
            frm->IDed->SetValue(7);
            boxes.calls.clear();
            bool asked = false;
            int furtherBoxes = 0;
            MessageBoxResponder recorded;
            // Any box after the warning is closed and counted, so that it fails the test
            // instead of hanging it.
            QTimer guard;
            guard.setInterval(100);
            QObject::connect(&guard, &QTimer::timeout, [&] {
                if (QWidget *box = QApplication::activeModalWidget()) {
                    ++furtherBoxes;
                    static_cast<QDialog *>(box)->reject();
                }
            });
            if (realBox) {
                recorded = SetMessageBoxResponder({});
                guard.start();
                QTimer::singleShot(0, [&] {
                    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                    ASSERT_NE(box, nullptr);
                    asked = box->windowTitle() == QStringLiteral("Warning");
                    // The button under the mouse is let go while the box is open.
                    QTest::mouseRelease(frm->SaveBtn, Qt::LeftButton);
                    box->button(answer == IDYES ? QMessageBox::Yes : QMessageBox::No)->click();
                });
            } else {
                boxes.Answer(answer);
            }
            QTest::mousePress(frm->SaveBtn, Qt::LeftButton);
            if (!realBox)
                QTest::mouseRelease(frm->SaveBtn, Qt::LeftButton);
            QApplication::processEvents();
            if (realBox)
                SetMessageBoxResponder(recorded);
            else
                asked = !boxes.calls.empty() && boxes.calls[0].caption == QStringLiteral("Warning");
            EXPECT_TRUE(asked);
            EXPECT_EQ(furtherBoxes, 0);
            if (!realBox)
                EXPECT_EQ(boxes.calls.size(), 1u) << "the warning, nothing more";
            EXPECT_FALSE(frm->SaveBtn->isDown());
            EXPECT_EQ(dialogs, 0) << "no save follows";
            EXPECT_EQ(frm->IDed->Value(), answer == IDYES ? 7 : -1);
            EXPECT_EQ(frm->focusWidget(), frm->SaveBtn) << "the press moved the focus";
        }
    }
    // The next click on Save is a click.
    frm->IDed->SetValue(9);
    QTest::mouseClick(frm->SaveBtn, Qt::LeftButton);
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(frm->SaveBtn->isDown());
    TFileDialog::SetResponder({});
}

TEST_F(WindowTest, SwitchingToAnotherWindowIsNotLeavingTheId)
{
    Open();
    ShowAndActivate();
    frm->IDed->SetValue(-1);
    frm->IDed->setFocus();
    QApplication::processEvents();
    frm->IDed->SetValue(7);
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(frm->IDed, &out);
        QFocusEvent in(QEvent::FocusIn, reason);
        QApplication::sendEvent(frm->IDed, &in);
    }
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(frm->KeptId, -1) << "coming back does not enter the field again";
    boxes.Answer(IDNO);
    frm->Nameed->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(frm->IDed->Value(), -1);
}

TEST_F(WindowTest, IdSteppedToThreeNamesSpanishAndNoRestoresTheEnteredValue)
{
    Open();
    ShowAndActivate();
    frm->IDed->SetValue(1);
    frm->IDed->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(frm->KeptId, 1);
    QTest::keyClick(frm->IDed, Qt::Key_Up);
    QTest::keyClick(frm->IDed, Qt::Key_Up);
    EXPECT_EQ(frm->IDed->Value(), 3);
    boxes.Answer(IDNO);
    frm->Nameed->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(boxes.calls[0].text.contains(QStringLiteral("'Español (3)'")));
    EXPECT_EQ(frm->IDed->Value(), 1);
}

TEST_F(WindowTest, RandomIdLiesBetween50And252)
{
    Open();
    std::set<int> seen;
    for (uint32_t seed = 0; seed < 2000; ++seed) {
        RandSeed(seed);
        QTest::mouseClick(frm->RandGen, Qt::LeftButton);
        const double v = frm->IDed->Value();
        ASSERT_GE(v, 50);
        ASSERT_LE(v, 252);
        seen.insert(int(v));
    }
    ClearRandSeed();
    EXPECT_GT(seen.size(), 150u) << "the ids are spread over the range";
    for (int i = 0; i < 50; ++i) {
        QTest::mouseClick(frm->RandGen, Qt::LeftButton);
        ASSERT_GE(frm->IDed->Value(), 50);
        ASSERT_LE(frm->IDed->Value(), 252);
    }
}

TEST_F(WindowTest, ColourWalksAlongTheEdgesOfTheColourCube)
{
    Open();
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i)
            frm->TimerTimer(frm->Timer);
        return frm->IDed->Color();
    };
    EXPECT_EQ(frm->IDed->Color(), ColorOf({0, 0, 255}));
    EXPECT_EQ(tick(1), ColorOf({1, 0, 255}));
    EXPECT_EQ(tick(254), ColorOf({255, 0, 255})) << "magenta after 255 ticks";
    EXPECT_EQ(tick(255), ColorOf({255, 0, 0}));
    EXPECT_EQ(tick(255), ColorOf({255, 255, 0}));
    EXPECT_EQ(tick(255), ColorOf({0, 255, 0}));
    EXPECT_EQ(tick(255), ColorOf({0, 255, 255}));
    EXPECT_EQ(tick(255), ColorOf({0, 0, 255})) << "blue again after 1530 ticks";

    std::set<TColor> cycle;
    for (int i = 0; i < 1530; ++i)
        cycle.insert(tick(1));
    EXPECT_EQ(cycle.size(), 1530u);

    // Any other colour (bits above the three bytes dropped) joins the cycle in time.
    for (TColor start : {ColorOf({128, 128, 128}), ColorOf({0, 7, 3}), ColorOf({200, 0, 100}),
                         TColor(0xFF123456), ColorOf({255, 255, 255})}) {
        frm->IDed->SetColor(start);
        tick(509);
        EXPECT_TRUE(cycle.count(frm->IDed->Color())) << std::hex << start;
    }
}

// What the widgets of a window receive: every event that re-polishes, re-lays out or
// repaints one of them.
class WindowEvents : public QObject {
public:
    struct Seen {
        QWidget *widget;
        QEvent::Type type;
        QRegion region;   // of a paint, in the widget's coordinates
    };
    explicit WindowEvents(QWidget *window) : window_(window) { QCoreApplication::instance()->installEventFilter(this); }
    ~WindowEvents() override { QCoreApplication::instance()->removeEventFilter(this); }
    std::vector<Seen> seen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        static const std::set<QEvent::Type> types = {
            QEvent::Paint,        QEvent::Polish,     QEvent::PolishRequest, QEvent::StyleChange,
            QEvent::PaletteChange, QEvent::FontChange, QEvent::LayoutRequest, QEvent::Resize,
            QEvent::Move,          QEvent::Show,       QEvent::Hide,          QEvent::UpdateLater};
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && (widget == window_ || window_->isAncestorOf(widget)) && types.count(event->type())) {
            QRegion region;
            if (event->type() == QEvent::Paint)
                region = static_cast<QPaintEvent *>(event)->region();
            seen.push_back({widget, event->type(), region});
        }
        return false;
    }

private:
    QWidget *window_;
};

TEST_F(WindowTest, AStepOfTheColourWalkRepaintsTheIdFieldAndNothingElse)
{
    Open();
    ShowAndActivate();
    QTest::qWait(50);
    WindowEvents events(frm.get());
    const TColor start = frm->IDed->Color();
    for (int i = 0; i < 200; ++i) {
        frm->TimerTimer(frm->Timer);
        QApplication::processEvents();
    }
    ASSERT_NE(frm->IDed->Color(), start);

    const QRect field(frm->IDed->mapTo(frm.get(), QPoint(0, 0)), frm->IDed->size());
    int fieldPaints = 0;
    std::map<std::string, int> unexpected;   // what, how often
    for (const WindowEvents::Seen &e : events.seen) {
        const std::string what = e.widget->objectName().toStdString() + " (" +
                                 e.widget->metaObject()->className() + ") event " + std::to_string(int(e.type));
        const bool inField = e.widget == frm->IDed || frm->IDed->isAncestorOf(e.widget);
        if (e.type != QEvent::Paint) {
            ++unexpected[what];
            continue;
        }
        fieldPaints += e.widget == frm->IDed;
        // Behind the field its holders paint its rectangle, no more.
        const QRegion painted = e.region.translated(e.widget->mapTo(frm.get(), QPoint(0, 0)));
        if (!inField && !QRegion(field).contains(painted.boundingRect()))
            ++unexpected[what + " outside the field"];
    }
    for (const auto &[what, count] : unexpected)
        ADD_FAILURE() << what << ", " << count << " times: a step repolishes, relays out or repaints no other widget";
    EXPECT_GT(fieldPaints, 200 / TJvSpinEdit::kColorRedrawStep / 2) << "the walk shows";
    EXPECT_LE(fieldPaints, 200 / TJvSpinEdit::kColorRedrawStep + 1) << "once every few steps";
}

TEST_F(WindowTest, TimerRunsFromTheStart)
{
    frm = std::make_unique<TZvLngFrm>();
    EXPECT_TRUE(frm->Timer->isActive());
    const TColor before = frm->IDed->Color();
    QTest::qWait(60);
    EXPECT_NE(frm->IDed->Color(), before);
}

TEST_F(WindowTest, TemplateColumnTakesHalfOfWhatTheIdColumnLeaves)
{
    Open();
    ShowAndActivate();
    TVirtualStringTree *tree = frm->Tree;
    // Make the tree's client area exactly 757 pixels wide.
    for (int attempt = 0; attempt < 3 && tree->ClientWidth() != 757; ++attempt) {
        frm->resize(frm->width() + 757 - tree->ClientWidth(), frm->height());
        QApplication::processEvents();
    }
    ASSERT_EQ(tree->ClientWidth(), 757);
    EXPECT_EQ(tree->ColumnWidth(0), 120);
    EXPECT_EQ(tree->ColumnWidth(1), 318);
    EXPECT_EQ(tree->ColumnWidth(2), 757 - 120 - 318);

    tree->SetColumnWidth(0, 199);
    frm->TreeResize(tree);
    EXPECT_EQ(tree->ColumnWidth(1), 279) << "the remainder is dropped";

    frm->resize(frm->width() + 100, frm->height());
    QApplication::processEvents();
    EXPECT_EQ(tree->ColumnWidth(1), (tree->ClientWidth() - 199) / 2);
}

TEST_F(WindowTest, PiOpensTheWebPageOnlyWithCtrl)
{
    Open();
    ShowAndActivate();
    QStringList opened;
    SetShellOpenHandler([&](QWidget *, const QString &url) {
        opened << url;
        return true;
    });
    bool ctrl = false;
    SetKeyStateProvider([&](int vk) { return vk == VK_CONTROL && ctrl; });

    QTest::mouseClick(frm->StaticText3, Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty());
    ctrl = true;
    QTest::mouseClick(frm->StaticText3, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QString::fromLatin1(ProjectWebPage)});

    SetShellOpenHandler({});
    SetKeyStateProvider({});
}

// An exception raised inside a handler is shown and the program goes on.
TEST_F(WindowTest, HandlerErrorIsShownAndTheWindowGoesOn)
{
    Open();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));  // no res/zv.exe here
    QMetaObject::invokeMethod(frm->MakeDefsBtn, "click", Qt::QueuedConnection);
    QApplication::processEvents();
    QDir::setCurrent(previous);

    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, QStringLiteral("Can't load ZV.exe."));
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath(QStringLiteral("Langdef.df"))));
    EXPECT_EQ(int(TopLevel(frm->Tree).size()), 1724);
}

TEST_F(WindowTest, DestroyClearsTheTreeAndFreesTheTable)
{
    Open();
    frm->FormDestroy(frm.get());
    EXPECT_EQ(frm->Tree->TotalCount(), 0);
    EXPECT_EQ(frm->LangdefStream, nullptr);
}

