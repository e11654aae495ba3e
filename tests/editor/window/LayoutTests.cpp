// The windows as they are drawn with the faces the install gives: the main window's strips
// and controls in their places, orders and sizes, the faces of its captions, and no caption
// of the main window, the search window or the about box cut off.
#include "WindowFixture.h"

#include "About.h"
#include "Faces.h"
#include "Searchx.h"
#include "platform/Fonts.h"
#include "platform/SpinEdit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>

#include <set>
#include <string>
#include <vector>

namespace {

// ---- places ----

QWidget *Control(QWidget *window, const char *name)
{
    QWidget *control = window->findChild<QWidget *>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// The control's rectangle in its window's coordinates.
QRect Place(QWidget *control)
{
    return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

std::string Describe(QWidget *control)
{
    const QRect r = Place(control);
    const QString name = control->objectName().isEmpty() ? QLatin1String(control->metaObject()->className())
                                                         : control->objectName();
    return name.toStdString() + " at " + std::to_string(r.x()) + "," +
           std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" + std::to_string(r.height());
}

enum class Along { Row, Column };

// Controls left to right and side by side (their heights overlap), or top to bottom and one
// above the other (their widths overlap); none overlaps the next.
void ExpectInOrder(QWidget *window, Along along, std::initializer_list<const char *> names)
{
    QWidget *previous = nullptr;
    for (const char *name : names) {
        QWidget *control = Control(window, name);
        if (!control)
            return;
        EXPECT_TRUE(control->isVisible()) << name;
        if (previous) {
            const QRect a = Place(previous), b = Place(control);
            const std::string pair = Describe(previous) + ", then " + Describe(control);
            if (along == Along::Row) {
                EXPECT_LT(a.right(), b.left()) << pair;
                EXPECT_TRUE(a.top() <= b.bottom() && b.top() <= a.bottom()) << pair << ": not side by side";
            } else {
                EXPECT_LT(a.bottom(), b.top()) << pair;
                EXPECT_TRUE(a.left() <= b.right() && b.left() <= a.right()) << pair << ": not one above the other";
            }
        }
        previous = control;
    }
}

// Every control named lies inside `holder` and is drawn by it.
void ExpectInside(QWidget *window, const char *holderName, std::initializer_list<const char *> names)
{
    QWidget *holder = Control(window, holderName);
    for (const char *name : names) {
        QWidget *control = Control(window, name);
        if (!holder || !control)
            continue;
        EXPECT_TRUE(holder->isAncestorOf(control)) << name << " in " << holderName;
        EXPECT_TRUE(Place(holder).contains(Place(control))) << Describe(control) << " in " << Describe(holder);
    }
}

// The Arrangement of the main window, at whatever size the window has.
void ExpectArrangement(TZvLngFrm *frm)
{
    const int width = frm->width();
    // The four strips, top to bottom, across the whole window; the memo area ends it.
    ExpectInOrder(frm, Along::Column, {"Panel1", "Tree", "Panel3", "Panel4"});
    for (QWidget *strip : std::initializer_list<QWidget *>{frm->Panel1, frm->Tree, frm->Panel3, frm->Panel4}) {
        EXPECT_EQ(Place(strip).left(), 0) << Describe(strip);
        EXPECT_EQ(strip->width(), width) << Describe(strip);
    }
    EXPECT_EQ(Place(frm->Panel1).top(), 0);
    EXPECT_EQ(Place(frm->Tree).top(), Place(frm->Panel1).bottom() + 1);
    EXPECT_EQ(Place(frm->Panel3).top(), Place(frm->Tree).bottom() + 1);
    EXPECT_EQ(Place(frm->Panel4).bottom(), frm->height() - 1);
    EXPECT_EQ(frm->Panel1->height(), 65);
    // The strip below the tree is 43 pixels high; only a window too narrow for the help
    // text's three lines makes it taller, by the lines the text then wraps into.
    if (width >= 757)
        EXPECT_EQ(frm->Panel3->height(), 43);
    else
        EXPECT_GE(frm->Panel3->height(), 43);
    EXPECT_EQ(frm->Panel4->height(), 212);

    // The top strip: the file row above the langpack's row.
    ExpectInside(frm, "Panel1", {"NewBtn", "OpenBtn", "SaveBtn", "ChangedCb", "FiName", "Label1", "IDed",
                                 "RandGen", "Label2", "Nameed", "Label3", "BaseLangCb", "AssocBtn", "AboutBtn"});
    ExpectInOrder(frm, Along::Row, {"NewBtn", "OpenBtn", "SaveBtn", "ChangedCb", "FiName"});
    ExpectInOrder(frm, Along::Row,
                  {"Label1", "IDed", "RandGen", "Label2", "Nameed", "Label3", "BaseLangCb", "AssocBtn", "AboutBtn"});
    ExpectInOrder(frm, Along::Column, {"NewBtn", "Label1"});
    ExpectInOrder(frm, Along::Column, {"FiName", "AboutBtn"});
    EXPECT_GE(Place(frm->AboutBtn).right(), width - 8) << "kept at the right edge";
    EXPECT_GE(Place(frm->FiName).right(), width - 30) << "stretches with the window";

    // The strip below the tree: the unlock box above the record commands, the line commands
    // in two rows, the help text and its decoration at the right.
    ExpectInside(frm, "Panel3", {"Ulnlck", "GB1", "AddBtn", "DelBtn", "CpyBtn", "SearchBtn", "StaticText1",
                                 "StaticText2"});
    ExpectInside(frm, "GB1", {"StIDed", "AddStrBtn", "AddGrBtn", "DelGr"});
    ExpectInOrder(frm, Along::Column, {"Ulnlck", "GB1"});
    ExpectInOrder(frm, Along::Row, {"StIDed", "AddStrBtn", "AddGrBtn", "DelGr"});
    ExpectInOrder(frm, Along::Row, {"Ulnlck", "AddBtn", "DelBtn", "StaticText1", "StaticText2"});
    ExpectInOrder(frm, Along::Row, {"GB1", "CpyBtn", "SearchBtn", "StaticText1"});
    ExpectInOrder(frm, Along::Column, {"AddBtn", "CpyBtn"});
    ExpectInOrder(frm, Along::Column, {"DelBtn", "SearchBtn"});
    EXPECT_LE(Place(frm->Ulnlck).left(), 8);
    EXPECT_GE(Place(frm->StaticText2).right(), width - 8);
    EXPECT_TRUE(frm->MakeDefsBtn->isHidden());

    // The memo area: the template above the translation, which fills the rest.
    ExpectInside(frm, "Panel4", {"Old", "New"});
    ExpectInOrder(frm, Along::Column, {"Old", "New"});
    EXPECT_EQ(Place(frm->Old).top(), Place(frm->Panel4).top());
    EXPECT_EQ(frm->Old->height(), 105);
    EXPECT_EQ(Place(frm->New).bottom(), Place(frm->Panel4).bottom());

    // "π" over the window's top-right corner, beside the path.
    EXPECT_EQ(Place(frm->StaticText3).top(), 0);
    EXPECT_LE(Place(frm->StaticText3).right(), width - 1);
    EXPECT_GE(Place(frm->StaticText3).right(), width - 6);
    EXPECT_GT(Place(frm->StaticText3).left(), Place(frm->FiName).right());

    // The columns: the template column takes half of what the id column leaves.
    TVirtualStringTree *tree = frm->Tree;
    EXPECT_EQ(tree->ColumnWidth(0), 120);
    EXPECT_EQ(tree->ColumnWidth(1), (tree->ClientWidth() - 120) / 2);
    EXPECT_EQ(tree->ColumnWidth(0) + tree->ColumnWidth(1) + tree->ColumnWidth(2), tree->ClientWidth());
}

// ---- captions ----

// Where a control draws its caption and what the caption is, in the control's coordinates.
struct Caption {
    QRect contents;      // the rectangle the control leaves its caption
    QStringList lines;   // the caption's lines, mnemonic marks included
    int iconWidth = 0;   // an icon before the text, with its gap
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wraps = false;
};

Caption CaptionOf(QWidget *control)
{
    Caption caption;
    QString text;
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox *>(button))
            element = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<QRadioButton *>(button))
            element = QStyle::SE_RadioButtonContents;
        else
            caption.alignment = Qt::AlignCenter;
        caption.contents = button->style()->subElementRect(element, &option, button);
        if (!button->icon().isNull())
            caption.iconWidth = button->iconSize().width() + (text.isEmpty() ? 0 : 4);
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        text = label->text();
        caption.contents = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                          -label->margin());
        caption.alignment = label->alignment();
        caption.wraps = label->wordWrap();
    }
    if (!text.isEmpty())
        caption.lines = text.split(QRegularExpression(QStringLiteral("\r?\n")));
    return caption;
}

// The rectangle the caption takes inside the control, as the control aligns it.
QRect CaptionBox(QWidget *control, const Caption &caption)
{
    const QFontMetrics metrics(control->font());
    int width = 0;
    for (const QString &line : caption.lines)
        width = std::max(width, metrics.size(Qt::TextShowMnemonic, line).width());
    width += caption.iconWidth;
    const int lines = std::max<int>(1, int(caption.lines.size()));
    int height = metrics.height() + (lines - 1) * metrics.lineSpacing();
    if (caption.wraps) {
        width = caption.contents.width();
        height = static_cast<QLabel *>(control)->heightForWidth(width);
    }
    if (caption.lines.isEmpty())
        height = std::min(height, caption.contents.height());   // an icon alone
    return QStyle::alignedRect(control->layoutDirection(), caption.alignment, QSize(width, height),
                               caption.contents);
}

void ExpectWithin(const QRect &outer, const QRect &box, bool measureHeight, const std::string &what)
{
    EXPECT_GE(box.left(), outer.left()) << what;
    EXPECT_LE(box.right(), outer.right()) << what;
    if (measureHeight) {
        EXPECT_GE(box.top(), outer.top()) << what;
        EXPECT_LE(box.bottom(), outer.bottom()) << what;
    }
}

// Every visible button and label of `window` with a caption or an icon: its caption fits
// the control, lies within every holder up to the window, and no control stacked above it
// covers it. Returns the names of the controls checked.
std::set<QString> ExpectCaptionsFit(QWidget *window)
{
    std::set<QString> checked;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        const bool button = qobject_cast<QAbstractButton *>(control) != nullptr;
        if (!control->isVisibleTo(window))
            continue;
        if (!button && !qobject_cast<QLabel *>(control))
            continue;
        const Caption caption = CaptionOf(control);
        if (caption.lines.isEmpty() && caption.iconWidth == 0)
            continue;
        checked.insert(control->objectName());
        const QRect box = CaptionBox(control, caption);
        const std::string what = Describe(control) + ", caption " + caption.lines.join(u'|').toStdString() +
                                 " needs " + std::to_string(box.width()) + "x" + std::to_string(box.height()) +
                                 " in " + QFontInfo(control->font()).family().toStdString() + " " +
                                 std::to_string(QFontInfo(control->font()).pixelSize()) + "px";
        // A caption of one line may overhang above and below: only its width is measured.
        const bool measureHeight = caption.lines.size() > 1 || caption.wraps;
        ExpectWithin(caption.contents, box, measureHeight, what + ", in the control");
        // Not cut off by a holder...
        for (QWidget *holder = control->parentWidget(); holder; holder = holder->parentWidget()) {
            ExpectWithin(holder->contentsRect(), QRect(control->mapTo(holder, box.topLeft()), box.size()),
                         measureHeight, what + ", in " + Describe(holder));
            if (holder == window)
                break;
        }
        // ...nor covered by a control stacked above it.
        QWidget *parent = control->parentWidget();
        const QObjectList siblings = parent->children();
        for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size(); ++i) {
            auto *above = qobject_cast<QWidget *>(siblings[i]);
            if (above && above->isVisibleTo(window) && !above->isWindow())
                EXPECT_FALSE(above->geometry().intersects(box.translated(control->pos())))
                    << what << ", covered by " << Describe(above);
        }
    }
    return checked;
}

std::set<QString> Names(std::initializer_list<const char *> names)
{
    std::set<QString> set;
    for (const char *name : names)
        set.insert(QLatin1String(name));
    return set;
}

void ExpectAllOf(const std::set<QString> &expected, const std::set<QString> &checked)
{
    for (const QString &name : expected)
        EXPECT_TRUE(checked.count(name)) << name.toStdString() << " has a caption to check";
}

// The window face at 11 pixels, as the install gives it: Tahoma.
void ExpectWindowFont(QWidget *window)
{
    const QFontInfo info(window->font());
    EXPECT_EQ(info.family().toStdString(), "Tahoma")
        << window->objectName().toStdString() << ": is fonts-wine installed (scripts/install-deps.sh)?";
    EXPECT_EQ(info.pixelSize(), 11) << window->objectName().toStdString();
}

} // namespace

TEST_F(WindowTest, ControlsStandWhereTheArrangementPutsThemAtBothSizes)
{
    Open();
    ShowAndActivate();
    ASSERT_EQ(frm->size(), QSize(757, 591));
    EXPECT_EQ(frm->minimumSize(), QSize(700, 400));
    ExpectWindowFont(frm.get());
    SCOPED_TRACE("757 x 591");
    ExpectArrangement(frm.get());

    frm->resize(frm->minimumSize());
    QApplication::processEvents();
    ASSERT_EQ(frm->size(), QSize(700, 400));
    SCOPED_TRACE("700 x 400");
    ExpectArrangement(frm.get());
}

TEST_F(WindowTest, NoCaptionIsCutOff)
{
    Open();
    ShowAndActivate();
    ExpectAllOf(Names({"NewBtn", "OpenBtn", "SaveBtn", "Label1", "RandGen", "Label2", "Label3", "AssocBtn",
                       "AboutBtn", "Ulnlck", "AddStrBtn", "AddGrBtn", "DelGr", "AddBtn", "DelBtn", "CpyBtn",
                       "SearchBtn", "StaticText1", "StaticText2", "StaticText3"}),
                ExpectCaptionsFit(frm.get()));

    // At the smallest size the buttons still show their captions whole.
    frm->resize(frm->minimumSize());
    QApplication::processEvents();
    ExpectAllOf(Names({"NewBtn", "OpenBtn", "SaveBtn", "RandGen", "AssocBtn", "AboutBtn", "Ulnlck", "CpyBtn",
                       "SearchBtn"}),
                ExpectCaptionsFit(frm.get()));

    TSearchFrm search;
    search.show();
    QApplication::processEvents();
    ExpectWindowFont(&search);
    ExpectAllOf(Names({"InTempl", "InTrans", "CaseSens", "FindBack", "FromEnd", "FromStart", "FindNext"}),
                ExpectCaptionsFit(&search));

    TAboutBox about;
    about.show();
    QApplication::processEvents();
    ExpectWindowFont(&about);
    ExpectAllOf(Names({"ProductName", "Version", "Ver", "Comments", "OKButton"}), ExpectCaptionsFit(&about));
    about.hide();
}

// The window's face throughout, the language id and its label in bold, the copy arrow in
// bold at 14 pixels.
TEST_F(WindowTest, TheIdAndItsLabelAreBold)
{
    Open();
    ShowAndActivate();
    ExpectFace(frm->Label1, "Tahoma", 11, true);
    ExpectFace(frm->IDed, "Tahoma", 11, true);
    ExpectFace(frm->CpyBtn, "Tahoma", 14, true);
    for (QWidget *control : std::initializer_list<QWidget *>{frm->Label2, frm->Label3, frm->Nameed, frm->NewBtn,
                                                            frm->SaveBtn, frm->AboutBtn, frm->StaticText1})
        ExpectFace(control, "Tahoma", 11, false);
}

// "π" in Times New Roman or its metric twin; the search button shows a magnifier, not the
// letter of a symbol face.
TEST_F(WindowTest, PiInATimesFaceAndAMagnifierOnTheSearchButton)
{
    Open();
    const QString pi = QFontInfo(frm->StaticText3->font()).family();
    EXPECT_TRUE(pi == QStringLiteral("Times New Roman") || pi == QStringLiteral("Liberation Serif"))
        << pi.toStdString();

    EXPECT_TRUE(frm->SearchBtn->text().isEmpty());
    const QIcon icon = frm->SearchBtn->icon();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(frm->SearchBtn->iconSize()).toImage();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qAlpha(image.pixel(x, y)) > 128;
    EXPECT_GT(ink, 10) << "the icon draws something";
    EXPECT_EQ(frm->SearchBtn->size(), QSize(24, 19));
}
